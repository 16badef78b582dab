#include "app/backup/BackupSession.h"

#include "device/AmplifierBase.h"
#include "device/FileHandler.h"
#include "device/backup/Backup.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QMetaObject>
#include <QVariantMap>

#include <exception>
#include <optional>

namespace {

QString valueText(const std::optional<qulonglong> &value, const QString &unit) {
    if (!value)
        return BackupSession::tr("—");
    return unit.isEmpty() ? QString::number(*value) : QStringLiteral("%1 %2").arg(*value).arg(unit);
}

QVariantMap row(const QString &name, const QString &address, const QString &fileValue,
                const QString &amplifierValue, const QString &outcome, bool bad) {
    return {{QStringLiteral("name"), name},
            {QStringLiteral("label"), QStringLiteral("%1 (%2)").arg(name, address)},
            {QStringLiteral("fileValue"), fileValue},
            {QStringLiteral("amplifierValue"), amplifierValue},
            {QStringLiteral("outcome"), outcome},
            {QStringLiteral("bad"), bad}};
}

// The differences between a file and an amplifier, each with `outcome`. A comparison names the file first;
// a restore names the amplifier first (what it held, then what it is to hold).
QVariantList differenceRows(const QList<backup::Difference> &differences, bool fileFirst,
                            const QString &outcome) {
    QVariantList rows;
    for (const backup::Difference &difference : differences) {
        const auto &file = fileFirst ? difference.first : difference.second;
        const auto &amplifier = fileFirst ? difference.second : difference.first;
        rows.append(row(difference.name, difference.address, valueText(file, difference.unit),
                        valueText(amplifier, difference.unit), outcome, true));
    }
    return rows;
}

// What became of one value a restore wrote, in the words of the table; `failed` when the restore as a whole
// did not go through.
QVariantMap outcomeRow(const backup::SettingOutcome &setting, bool failed) {
    const QString file = valueText(setting.wanted, setting.unit);
    const QString before = valueText(setting.before, setting.unit);
    if (!setting.now)
        return row(setting.name, setting.address, file, before,
                   BackupSession::tr("unknown: it could not be read back"), true);
    const QString now = valueText(setting.now, setting.unit);
    if (setting.done())
        return row(setting.name, setting.address, file, before, BackupSession::tr("written and confirmed"),
                   false);
    if (*setting.now == setting.before) {
        // The others were written and put back, or not reached, which the outcome does not tell apart.
        return row(setting.name, setting.address, file, before,
                   setting.refused
                       ? BackupSession::tr("refused; holds %1 as before").arg(now)
                       : BackupSession::tr("put back or not written; holds %1 as before").arg(now),
                   failed);
    }
    return row(setting.name, setting.address, file, before,
               BackupSession::tr("holds %1, neither the file's value nor the previous one").arg(now), true);
}

} // namespace

BackupSession::BackupSession(QObject *parent)
    : QObject(parent) {}

BackupSession::~BackupSession() {
    if (m_thread) {
        // A restore stops between two writes and puts back what it wrote; then the thread ends.
        m_stop.store(true);
        m_thread->wait();
        delete m_thread;
    }
}

void BackupSession::clear() {
    if (m_thread)
        return;
    m_message.clear();
    m_failed = false;
    m_rows.clear();
    m_dryRunReady = false;
    m_pendingWrites = 0;
    emit finished(QString(), true);
}

void BackupSession::refuse(const QString &reason) {
    clear();
    m_message = reason;
    m_failed = true;
    emit finished(QString(), false);
}

bool BackupSession::start(const QString &operation, QObject *amplifier, const QString &path,
                          const QString &doing, Work work) {
    if (m_thread)
        return false;
    auto *target = qobject_cast<AmplifierBase *>(amplifier);
    if (!target) {
        refuse(tr("There is no amplifier to work with."));
        return false;
    }
    if (path.trimmed().isEmpty()) {
        refuse(tr("Choose a file first."));
        return false;
    }
    m_progressText = doing;
    m_stop.store(false);

    // The worker reaches this object only by a queued call, which Qt drops once the object is gone; the
    // destructor waits for the worker anyway.
    QPointer<BackupSession> self(this);
    m_thread = QThread::create([self, target, path, operation, work = std::move(work)] {
        Result result;
        try {
            result = work(*target, path);
        } catch (const std::exception &e) {
            result = Result{false, QString::fromUtf8(e.what()), {}, 0};
        }
        QMetaObject::invokeMethod(
            self.data(),
            [self, operation, result] {
                if (self)
                    self->end(operation, result);
            },
            Qt::QueuedConnection);
    });
    m_thread->start();
    emit busyChanged();
    return true;
}

void BackupSession::end(const QString &operation, const Result &result) {
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
    }
    m_message = result.message;
    m_failed = !result.ok;
    m_rows = result.rows;
    m_pendingWrites = result.pendingWrites;
    m_dryRunReady = operation == QLatin1String("dryRun") && result.ok;
    emit busyChanged();
    emit finished(operation, result.ok);
}

bool BackupSession::backup(QObject *amplifier, const QString &path) {
    return start(QStringLiteral("backup"), amplifier, path, tr("Reading every setting and the calibration…"),
                 [](AmplifierBase &target, const QString &file) {
                     const backup::Taken taken = backup::take(target);
                     if (!taken.ok())
                         return Result{false, tr("Nothing was saved: %1").arg(taken.error), {}, 0};
                     if (const QString why = backup::save(taken.backup, file); !why.isEmpty())
                         return Result{false, tr("Nothing was saved: %1").arg(why), {}, 0};
                     QString saved = tr("Saved %1 values to %2.").arg(taken.backup.settings.size()).arg(file);
                     // CANopen tools read a configuration file rather than this program's JSON.
                     if (!backup::toDcf(taken.backup).isEmpty()) {
                         const QString dcf = backup::dcfPathBeside(file);
                         const QString why = backup::save(taken.backup, dcf, true);
                         saved += QLatin1Char(' ') +
                                  (why.isEmpty() ? tr("The CANopen configuration file is %1.").arg(dcf)
                                                 : tr("No CANopen configuration file: %1").arg(why));
                     }
                     return Result{true, saved, {}, 0};
                 });
}

bool BackupSession::compare(QObject *amplifier, const QString &path, const QString &second) {
    const bool twoFiles = !second.trimmed().isEmpty();
    return start(
        QStringLiteral("compare"), amplifier, path,
        twoFiles ? tr("Reading the two files…") : tr("Reading the amplifier to compare…"),
        [second, twoFiles](AmplifierBase &target, const QString &file) {
            const backup::Loaded loaded = backup::load(file);
            if (!loaded.ok())
                return Result{false, tr("The file cannot be compared: %1").arg(loaded.error), {}, 0};
            backup::Backup other;
            if (twoFiles) {
                const backup::Loaded secondFile = backup::load(second);
                if (!secondFile.ok())
                    return Result{
                        false, tr("The second file cannot be compared: %1").arg(secondFile.error), {}, 0};
                other = secondFile.backup;
            } else {
                const backup::Taken taken = backup::take(target);
                if (!taken.ok())
                    return Result{false, tr("The amplifier could not be read: %1").arg(taken.error), {}, 0};
                other = taken.backup;
            }
            const QList<backup::Difference> differences = backup::compare(loaded.backup, other);
            QString said;
            if (twoFiles)
                said = differences.isEmpty()
                           ? tr("The two files hold the same values.")
                           : tr("Values that differ between the two files: %1.").arg(differences.size());
            else
                said = differences.isEmpty()
                           ? tr("The amplifier holds every value of the file.")
                           : tr("Values that differ between the file and the amplifier: %1.")
                                 .arg(differences.size());
            return Result{true, said, differenceRows(differences, true, tr("differs")), 0};
        });
}

BackupSession::Result BackupSession::restoreWork(AmplifierBase &target, const QString &file,
                                                 bool dryRun) const {
    const backup::Loaded loaded = backup::load(file);
    if (!loaded.ok())
        return Result{false, tr("Restore refused: %1 Nothing was written.").arg(loaded.error), {}, 0};
    backup::RestoreOptions options;
    options.dryRun = dryRun;
    options.stopRequested = [this] {
        return m_stop.load();
    };
    const backup::RestoreOutcome outcome = backup::restore(target, loaded.backup, options);
    Result result{outcome.ok(), outcome.message, {}, 0};
    if (dryRun) {
        result.rows = differenceRows(outcome.differences, false, tr("would be written"));
        result.pendingWrites = int(outcome.differences.size());
        return result;
    }
    const bool failed = !outcome.ok();
    for (const backup::SettingOutcome &setting : outcome.settings)
        result.rows.append(outcomeRow(setting, failed));
    // Without a final read the table has no rows: the differences are what was to be written.
    if (outcome.settings.isEmpty())
        result.rows = differenceRows(outcome.differences, false, tr("not written"));
    if (!outcome.safetyCopy.isEmpty())
        result.message +=
            QLatin1Char(' ') + tr("What the amplifier held before is saved as %1.").arg(outcome.safetyCopy);
    return result;
}

bool BackupSession::dryRun(QObject *amplifier, const QString &path) {
    return start(
        QStringLiteral("dryRun"), amplifier, path, tr("Reading the amplifier to compare…"),
        [this](AmplifierBase &target, const QString &file) { return restoreWork(target, file, true); });
}

bool BackupSession::restore(QObject *amplifier, const QString &path) {
    if (!m_dryRunReady) {
        refuse(tr("Make a dry run first: it shows what the restore writes."));
        return false;
    }
    return start(
        QStringLiteral("restore"), amplifier, path, tr("Writing the differing values…"),
        [this](AmplifierBase &target, const QString &file) { return restoreWork(target, file, false); });
}

QVariantList BackupSession::safetyCopies(QObject *amplifier) const {
    auto *target = qobject_cast<AmplifierBase *>(amplifier);
    QVariantList copies;
    if (!target)
        return copies;
    for (const backup::ListedCopy &copy : backup::safetyCopies()) {
        const backup::Backup &held = copy.backup;
        if (!copy.error.isEmpty() || held.protocol != target->getProtocol() ||
            held.port != target->portName() || held.deviceId != target->deviceId())
            continue;
        copies.append(QVariantMap{
            {QStringLiteral("path"), copy.path},
            {QStringLiteral("fileName"), QFileInfo(copy.path).fileName()},
            {QStringLiteral("when"), QLocale().toString(held.date.toLocalTime(), QLocale::ShortFormat)},
            {QStringLiteral("reason"), held.reason}});
    }
    return copies;
}

QString BackupSession::backupFolder() const {
    // Where recordings go too; made when missing, so that the proposed file can be written at once.
    return FileHandler().getAppDataPath();
}

QString BackupSession::suggestedPath(QObject *amplifier) const {
    auto *target = qobject_cast<AmplifierBase *>(amplifier);
    if (!target)
        return {};
    const QString name = QStringLiteral("backup_%1_%2_%3.json")
                             .arg(target->getProtocol())
                             .arg(target->deviceId())
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_hhmmss")));
    return backupFolder() + QLatin1Char('/') + name;
}

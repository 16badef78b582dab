#include "BackupCommands.h"

#include "Console.h"
#include "ExitCodes.h"
#include "LinkCommands.h"

#include "device/AmplifierBase.h"
#include "device/backup/Backup.h"

#include <QFileInfo>
#include <QTextStream>

#include <atomic>
#include <cstdio>
#include <functional>

namespace {

using cli::err;
using cli::fail;
using cli::out;

QString valueText(const std::optional<qulonglong> &value) {
    return value ? QString::number(*value) : QStringLiteral("(none)");
}

// One difference per line: "name address first second unit".
void printDifferences(const QList<backup::Difference> &differences, const QString &first,
                      const QString &second) {
    out() << "setting\taddress\t" << first << '\t' << second << "\tunit" << Qt::endl;
    for (const backup::Difference &d : differences)
        out() << d.name << '\t' << d.address << '\t' << valueText(d.first) << '\t' << valueText(d.second)
              << '\t' << d.unit << Qt::endl;
}

// A loaded file, or the reason it is refused.
std::optional<backup::Backup> loadOrSay(const QString &path) {
    const backup::Loaded loaded = backup::load(path);
    if (!loaded.ok()) {
        err() << path << ": " << loaded.error << Qt::endl;
        return std::nullopt;
    }
    return loaded.backup;
}

int listSafetyCopies() {
    const QList<backup::ListedCopy> copies = backup::safetyCopies();
    out() << "# " << backup::safetyCopyFolder() << Qt::endl;
    for (const backup::ListedCopy &copy : copies) {
        if (!copy.error.isEmpty()) {
            out() << "unreadable\t" << copy.path << '\t' << copy.error << Qt::endl;
            continue;
        }
        out() << copy.backup.date.toUTC().toString(Qt::ISODate) << '\t' << copy.backup.amplifierText() << '\t'
              << (copy.backup.reason.isEmpty() ? QStringLiteral("manual") : copy.backup.reason) << '\t'
              << copy.path << Qt::endl;
    }
    return cli::kExitOk;
}

// The exit status of a command that could not read or write the amplifier: why, from what its link saw.
using LinkStatus = std::function<int()>;

int takeBackup(AmplifierBase &amplifier, const QString &path, const LinkStatus &linkStatus) {
    const backup::Taken taken = backup::take(amplifier);
    if (!taken.ok())
        return fail(QStringLiteral("Backup failed: %1; no backup was made.").arg(taken.error), linkStatus());
    if (const QString error = backup::save(taken.backup, path); !error.isEmpty())
        return fail(QStringLiteral("Backup failed: %1").arg(error));
    out() << "Backup of " << taken.backup.amplifierText() << " written to " << path << " ("
          << taken.backup.settings.size() << " values)." << Qt::endl;
    if (!backup::toDcf(taken.backup).isEmpty()) {
        const QString dcf = backup::dcfPathBeside(path);
        if (const QString error = backup::save(taken.backup, dcf, true); !error.isEmpty())
            return fail(QStringLiteral("The JSON backup was written; the configuration file "
                                       "was not: %1")
                            .arg(error));
        out() << "CANopen configuration file: " << dcf << Qt::endl;
    }
    return cli::kExitOk;
}

int diffWithAmplifier(AmplifierBase &amplifier, const backup::Backup &file, const LinkStatus &linkStatus) {
    const backup::Taken taken = backup::take(amplifier);
    if (!taken.ok())
        return fail(QStringLiteral("The amplifier could not be read: %1.").arg(taken.error), linkStatus());
    const QList<backup::Difference> differences = backup::compare(file, taken.backup);
    if (differences.isEmpty()) {
        out() << "The amplifier holds every value of the backup." << Qt::endl;
        return cli::kExitOk;
    }
    printDifferences(differences, QStringLiteral("file"), QStringLiteral("amplifier"));
    return cli::kExitFailed;
}

int restoreInto(AmplifierBase &amplifier, const backup::Backup &file, bool dryRun,
                const std::atomic<bool> *stop, const LinkStatus &linkStatus) {
    backup::RestoreOptions options;
    options.dryRun = dryRun;
    options.stop = stop;
    const backup::RestoreOutcome outcome = backup::restore(amplifier, file, options);
    using Kind = backup::RestoreOutcome::Kind;
    if (!outcome.safetyCopy.isEmpty())
        err() << "Safety copy of the amplifier as it was: " << outcome.safetyCopy << Qt::endl;
    if (outcome.kind == Kind::DryRun && !outcome.differences.isEmpty())
        printDifferences(outcome.differences, QStringLiteral("amplifier"), QStringLiteral("file"));
    if (!outcome.settings.isEmpty()) {
        out() << "setting\taddress\twas\tfile\tnow" << Qt::endl;
        for (const backup::SettingOutcome &s : outcome.settings)
            out() << s.name << '\t' << s.address << '\t' << s.before << '\t' << s.wanted << '\t'
                  << (s.now ? QString::number(*s.now) : QStringLiteral("unknown")) << Qt::endl;
    }
    if (outcome.ok()) {
        out() << outcome.message << Qt::endl;
        return cli::kExitOk;
    }
    return fail(outcome.message, outcome.kind == Kind::BadInput ? cli::kExitBadArguments : linkStatus());
}

} // namespace

bool isBackupCommand(const QString &command) {
    return QStringList{QStringLiteral("backup"), QStringLiteral("diff"), QStringLiteral("restore"),
                       QStringLiteral("backups")}
        .contains(command);
}

bool isOfflineBackupCommand(const QStringList &positional) {
    if (positional.isEmpty())
        return false;
    return positional.first() == QLatin1String("backups") ||
           (positional.first() == QLatin1String("diff") && positional.size() == 3);
}

int runOfflineBackupCommand(const QStringList &positional) {
    if (positional.first() == QLatin1String("backups"))
        return positional.size() == 1
                   ? listSafetyCopies()
                   : fail(QStringLiteral("backups takes no arguments."), cli::kExitBadArguments);
    const std::optional<backup::Backup> first = loadOrSay(positional.at(1));
    const std::optional<backup::Backup> second = first ? loadOrSay(positional.at(2)) : std::nullopt;
    if (!first || !second)
        return cli::kExitBadArguments;
    const QList<backup::Difference> differences = backup::compare(*first, *second);
    if (first->model != second->model || first->protocol != second->protocol)
        err() << "Note: the backups are of different amplifiers: " << first->amplifierText() << " and "
              << second->amplifierText() << "." << Qt::endl;
    if (differences.isEmpty()) {
        out() << "The two backups hold the same values." << Qt::endl;
        return cli::kExitOk;
    }
    printDifferences(differences, QFileInfo(positional.at(1)).fileName(),
                     QFileInfo(positional.at(2)).fileName());
    return cli::kExitFailed;
}

int runBackupCommand(const CliLinkOptions &link, const QStringList &positional,
                     const std::atomic<bool> *stop) {
    const QString command = positional.first();
    QStringList arguments = positional.mid(1);
    const bool dryRun =
        command == QLatin1String("restore") && arguments.removeAll(QStringLiteral("--dry-run")) > 0;
    if (command == QLatin1String("backups") || arguments.size() != 1 ||
        arguments.first().startsWith(QLatin1String("--")))
        return fail(
            QStringLiteral("Usage: backup FILE | diff FILE [FILE2] | restore FILE [--dry-run] | backups"),
            cli::kExitBadArguments);
    const QString path = arguments.first();
    // Every file is checked before the amplifier is reached.
    std::optional<backup::Backup> file;
    if (command != QLatin1String("backup")) {
        file = loadOrSay(path);
        if (!file)
            return cli::kExitBadArguments;
    } else if (QFileInfo::exists(path)) {
        return fail(
            QStringLiteral("%1 exists: a backup never replaces a file; choose another name.").arg(path),
            cli::kExitBadArguments);
    }

    QString error;
    std::unique_ptr<CliDriver> driver = makeCliDriver(link, &error);
    if (!driver)
        return fail(error);
    auto *amplifier = qobject_cast<AmplifierBase *>(driver->object());
    if (!amplifier)
        return fail(QStringLiteral("This amplifier keeps no backup."));
    // Another model or protocol, or a value outside what it takes: refused before the link is opened.
    if (command == QLatin1String("restore")) {
        if (const QString why = backup::refusal(*file, *amplifier); !why.isEmpty())
            return fail(QStringLiteral("Restore refused: %1 Nothing was written.").arg(why),
                        cli::kExitBadArguments);
    }
    QString connectionError;
    QObject::connect(amplifier, &AmplifierBase::connectionFailed, amplifier,
                     [&connectionError](const QString &reason) { connectionError = reason; });
    const linkstats::Snapshot before = linkcli::statsOf(amplifier);
    amplifier->connect();
    if (!amplifier->isConnected())
        return fail(connectionError.isEmpty() ? QStringLiteral("Connection failed.") : connectionError,
                    linkcli::connectionFailedCode(amplifier, before, driver->linkLost()));
    const LinkStatus linkStatus = [&] {
        return linkcli::exitCodeFor(amplifier, before, driver->linkLost());
    };
    if (command == QLatin1String("backup"))
        return takeBackup(*amplifier, path, linkStatus);
    if (command == QLatin1String("diff"))
        return diffWithAmplifier(*amplifier, *file, linkStatus);
    return restoreInto(*amplifier, *file, dryRun, stop, linkStatus);
}

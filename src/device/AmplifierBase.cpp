#include "device/AmplifierBase.h"

#include "device/ProtocolFacts.h"
#include "device/backup/Backup.h"

#include <QCoreApplication>
#include <optional>

AmplifierBase::AmplifierBase(const QString &modelName, const QString &protocolName, QObject *parent)
    : QObject(parent)
    , model(modelName)
    , protocol(protocolName) {}

AmplifierBase::~AmplifierBase() = default;

QString AmplifierBase::getName() const {
    return name;
}

void AmplifierBase::setName(const QString &newName) {
    name = newName;
}

AmplifierBase::Capabilities AmplifierBase::capabilities() const {
    const protocolfacts::Facts *facts = protocolfacts::find(protocol);
    return facts ? facts->capabilities : Capabilities{};
}

void AmplifierBase::testAllRegisters() {
    const QString why = QStringLiteral("This amplifier has no register self-test.");
    emit commandFinished(QStringLiteral("selfTest"), false, why);
    emit selfTestFinished(false, why);
}

writetx::Access AmplifierBase::storedValueAccess(const std::vector<regmap::StoredValue> &) {
    return {};
}

QVariantMap AmplifierBase::readStoredCalibration() {
    const auto failed = [](const QString &why) {
        return QVariantMap{{QStringLiteral("error"), why}};
    };
    const protocolfacts::Facts *facts = protocolfacts::find(protocol);
    if (!facts)
        return failed(tr("This amplifier cannot report its calibration."));
    const std::vector<regmap::StoredValue> &block = regmap::calibrationBlock(facts->family);
    const writetx::Access access = storedValueAccess(block);
    if (!access.read)
        return failed(tr("This amplifier cannot report its calibration."));
    const auto at = [&block](regmap::Role role, int point) -> std::optional<size_t> {
        for (size_t i = 0; i < block.size(); ++i) {
            if (block[i].role == role && block[i].point == point)
                return i;
        }
        return std::nullopt;
    };
    QString problem;
    const auto read = [&](size_t i) -> std::optional<uint32_t> {
        QString cause;
        const std::optional<uint32_t> value = writetx::readQuietly(access, i, &cause);
        if (!value) {
            problem = tr("The calibration could not be read: %1 (%2) failed: %3")
                          .arg(block[i].name, block[i].address(), cause);
            return value;
        }
        // Not a curve: a CANopen node calibrated step by step keeps the steps' values (a point count where
        // the span weight goes), which must not be shown as its curve.
        const regmap::Range range = block[i].range;
        if (*value < range.min || *value > range.max) {
            problem = tr("The calibration cannot be shown: %1 (%2) holds %3, outside what a "
                         "calibration writes there (%4 to %5).")
                          .arg(block[i].name, block[i].address())
                          .arg(*value)
                          .arg(range.min)
                          .arg(range.max);
            return std::optional<uint32_t>();
        }
        return value;
    };
    QVariantMap calibration;
    const std::optional<uint32_t> count = read(*at(regmap::Role::PointCount, -1));
    if (!count)
        return failed(problem);
    calibration.insert(QStringLiteral("pointCount"), *count);
    if (const std::optional<size_t> offsetAt = at(regmap::Role::ZeroOffset, -1)) {
        const std::optional<uint32_t> offset = read(*offsetAt);
        if (!offset)
            return failed(problem);
        // The offset moves the measuring value, which is signed.
        calibration.insert(QStringLiteral("zeroOffset"), static_cast<int32_t>(*offset));
    }
    QVariantList points;
    for (int point = 0; point < static_cast<int>(*count); ++point) {
        const std::optional<size_t> adAt = at(regmap::Role::PointAd, point);
        if (!adAt)
            return failed(tr("The amplifier reports %1 calibration points; this program knows "
                             "where it keeps %2 only.")
                              .arg(*count)
                              .arg(point));
        const std::optional<uint32_t> ad = read(*adAt);
        if (!ad)
            return failed(problem);
        std::optional<uint32_t> hundredths = 0u;
        if (const std::optional<size_t> weightAt = at(regmap::Role::PointWeight, point))
            hundredths = read(*weightAt);
        if (!hundredths)
            return failed(problem);
        points.append(QVariantMap{{QStringLiteral("ad"), *ad},
                                  {QStringLiteral("weight"), static_cast<double>(*hundredths) / 100.0}});
    }
    calibration.insert(QStringLiteral("points"), points);
    return calibration;
}

QString AmplifierBase::safetyCopyBefore(const QString &command) {
    const backup::SafetyCopy copy = backup::writeSafetyCopy(*this, command);
    noteSafetyCopy(command, copy.path, copy.error);
    if (!copy.ok())
        return tr("No safety copy could be made first (%1); nothing was written.").arg(copy.error);
    return {};
}

void AmplifierBase::noteSafetyCopy(const QString &command, const QString &path, const QString &error) {
    if (!error.isEmpty()) {
        emit safetyCopyFailed(command, error);
    } else if (!path.isEmpty()) {
        QMutexLocker lock(&m_safetyCopyMutex);
        m_lastSafetyCopy = path;
        lock.unlock();
        emit safetyCopyWritten(command, path);
    }
}

AmplifierBase::RawResult::Outcome AmplifierBase::RawResult::outcomeOf(frames::Verdict verdict) {
    switch (verdict) {
    case frames::Verdict::Ok:
        return Outcome::Ok;
    case frames::Verdict::TimedOut:
        return Outcome::NoAnswer;
    case frames::Verdict::Refused:
        return Outcome::Refused;
    default:
        return Outcome::BadAnswer;
    }
}

AmplifierBase::RawResult AmplifierBase::rawRead(uint16_t, uint8_t) {
    RawResult result;
    result.outcome = RawResult::Outcome::LinkLost;
    result.error = QCoreApplication::translate("rawaccess", "This amplifier offers no raw register access.");
    return result;
}

AmplifierBase::RawResult AmplifierBase::rawWrite(uint16_t target, uint8_t subIndex, uint32_t) {
    return rawRead(target, subIndex);
}

QString AmplifierBase::lastSafetyCopy() const {
    QMutexLocker lock(&m_safetyCopyMutex);
    return m_lastSafetyCopy;
}

#include "device/canopen/CANOpenAmplifier.h"

#include "protocol/Calibration.h"
#include "protocol/RegisterMap.h"

#include <QCoreApplication>
#include <QDebug>
#include <QThread>

#include <algorithm>
#include <numeric>
#include <stdexcept>

namespace {

constexpr int kSettleMs = 200;

// The unit selected for every CANopen amplifier at once.
QString *classUnit() {
    static QString unit = QStringLiteral("g");
    return &unit;
}

// How long a reading cycle waits for a lost adapter to come back: a local adapter or bus connects within
// milliseconds.
constexpr int kReopenWaitMs = 300;

QString describe(const SdoResult &result, uint8_t nodeId) {
    switch (result.status) {
    case SdoResult::Status::Abort:
        return sdo::abortText(result.abortCode);
    case SdoResult::Status::Unsupported:
        return QStringLiteral(
                   "the node offered a segmented transfer (command byte 0x%1), which is not supported")
            .arg(result.data.empty() ? 0 : result.data[0], 2, 16, QLatin1Char('0'));
    case SdoResult::Status::TimedOut:
        return QStringLiteral("no answer from node %1 within %2 s")
            .arg(nodeId)
            .arg(CanLink::replyTimeoutMs() / 1000.0);
    case SdoResult::Status::Cancelled:
        return QStringLiteral("request cancelled");
    case SdoResult::Status::Answer:
        break;
    }
    return QString();
}

bool refused(const SdoResult &result) {
    return result.status == SdoResult::Status::Abort || result.status == SdoResult::Status::Unsupported;
}

} // namespace

CANOpenAmplifier::CANOpenAmplifier(const QString &modelName, const QString &portName, int baudRate,
                                   uint8_t deviceId, CanLink *link, QObject *parent)
    : AmplifierBase(modelName, QStringLiteral("CANOpen"), parent)
    , m_link(link)
    , m_portName(portName)
    , m_baudRate(baudRate)
    , m_nodeId(deviceId)
    , m_unit(classUnit()) {}

CANOpenAmplifier::~CANOpenAmplifier() {
    stopContinuousADRead();
    releaseLink();
}

void CANOpenAmplifier::connect() {
    // A repeated connect counts this amplifier once; giving the link back first also lets it open its
    // device afresh when it was lost (adapter unplugged, bus restarted).
    if (m_linkHeld) {
        m_link->release();
        m_linkHeld = false;
    }
    if (!m_link || !m_link->acquire()) {
        m_connected = false;
        emit connectionFailed(QStringLiteral("CAN initialization failed"));
        return;
    }
    m_linkHeld = true;
    const SdoResult handshake = exchange(sdo::adValueRequest());
    if (handshake.status != SdoResult::Status::Answer || handshake.data.empty()) {
        // The cause once, in the failure itself: that is what the screens and the command line show.
        const QString cause = describe(handshake, getDeviceId());
        emit connectionFailed(
            QStringLiteral("Handshake failed: %1.")
                .arg(cause.isEmpty() ? QStringLiteral("the answer carried no value") : cause));
        return;
    }
    m_connected = true;
    emit connectionSuccessful();
}

void CANOpenAmplifier::disconnect() {
    stopContinuousADRead();
    releaseLink();
}

void CANOpenAmplifier::releaseLink() {
    if (m_linkHeld)
        m_link->release();
    m_linkHeld = false;
    // Without the channel nothing can reach the node any more.
    m_connected = false;
}

void CANOpenAmplifier::sendCommand(std::vector<uint8_t> message) {
    sendFrame(message);
}

std::vector<uint8_t> CANOpenAmplifier::sendCommandWithResponse(std::vector<uint8_t> message) {
    if (message.size() > static_cast<size_t>(sdo::kFrameLength)) {
        sendFrame(message); // logs the refusal
        return {};
    }
    const SdoResult result = exchange(message);
    if (refused(result))
        qWarning().noquote() << "❌ CANopen node" << getDeviceId()
                             << "refused the request:" << describe(result, getDeviceId());
    return result.data;
}

void CANOpenAmplifier::calibrate(const QString &, double) {}

void CANOpenAmplifier::startContinuousADRead(int intervalMs) {
    startReading(ReadKind::AdValue, intervalMs);
}

void CANOpenAmplifier::startContinuousMeasuringValueRead(int intervalMs) {
    startReading(ReadKind::MeasuringValue, intervalMs);
}

void CANOpenAmplifier::startReading(ReadKind kind, int intervalMs) {
    if (m_worker.isRunning())
        return;
    if (!m_connected) {
        emit readErrorOccurred(
            kind == ReadKind::AdValue
                ? QStringLiteral("Amplifier is not connected. Cannot start AD reading.")
                : QStringLiteral("Amplifier is not connected. Cannot start measuring value read."));
        return;
    }
    m_noise.clear();
    m_worker.start([this, kind] { return readCycle(kind); }, intervalMs,
                   [this](const QString &error) { emit readErrorOccurred(error); });
}

void CANOpenAmplifier::stopContinuousADRead() {
    // A worker waiting for a reply would otherwise see the stop only at the reply time-out.
    m_stopping = true;
    if (m_link)
        m_link->wake(m_nodeId.load());
    m_worker.stop();
    m_stopping = false;
}

ReadingWorker::Outcome CANOpenAmplifier::readCycle(ReadKind kind) {
    // The adapter was lost (unplugged, bus restarted): try to open it afresh, so that the node is read
    // again as soon as it is back, without a new connect. A short wait: a stop waits for this cycle.
    if (m_link->lost())
        m_link->reopenIfLost(kReopenWaitMs);
    try {
        const sdo::Bytes request =
            kind == ReadKind::AdValue ? sdo::adValueRequest() : sdo::measuringValueRequest();
        const SdoResult result = m_link->request(
            m_nodeId.load(), request, [this] { return m_worker.readingFlag().load() && !m_stopping.load(); });
        if (result.status == SdoResult::Status::Cancelled)
            return ReadingWorker::Outcome::Failed; // reading stops; nothing to report
        if (refused(result) || result.status == SdoResult::Status::TimedOut) {
            const QString what = describe(result, getDeviceId());
            m_worker.report(kind == ReadKind::AdValue
                                ? QStringLiteral("Error while reading AD value: %1").arg(what)
                                : QStringLiteral("Error while reading measuring value: %1").arg(what),
                            refused(result) ? QStringLiteral("refused: %1").arg(what) : QString());
            return ReadingWorker::Outcome::Failed;
        }
        if (result.data.size() < static_cast<size_t>(sdo::kFrameLength)) {
            m_worker.report(QStringLiteral("Invalid response size: expected at least 8 bytes."));
            return ReadingWorker::Outcome::Failed;
        }
        if (kind == ReadKind::AdValue) {
            m_noise.add(sdo::adValue(result.data));
            emit adValueReceived(sdo::adValue(result.data));
        } else {
            m_storedWeight.setIfChanged(static_cast<double>(sdo::measuringValue(result.data)));
            ++m_measuringCycles;
        }
        return ReadingWorker::Outcome::Reading;
    } catch (const std::exception &e) {
        const QString what = QString::fromUtf8(e.what());
        m_worker.report(kind == ReadKind::AdValue
                            ? QStringLiteral("Error while reading AD value: %1").arg(what)
                            : QStringLiteral("Error while reading measuring value: %1").arg(what));
        return ReadingWorker::Outcome::Failed;
    }
}

double CANOpenAmplifier::getMeasuredWeight() const {
    return weight::toDisplay(m_storedWeight.get(), m_unit.get());
}

void CANOpenAmplifier::allowCalibration() {
    reportingFailure([this] { writeConfirmed(sdo::calibrationUnlock()); });
}

void CANOpenAmplifier::writeConfirmed(const sdo::Bytes &frame) {
    const SdoResult result = exchange(frame);
    if (result.status == SdoResult::Status::Answer)
        return;
    throw std::runtime_error(QStringLiteral("Write to entry 0x%1:%2 not confirmed: %3.")
                                 .arg(frame[1] | frame[2] << 8, 4, 16, QLatin1Char('0'))
                                 .arg(frame[3], 2, 16, QLatin1Char('0'))
                                 .arg(describe(result, getDeviceId()))
                                 .toStdString());
}

void CANOpenAmplifier::writeEntry(uint16_t index, uint8_t subIndex, const sdo::Bytes &data) {
    writeConfirmed(sdo::writeRequest(index, subIndex, data));
}

bool CANOpenAmplifier::reportingFailure(const std::function<void()> &writes) {
    try {
        writes();
        return true;
    } catch (const std::exception &e) {
        // It must not escape into the caller (QML).
        const QString why = QString::fromUtf8(e.what());
        qWarning().noquote() << "❌" << why;
        emit readErrorOccurred(why);
        return false;
    }
}

bool CANOpenAmplifier::calibrationStep(const std::function<void()> &writes) {
    try {
        writes();
        return true;
    } catch (const std::exception &e) {
        emit calibrationFailed(QStringLiteral("Calibration failed: %1").arg(QString::fromUtf8(e.what())));
        return false;
    }
}

void CANOpenAmplifier::writeSDO(uint16_t index, uint8_t subIndex, std::vector<uint8_t> data) {
    reportingFailure([&] { writeEntry(index, subIndex, data); });
}

void CANOpenAmplifier::calibrateZero() {
    if (!m_connected)
        return;
    // The page's calibration starts here: the copy is of the calibration it replaces.
    if (const QString why = safetyCopyBefore(QStringLiteral("calibrate")); !why.isEmpty()) {
        emit calibrationFailed(QStringLiteral("Calibration failed: %1").arg(why));
        return;
    }
    calibrationStep([this] {
        writeConfirmed(sdo::calibrationUnlock());
        writeEntry(sdo::kCalibrationZeroIndex, 0, sdo::littleEndian32(0));
    });
}

void CANOpenAmplifier::calibrateSpan(uint32_t spanValue) {
    if (!m_connected)
        return;
    const QString refusal = calibration::spanWeightRefusal(spanValue);
    if (!refusal.isEmpty()) {
        emit calibrationFailed(refusal);
        return;
    }
    calibrationStep([this, spanValue] {
        writeConfirmed(sdo::calibrationUnlock());
        writeEntry(sdo::kCalibrationSpanIndex, 0, sdo::littleEndian32(calibration::hundredths(spanValue)));
    });
}

void CANOpenAmplifier::finalizeCalibration(uint32_t pointCount) {
    if (!m_connected)
        return;
    calibrationStep([this, pointCount] {
        writeConfirmed(sdo::calibrationUnlock());
        writeEntry(sdo::kCalibrationWeightIndex, 0, sdo::littleEndian32(pointCount));
    });
}

void CANOpenAmplifier::calibrateTwoPoints(uint32_t zeroValue, uint32_t spanValue, uint32_t spanWeight) {
    const QString command = QStringLiteral("calibrate");
    if (!m_connected) {
        const QString why = QStringLiteral("Amplifier is not connected.");
        emit calibrationFailed(why);
        emit commandFinished(command, false, why);
        return;
    }
    const QString refusal = calibration::refusal({zeroValue, spanValue}, {0, spanWeight});
    if (!refusal.isEmpty()) {
        emit calibrationFailed(refusal);
        emit commandFinished(command, false, refusal + QStringLiteral(" Nothing was written."));
        return;
    }
    if (const QString why = safetyCopyBefore(command); !why.isEmpty()) {
        const QString message = QStringLiteral("Calibration failed: %1").arg(why);
        emit calibrationFailed(message);
        emit commandFinished(command, false, message);
        return;
    }
    // The point count last: writing it makes the node take the new calibration.
    const QString failure = writeUnlocked({{sdo::kCalibrationZeroIndex, 0, 4},
                                           {sdo::kCalibrationSpanIndex, 0, 4},
                                           {sdo::kCalibrationWeightIndex, 0, 4},
                                           {sdo::kCalibrationPointsIndex, 0, 4}},
                                          {zeroValue, spanValue, calibration::hundredths(spanWeight), 2},
                                          QStringLiteral("the previous calibration was"));
    if (!failure.isEmpty()) {
        const QString message = QStringLiteral("Calibration failed: %1").arg(failure);
        emit calibrationFailed(message);
        emit commandFinished(command, false, message);
        return;
    }
    emit calibrationSuccessful();
    emit commandFinished(command, true, QStringLiteral("Calibration written and read back."));
}

QString CANOpenAmplifier::calibrationWarning(const QList<uint32_t> &adValues) const {
    return calibration::closeAdWarning(adValues, m_noise.peakToPeak());
}

std::optional<uint32_t> CANOpenAmplifier::readEntry(const Entry &entry, QString *cause) {
    const SdoResult result = exchange(sdo::readRequest(entry.index, entry.subIndex));
    if (result.status != SdoResult::Status::Answer) {
        *cause = describe(result, getDeviceId());
        return std::nullopt;
    }
    if (result.data.size() < static_cast<size_t>(sdo::kFrameLength)) {
        *cause = QStringLiteral("a short answer");
        return std::nullopt;
    }
    const uint32_t value = sdo::value32(result.data);
    return entry.width >= 4 ? value : value & ((1u << (8 * entry.width)) - 1u);
}

writetx::Access CANOpenAmplifier::entryAccess(std::vector<Entry> entries) {
    writetx::Access access;
    access.name = [entries](size_t i) {
        return QStringLiteral("0x%1:%2")
            .arg(QStringLiteral("%1").arg(entries[i].index, 4, 16, QLatin1Char('0')).toUpper())
            .arg(entries[i].subIndex, 2, 16, QLatin1Char('0'));
    };
    access.read = [this, entries](size_t i, QString *cause) {
        return readEntry(entries[i], cause);
    };
    access.write = [this, entries](size_t i, uint32_t value) -> std::optional<writetx::Failure> {
        const Entry &entry = entries[i];
        sdo::Bytes data = sdo::littleEndian32(value);
        data.resize(static_cast<size_t>(entry.width));
        const SdoResult result =
            exchange(entry.unsized ? sdo::writeUnsized(entry.index, entry.subIndex, value)
                                   : sdo::writeRequest(entry.index, entry.subIndex, data));
        if (result.status == SdoResult::Status::Answer)
            return std::nullopt;
        if (result.status == SdoResult::Status::Abort)
            return writetx::Failure{
                true, QStringLiteral("SDO abort 0x%1").arg(result.abortCode, 8, 16, QLatin1Char('0'))};
        return writetx::Failure{false, describe(result, getDeviceId())};
    };
    // Each calibration, zero or tare commit locks the node again.
    access.beforeRestore = [this] {
        writeConfirmed(sdo::calibrationUnlock());
    };
    return access;
}

QString CANOpenAmplifier::writeUnlocked(const std::vector<Entry> &entries,
                                        const std::vector<uint32_t> &values, const QString &previous) {
    try {
        writeConfirmed(sdo::calibrationUnlock());
    } catch (const std::exception &e) {
        return QStringLiteral("%1; nothing was written.").arg(QString::fromUtf8(e.what()).chopped(1));
    }
    const writetx::Outcome outcome = writetx::run(entryAccess(entries), values, previous);
    return outcome.ok ? QString() : outcome.message;
}

void CANOpenAmplifier::sendCommand(const QString &command) {
    const QByteArray utf8 = command.toUtf8();
    sendFrame(sdo::Bytes(utf8.begin(), utf8.end()));
}

uint8_t CANOpenAmplifier::getDeviceId() const {
    return m_nodeId.load();
}

QString CANOpenAmplifier::getLinkDescription() const {
    return QStringLiteral("CANopen #%1").arg(getDeviceId());
}

void CANOpenAmplifier::setDeviceId(uint8_t id) {
    m_nodeId.store(id);
}

bool CANOpenAmplifier::isConnected() const {
    return m_connected;
}

std::pair<uint32_t, std::vector<uint8_t>> CANOpenAmplifier::ProcessMessageCan(TPCANMsg msg,
                                                                              TPCANTimestamp) const {
    const int length = std::min<int>(msg.LEN, sdo::kFrameLength);
    return {msg.ID, std::vector<uint8_t>(msg.DATA, msg.DATA + length)};
}

void CANOpenAmplifier::setMeasuredWeight(double weight) {
    m_storedWeight.setIfChanged(weight);
}

void CANOpenAmplifier::writeSetting(const char *settingName, double value) {
    const regmap::Setting &setting = regmap::named(settingName);
    sdo::Bytes data = sdo::littleEndian32(regmap::clamped(setting, regmap::Family::CanOpen, value));
    data.resize(static_cast<size_t>(setting.width));
    reportingFailure([&] { writeEntry(setting.index, setting.subIndex, data); });
}

void CANOpenAmplifier::setStabilityBandwidth(double bandwidth) {
    writeSetting("stabilityBandwidth", bandwidth);
}

writetx::Access CANOpenAmplifier::filterAccess(const std::vector<size_t> &rows) {
    const std::vector<const regmap::Setting *> held = regmap::settingsOf(regmap::Family::CanOpen);
    std::vector<Entry> entries;
    for (const size_t row : rows)
        entries.push_back({held[row]->index, held[row]->subIndex, held[row]->width});
    return entryAccess(entries);
}

QVariantMap CANOpenAmplifier::readFilterSettings() {
    std::vector<size_t> all(regmap::settingsOf(regmap::Family::CanOpen).size());
    std::iota(all.begin(), all.end(), size_t{0});
    return writetx::readSettings(writetx::settingTable(regmap::Family::CanOpen), filterAccess(all));
}

void CANOpenAmplifier::writeFilterSettings(const QVariantMap &settings) {
    const writetx::Outcome outcome =
        writetx::writeSettings(settings, writetx::settingTable(regmap::Family::CanOpen),
                               [this](const std::vector<size_t> &rows) { return filterAccess(rows); });
    emit commandFinished(QStringLiteral("filters"), outcome.ok, outcome.message);
}

writetx::Access CANOpenAmplifier::storedValueAccess(const std::vector<regmap::StoredValue> &values) {
    std::vector<Entry> entries;
    for (const regmap::StoredValue &value : values)
        entries.push_back({value.index, value.subIndex, value.width});
    writetx::Access access = entryAccess(entries);
    // The node takes a calibration entry only while unlocked, and its point count locks it again.
    access.write = [this, values, write = access.write](size_t i, uint32_t value) {
        if (values[i].isCalibration()) {
            const SdoResult unlocked = exchange(sdo::calibrationUnlock());
            if (unlocked.status != SdoResult::Status::Answer)
                return std::optional<writetx::Failure>(
                    writetx::Failure{refused(unlocked), QStringLiteral("the calibration unlock failed: %1")
                                                            .arg(describe(unlocked, getDeviceId()))});
        }
        return write(i, value);
    };
    return access;
}

void CANOpenAmplifier::reportFailed(const QString &command, const QString &message) {
    emit readErrorOccurred(message);
    emit commandFinished(command, false, message);
}

bool CANOpenAmplifier::switchZeroPoint(const QString &command, const QString &failed, uint32_t zeroPoint,
                                       bool on) {
    const QString failure = writeUnlocked(
        {{sdo::kZeroPointIndex, 0, 4, true}, {sdo::kControlIndex, sdo::kTareSwitchSubIndex, 1}},
        {zeroPoint, on ? 1u : 0u}, QStringLiteral("the previous zero point and tare switch were"));
    if (failure.isEmpty())
        return true;
    reportFailed(command, failed.arg(failure));
    return false;
}

void CANOpenAmplifier::zero() {
    const QString command = QStringLiteral("zero");
    if (!m_connected) {
        reportFailed(command, QStringLiteral("CANopen Amplifier is not connected. Cannot perform zero."));
        return;
    }
    // Zero point 0 with the switch on: the node takes the present load as zero.
    if (!switchZeroPoint(command, QStringLiteral("Zero failed: %1"), 0, true))
        return;
    m_tareActive = false;
    QThread::msleep(kSettleMs);
    exchange(sdo::measuringValueRequest());
    emit commandFinished(command, true, QStringLiteral("Zero done: written and read back."));
}

void CANOpenAmplifier::tare() {
    const QString command = QStringLiteral("tare");
    if (!m_connected) {
        reportFailed(command, QStringLiteral("CANopen Amplifier is not connected. Cannot perform tare."));
        return;
    }
    const bool on = !m_tareActive;
    uint32_t tareValue = m_tareValue;
    if (on) {
        const SdoResult reading = exchange(sdo::measuringValueRequest());
        if (reading.status != SdoResult::Status::Answer ||
            reading.data.size() < static_cast<size_t>(sdo::kFrameLength)) {
            if (reading.status != SdoResult::Status::Answer)
                qWarning().noquote() << "❌ Tare read of node" << getDeviceId()
                                     << "failed:" << describe(reading, getDeviceId());
            const QString why = QStringLiteral("Failed to read measurement value for tare.");
            emit readErrorOccurred(why);
            emit commandFinished(command, false,
                                 why + QStringLiteral(" Nothing was written; the tare is still off."));
            return;
        }
        tareValue = sdo::value32(reading.data);
    }
    // The tare state follows the node: it changes only once the switch was written and read back.
    if (!switchZeroPoint(command, QStringLiteral("Tare failed: %1"), tareValue, on))
        return;
    m_tareValue = tareValue;
    m_tareActive = on;
    if (on) {
        QThread::msleep(kSettleMs);
        exchange(sdo::measuringValueRequest());
    }
    emit commandFinished(command, true, on ? QStringLiteral("Tare on.") : QStringLiteral("Tare off."));
}

void CANOpenAmplifier::setUnit(const QString &unit) {
    m_unit.set(unit);
}

bool CANOpenAmplifier::sendFrame(const sdo::Bytes &bytes) {
    if (bytes.size() > static_cast<size_t>(sdo::kFrameLength)) {
        qWarning().noquote() << "❌ CAN frame refused:" << bytes.size() << "bytes (a frame holds at most 8)";
        return false;
    }
    if (m_link)
        m_link->send(m_nodeId.load(), bytes);
    return true;
}

SdoResult CANOpenAmplifier::exchange(const sdo::Bytes &request) {
    return m_link ? m_link->request(m_nodeId.load(), request) : SdoResult();
}

LinkWatch *CANOpenAmplifier::linkWatch() const {
    return m_link ? &m_link->watch() : nullptr;
}

namespace {

QString entryText(uint16_t index, uint8_t subIndex) {
    return QStringLiteral("0x%1:%2")
        .arg(index, 4, 16, QLatin1Char('0'))
        .arg(subIndex, 2, 16, QLatin1Char('0'))
        .toUpper()
        .replace(QLatin1String("0X"), QLatin1String("0x"));
}

// The bytes an expedited upload reply with its size indicated carries; 4 when it does not say.
int replyWidth(const sdo::Bytes &reply) {
    return (reply[0] & 0x01) ? 4 - ((reply[0] >> 2) & 0x03) : 4;
}

} // namespace

AmplifierBase::RawResult CANOpenAmplifier::rawRead(uint16_t index, uint8_t subIndex) {
    RawResult result;
    if (!m_link || m_link->lost() || m_link->users() == 0) {
        result.outcome = RawResult::Outcome::LinkLost;
        result.error = QCoreApplication::translate("rawaccess", "The CAN adapter is not open.");
        return result;
    }
    const SdoResult reply = exchange(sdo::readRequest(index, subIndex));
    switch (reply.status) {
    case SdoResult::Status::Answer:
        if (reply.data.size() == static_cast<size_t>(sdo::kFrameLength)) {
            const int width = replyWidth(reply.data);
            const uint32_t value = sdo::value32(reply.data);
            result.value = width >= 4 ? value : value & ((1u << (8 * width)) - 1u);
            result.outcome = RawResult::Outcome::Ok;
            return result;
        }
        result.outcome = RawResult::Outcome::BadAnswer;
        break;
    case SdoResult::Status::Abort:
        result.outcome = RawResult::Outcome::Refused;
        result.code = reply.abortCode;
        break;
    case SdoResult::Status::Unsupported:
        result.outcome = RawResult::Outcome::BadAnswer;
        break;
    case SdoResult::Status::TimedOut:
        result.outcome = RawResult::Outcome::NoAnswer;
        break;
    case SdoResult::Status::Cancelled:
        result.outcome = RawResult::Outcome::LinkLost;
        break;
    }
    const QString why =
        result.outcome == RawResult::Outcome::BadAnswer && reply.status == SdoResult::Status::Answer
            ? QStringLiteral("a short answer")
            : describe(reply, getDeviceId());
    result.error = QCoreApplication::translate("rawaccess", "Read of entry %1 failed: %2.")
                       .arg(entryText(index, subIndex), why);
    return result;
}

AmplifierBase::RawResult CANOpenAmplifier::rawWrite(uint16_t index, uint8_t subIndex, uint32_t value) {
    // The entry's width: the register map's where it knows the entry, else what the node says it holds.
    int width = 0;
    for (const regmap::Setting &setting : regmap::settings())
        if (setting.index == index && setting.subIndex == subIndex)
            width = setting.width;
    if (width == 0) {
        const SdoResult before = m_link ? exchange(sdo::readRequest(index, subIndex)) : SdoResult();
        width = before.status == SdoResult::Status::Answer && before.data.size() == 8
                    ? replyWidth(before.data)
                    : 4;
    }
    if (width < 4 && value >= (1u << (8 * width))) {
        RawResult refused;
        refused.outcome = RawResult::Outcome::NotApplied;
        refused.error = QCoreApplication::translate(
                            "rawaccess", "Entry %1 holds %2 bytes: %3 does not fit; nothing was written.")
                            .arg(entryText(index, subIndex))
                            .arg(width)
                            .arg(value);
        return refused;
    }
    const sdo::Bytes all = sdo::littleEndian32(value);
    const SdoResult written =
        m_link ? exchange(sdo::writeRequest(index, subIndex, sdo::Bytes(all.begin(), all.begin() + width)))
               : SdoResult();
    if (written.status != SdoResult::Status::Answer) {
        RawResult result = rawRead(index, subIndex);
        const QString now =
            result.ok()
                ? QCoreApplication::translate("rawaccess", "it holds %1.").arg(result.value)
                : QCoreApplication::translate("rawaccess", "what it holds is unknown (%1)").arg(result.error);
        result.outcome = written.status == SdoResult::Status::Abort       ? RawResult::Outcome::Refused
                         : written.status == SdoResult::Status::TimedOut  ? RawResult::Outcome::NoAnswer
                         : written.status == SdoResult::Status::Cancelled ? RawResult::Outcome::LinkLost
                                                                          : RawResult::Outcome::BadAnswer;
        result.code = written.abortCode;
        result.error = QCoreApplication::translate("rawaccess", "Write to entry %1 not confirmed: %2; %3")
                           .arg(entryText(index, subIndex), describe(written, getDeviceId()), now);
        return result;
    }
    RawResult result = rawRead(index, subIndex);
    if (!result.ok())
        result.error = QCoreApplication::translate(
                           "rawaccess", "Write to entry %1 confirmed, but the read-back failed: %2")
                           .arg(entryText(index, subIndex), result.error);
    else if (result.value != value) {
        result.outcome = RawResult::Outcome::NotApplied;
        result.error = QCoreApplication::translate(
                           "rawaccess", "Write to entry %1 confirmed, but it reads back %2, not %3.")
                           .arg(entryText(index, subIndex))
                           .arg(result.value)
                           .arg(value);
    }
    return result;
}

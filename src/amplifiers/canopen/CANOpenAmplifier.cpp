#include "amplifiers/canopen/CANOpenAmplifier.h"

#include "amplifiers/Calibration.h"

#include <QDebug>
#include <QThread>

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
            .arg(sdoexchange::kReplyTimeoutMs / 1000);
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
                                   uint8_t deviceId, QObject *parent)
    : QObject(parent)
    , AmplifierBase(modelName, QStringLiteral("CANOpen"))
    , m_portName(portName)
    , m_baudRate(baudRate)
    , m_nodeId(deviceId)
    , m_unit(classUnit()) {}

CANOpenAmplifier::~CANOpenAmplifier() {
    stopContinuousADRead();
    releaseChannel();
}

void CANOpenAmplifier::connect() {
    // A repeated connect counts this amplifier once; giving the channel back first also lets the adapter
    // open its device afresh when it was lost (adapter unplugged, bus restarted).
    if (m_channelHeld) {
        CAN_Uninitialize(PCAN_NONEBUS);
        m_channelHeld = false;
    }
    if (CAN_Initialize(m_channel, PCAN_BAUD_1M, 0, 0, 0) != PCAN_ERROR_OK) {
        m_connected = false;
        emit connectionFailed(QStringLiteral("CAN initialization failed"));
        return;
    }
    m_channelHeld = true;
    const SdoResult handshake = exchange(sdo::adValueRequest());
    if (handshake.status != SdoResult::Status::Answer || handshake.data.empty()) {
        // One report, with its cause: the signal is what callers show.
        emit connectionFailed(QStringLiteral("Handshake failed: %1").arg(describe(handshake, getDeviceId())));
        return;
    }
    m_connected = true;
    emit connectionSuccessful();
}

void CANOpenAmplifier::disconnect() {
    stopContinuousADRead();
    releaseChannel();
}

void CANOpenAmplifier::releaseChannel() {
    if (m_channelHeld)
        CAN_Uninitialize(PCAN_NONEBUS);
    m_channelHeld = false;
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
    m_worker.start([this, kind] { return readCycle(kind); }, intervalMs,
                   [this](const QString &error) { emit readErrorOccurred(error); });
}

void CANOpenAmplifier::stopContinuousADRead() {
    m_worker.stop();
}

ReadingWorker::Outcome CANOpenAmplifier::readCycle(ReadKind kind) {
    // The adapter was lost (unplugged, bus restarted): try to open it afresh, so that the node is read
    // again as soon as it is back, without a new connect. A short wait: a stop waits for this cycle.
    if (canadapter::channelLost())
        canadapter::reopenIfLost(kReopenWaitMs);
    try {
        const sdo::Bytes request =
            kind == ReadKind::AdValue ? sdo::adValueRequest() : sdo::measuringValueRequest();
        const SdoResult result =
            sdoexchange::request(m_channel, m_nodeId.load(), request, &m_worker.readingFlag());
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
        if (kind == ReadKind::AdValue)
            emit adValueReceived(sdo::adValue(result.data));
        else {
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
    if (!m_connected) {
        emit calibrationFailed(QStringLiteral("Amplifier is not connected."));
        return;
    }
    const QString refusal = calibration::refusal({zeroValue, spanValue}, {0, spanWeight});
    if (!refusal.isEmpty()) {
        emit calibrationFailed(refusal);
        return;
    }
    const bool written = calibrationStep([&] {
        writeConfirmed(sdo::calibrationUnlock());
        writeEntry(sdo::kCalibrationZeroIndex, 0, sdo::littleEndian32(zeroValue));
        writeEntry(sdo::kCalibrationSpanIndex, 0, sdo::littleEndian32(spanValue));
        writeEntry(sdo::kCalibrationWeightIndex, 0, sdo::littleEndian32(calibration::hundredths(spanWeight)));
        writeEntry(sdo::kCalibrationPointsIndex, 0, sdo::littleEndian32(2));
    });
    if (written)
        emit calibrationSuccessful();
}

void CANOpenAmplifier::sendCommand(const QString &command) {
    const QByteArray utf8 = command.toUtf8();
    sendFrame(sdo::Bytes(utf8.begin(), utf8.end()));
}

uint8_t CANOpenAmplifier::getDeviceId() const {
    return m_nodeId.load();
}

void CANOpenAmplifier::setDeviceId(uint8_t id) {
    m_nodeId.store(id);
}

bool CANOpenAmplifier::isConnected() {
    return m_connected;
}

std::pair<uint32_t, std::vector<uint8_t>> CANOpenAmplifier::ProcessMessageCan(TPCANMsg msg,
                                                                              TPCANTimestamp) const {
    return sdo::splitMessage(msg);
}

void CANOpenAmplifier::setMeasuredWeight(double weight) {
    m_storedWeight.setIfChanged(weight);
}

QString CANOpenAmplifier::getName() const {
    return AmplifierBase::getName();
}

void CANOpenAmplifier::setName(const QString &newName) {
    AmplifierBase::setName(newName);
}

void CANOpenAmplifier::setFIRFiltering(bool enable) {
    reportingFailure([&] { writeEntry(sdo::kFirFilterIndex, 0, {static_cast<uint8_t>(enable ? 1 : 0)}); });
}

void CANOpenAmplifier::setFilteringLevel(uint8_t level) {
    reportingFailure([&] {
        writeEntry(sdo::kFilterLevelIndex, 0, {static_cast<uint8_t>(level >= 1 && level <= 5 ? level : 1)});
    });
}

void CANOpenAmplifier::setFilteringBandwidth(uint32_t bandwidth) {
    reportingFailure([&] { writeEntry(sdo::kFilterBandwidthIndex, 0, sdo::littleEndian32(bandwidth)); });
}

void CANOpenAmplifier::setAutoZeroTrackingTime(uint16_t timeMs) {
    reportingFailure([&] {
        writeEntry(sdo::kAutoZeroTimeIndex, 0,
                   {static_cast<uint8_t>(timeMs & 0xFF), static_cast<uint8_t>((timeMs >> 8) & 0xFF)});
    });
}

void CANOpenAmplifier::setAutoZeroTrackingBandwidth(uint32_t bandwidth) {
    reportingFailure([&] { writeEntry(sdo::kAutoZeroBandwidthIndex, 0, sdo::littleEndian32(bandwidth)); });
}

void CANOpenAmplifier::setStabilityDeterminationTime(uint32_t time) {
    reportingFailure([&] { writeEntry(sdo::kStabilityTimeIndex, 0, sdo::littleEndian32(time)); });
}

void CANOpenAmplifier::setZeroPoint(uint32_t zeroPoint) {
    reportingFailure([&] { writeEntry(sdo::kZeroPointIndex, 0, sdo::littleEndian32(zeroPoint)); });
}

void CANOpenAmplifier::setStabilityBandwidth(uint32_t bandwidth) {
    reportingFailure([&] { writeEntry(sdo::kStabilityBandwidthIndex, 0, sdo::littleEndian32(bandwidth)); });
}

void CANOpenAmplifier::zero() {
    if (!m_connected) {
        emit readErrorOccurred(QStringLiteral("CANopen Amplifier is not connected. Cannot perform zero."));
        return;
    }
    const bool written = reportingFailure([this] {
        writeConfirmed(sdo::calibrationUnlock());
        writeConfirmed(sdo::zeroPointCleared());
        writeConfirmed(sdo::tareSwitch(true));
    });
    if (!written)
        return;
    QThread::msleep(kSettleMs);
    exchange(sdo::measuringValueRequest());
}

void CANOpenAmplifier::tare() {
    if (!m_connected) {
        emit readErrorOccurred(QStringLiteral("CANopen Amplifier is not connected. Cannot perform tare."));
        return;
    }
    // The tare state follows the node: it changes only once the switch was acknowledged.
    if (!m_tareActive) {
        if (!reportingFailure([this] { writeConfirmed(sdo::calibrationUnlock()); }))
            return;
        const SdoResult reading = exchange(sdo::measuringValueRequest());
        if (reading.status != SdoResult::Status::Answer ||
            reading.data.size() < static_cast<size_t>(sdo::kFrameLength)) {
            if (reading.status != SdoResult::Status::Answer)
                qWarning().noquote() << "❌ Tare read of node" << getDeviceId()
                                     << "failed:" << describe(reading, getDeviceId());
            emit readErrorOccurred(QStringLiteral("Failed to read measurement value for tare."));
            return;
        }
        const uint32_t tareValue = sdo::value32(reading.data);
        const bool applied = reportingFailure([&] {
            writeConfirmed(sdo::zeroPointSet(tareValue));
            writeConfirmed(sdo::tareSwitch(true));
        });
        if (!applied)
            return;
        m_tareValue = tareValue;
        m_tareActive = true;
        QThread::msleep(kSettleMs);
        exchange(sdo::measuringValueRequest());
    } else {
        const bool removed = reportingFailure([this] {
            writeConfirmed(sdo::calibrationUnlock());
            writeConfirmed(sdo::zeroPointSet(m_tareValue));
            writeConfirmed(sdo::tareSwitch(false));
        });
        if (removed)
            m_tareActive = false;
    }
}

void CANOpenAmplifier::setUnit(const QString &unit) {
    m_unit.set(unit);
}

bool CANOpenAmplifier::sendFrame(const sdo::Bytes &bytes) {
    if (bytes.size() > static_cast<size_t>(sdo::kFrameLength)) {
        qWarning().noquote() << "❌ CAN frame refused:" << bytes.size() << "bytes (a frame holds at most 8)";
        return false;
    }
    sdoexchange::send(m_channel, m_nodeId.load(), bytes);
    return true;
}

SdoResult CANOpenAmplifier::exchange(const sdo::Bytes &request) {
    return sdoexchange::request(m_channel, m_nodeId.load(), request);
}

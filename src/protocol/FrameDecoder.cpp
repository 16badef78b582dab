#include "protocol/FrameDecoder.h"

#include "protocol/ModbusFrames.h"
#include "protocol/RegisterMap.h"
#include "protocol/SdoFrames.h"

#include <QCoreApplication>

namespace frames {

namespace {

uint16_t word(const uint8_t *bytes, size_t at) {
    return static_cast<uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

bool crcOk(const uint8_t *bytes, size_t size) {
    if (size < 4)
        return false;
    return modbus::crc16(bytes, size - 2) == (bytes[size - 2] | (bytes[size - 1] << 8));
}

QString hex4(int value) {
    return QStringLiteral("0x%1")
        .arg(value, 4, 16, QLatin1Char('0'))
        .toUpper()
        .replace(QLatin1String("0X"), QLatin1String("0x"));
}

uint32_t littleEndian(const uint8_t *bytes, int width) {
    uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | bytes[4 + i];
    return value;
}

Decoded decodeModbus(Direction direction, const uint8_t *bytes, size_t size, int requestTarget) {
    Decoded d;
    d.hex = hex(bytes, size);
    // A frame whose checksum fails says nothing reliable: no field of it is shown as fact.
    if (!crcOk(bytes, size))
        return d;
    const uint8_t function = bytes[1];
    if (direction == Direction::Request) {
        if (function == modbus::kReadFunction && size == modbus::kReadRequestSize) {
            d.function = QStringLiteral(QT_TRANSLATE_NOOP("frames", "read"));
            d.target = word(bytes, 2);
            d.count = word(bytes, 4);
        } else if (function == modbus::kWriteFunction && size == modbus::kWriteRequestSize && bytes[6] == 4) {
            d.function = QStringLiteral(QT_TRANSLATE_NOOP("frames", "write"));
            d.target = word(bytes, 2);
            d.count = word(bytes, 4);
            d.value = QString::number((uint32_t{word(bytes, 7)} << 16) | word(bytes, 9));
        } else {
            return d;
        }
    } else if ((function & modbus::kExceptionFlag) && size == modbus::kExceptionAnswerSize) {
        d.function = QStringLiteral(QT_TRANSLATE_NOOP("frames", "exception"));
        const char *meaning = modbus::exceptionMeaning(bytes[2]);
        d.value = *meaning ? QStringLiteral("%1 (%2)").arg(bytes[2]).arg(QLatin1String(meaning))
                           : QString::number(bytes[2]);
    } else if (function == modbus::kReadFunction && size == modbus::kReadAnswerSize && bytes[2] == 4) {
        d.function = QStringLiteral(QT_TRANSLATE_NOOP("frames", "read"));
        d.target = requestTarget;
        d.count = 2;
        d.value = QString::number((uint32_t{word(bytes, 3)} << 16) | word(bytes, 5));
    } else if (function == modbus::kWriteFunction && size == modbus::kWriteAnswerSize) {
        d.function = QStringLiteral(QT_TRANSLATE_NOOP("frames", "write"));
        d.target = word(bytes, 2);
        d.count = word(bytes, 4);
    } else {
        return d;
    }
    if (d.target >= 0)
        d.name = serialRegisterName(static_cast<uint16_t>(d.target));
    d.decoded = true;
    return d;
}

Decoded decodeSdo(Direction direction, const uint8_t *bytes, size_t size) {
    Decoded d;
    d.hex = hex(bytes, size);
    if (size != static_cast<size_t>(sdo::kFrameLength))
        return d;
    const uint8_t command = bytes[0];
    const int commandClass = command >> 5;
    d.target = bytes[1] | (bytes[2] << 8);
    d.subIndex = bytes[3];
    if (command == sdo::kAbort) {
        d.function = QStringLiteral(QT_TRANSLATE_NOOP("frames", "abort"));
        d.value = sdo::abortText(littleEndian(bytes, 4));
    } else if (direction == Direction::Request && commandClass == 2 && command == sdo::kReadRequest) {
        d.function = QStringLiteral(QT_TRANSLATE_NOOP("frames", "upload"));
    } else if (direction == Direction::Request && commandClass == 1) {
        d.function = QStringLiteral(QT_TRANSLATE_NOOP("frames", "download"));
        // Expedited with the size indicated: 4 - n bytes unused (bits 2-3); unsized: all four.
        const int width = (command & 0x01) ? 4 - ((command >> 2) & 0x03) : 4;
        if (!(command & 0x02))
            return d;
        d.value = QString::number(littleEndian(bytes, width));
    } else if (direction == Direction::Answer && commandClass == 2) {
        d.function = QStringLiteral(QT_TRANSLATE_NOOP("frames", "upload"));
        if (command & 0x02) {
            const int width = (command & 0x01) ? 4 - ((command >> 2) & 0x03) : 4;
            d.value = QString::number(littleEndian(bytes, width));
        } else {
            // Segmented: the bytes give the size of data that would follow, not a value.
            d.function = QStringLiteral(QT_TRANSLATE_NOOP("frames", "upload, segmented"));
        }
    } else if (direction == Direction::Answer && command == sdo::kWriteAcknowledge) {
        d.function = QStringLiteral(QT_TRANSLATE_NOOP("frames", "download acknowledged"));
    } else {
        d.target = d.subIndex = -1;
        return d;
    }
    d.name = canOpenEntryName(static_cast<uint16_t>(d.target), static_cast<uint8_t>(d.subIndex));
    d.decoded = true;
    return d;
}

} // namespace

const char *verdictKey(Verdict verdict) {
    switch (verdict) {
    case Verdict::Ok:
        return QT_TRANSLATE_NOOP("frames", "ok");
    case Verdict::TimedOut:
        return QT_TRANSLATE_NOOP("frames", "time-out");
    case Verdict::BadCrc:
        return QT_TRANSLATE_NOOP("frames", "bad CRC");
    case Verdict::OtherId:
        return QT_TRANSLATE_NOOP("frames", "other id");
    case Verdict::Refused:
        return QT_TRANSLATE_NOOP("frames", "refused");
    case Verdict::Late:
        return QT_TRANSLATE_NOOP("frames", "late");
    case Verdict::Duplicate:
        return QT_TRANSLATE_NOOP("frames", "duplicate");
    case Verdict::Garbage:
        return QT_TRANSLATE_NOOP("frames", "garbage");
    case Verdict::Incomplete:
        return QT_TRANSLATE_NOOP("frames", "incomplete");
    case Verdict::Unsupported:
        return QT_TRANSLATE_NOOP("frames", "unsupported");
    case Verdict::Count:
        break;
    }
    return "?";
}

Judgement judgeModbus(const std::vector<uint8_t> &request, const std::vector<uint8_t> &answer) {
    Judgement j;
    if (answer.empty() || request.size() < 4)
        return j;
    const uint8_t address = request[0];
    const modbus::Answer decoded = request[1] == modbus::kWriteFunction
                                       ? modbus::decodeWriteAnswer(answer, address, word(request.data(), 2))
                                       : modbus::decodeReadAnswer(answer, address);
    // Starts as an answer to this request would: the request's address, its function or its exception.
    const bool startsRight = answer.size() >= 2 && answer[0] == address &&
                             (answer[1] == request[1] || answer[1] == (request[1] | modbus::kExceptionFlag));
    switch (decoded.fault) {
    case modbus::AnswerFault::Ok:
        j.verdict = Verdict::Ok;
        break;
    case modbus::AnswerFault::Exception:
        j.verdict = Verdict::Refused;
        j.code = decoded.exceptionCode;
        break;
    case modbus::AnswerFault::WrongAddress:
        j.verdict = Verdict::OtherId;
        j.otherAddress = decoded.receivedAddress;
        break;
    case modbus::AnswerFault::BadCrc:
        j.verdict = startsRight ? Verdict::BadCrc : Verdict::Garbage;
        break;
    case modbus::AnswerFault::WrongLength:
        if (crcOk(answer.data(), answer.size()) && answer[0] != address) {
            j.verdict = Verdict::OtherId;
            j.otherAddress = answer[0];
        } else {
            j.verdict =
                startsRight && answer.size() < decoded.expectedSize ? Verdict::Incomplete : Verdict::Garbage;
        }
        break;
    default:
        j.verdict = Verdict::Garbage;
    }
    return j;
}

Judgement judgeSdo(const std::vector<uint8_t> &request, const std::vector<uint8_t> &reply) {
    Judgement j;
    if (reply.empty())
        return j;
    if (reply.size() != static_cast<size_t>(sdo::kFrameLength)) {
        j.verdict = Verdict::Garbage;
        return j;
    }
    switch (sdo::classifyReply(request, reply)) {
    case sdo::ReplyKind::Answer:
        j.verdict = Verdict::Ok;
        break;
    case sdo::ReplyKind::Abort:
        j.verdict = Verdict::Refused;
        j.code = sdo::abortCode(reply);
        break;
    case sdo::ReplyKind::Unsupported:
        j.verdict = Verdict::Unsupported;
        break;
    case sdo::ReplyKind::Stale:
        j.verdict = Verdict::Late;
        break;
    }
    return j;
}

QString Decoded::summary() const {
    if (!decoded)
        return hex;
    // The function word is prose around the register and the values, which stay as other tools show them.
    QString text = QCoreApplication::translate("frames", function.toUtf8().constData());
    if (target >= 0)
        text += QLatin1Char(' ') + hex4(target);
    if (subIndex >= 0)
        text += QStringLiteral(":%1").arg(subIndex, 2, 16, QLatin1Char('0')).toUpper();
    if (!name.isEmpty())
        text += QStringLiteral(" (%1)").arg(name);
    if (count >= 0)
        text += QStringLiteral(" x%1").arg(count);
    if (!value.isEmpty())
        text += (function == QLatin1String("exception") || function == QLatin1String("abort")
                     ? QStringLiteral(" ")
                     : QStringLiteral(" = ")) +
                value;
    return text;
}

Decoded decode(Protocol protocol, Direction direction, const uint8_t *bytes, size_t size, int requestTarget) {
    return protocol == Protocol::Modbus ? decodeModbus(direction, bytes, size, requestTarget)
                                        : decodeSdo(direction, bytes, size);
}

QString serialRegisterName(uint16_t reg) {
    for (const regmap::Setting &setting : regmap::settings())
        if (setting.reg != 0 && setting.reg == reg)
            return QLatin1String(setting.name);
    switch (reg) {
    case regmap::kMeasuringValueRegister:
        return QStringLiteral("measuringValue");
    case regmap::kZeroOffsetRegister:
        return QStringLiteral("zeroOffset");
    case regmap::kPointCountRegister:
        return QStringLiteral("pointCount");
    case modbus::kAdRegister:
        return QStringLiteral("adValue");
    default:
        break;
    }
    if (reg >= regmap::kFirstPointAdRegister && reg < regmap::kFirstPointWeightRegister && (reg & 1) == 0)
        return QStringLiteral("pointAd%1").arg((reg - regmap::kFirstPointAdRegister) / 2);
    if (reg >= regmap::kFirstPointWeightRegister && reg < regmap::kFirstPointWeightRegister + 18 &&
        (reg & 1) == 0)
        return QStringLiteral("pointWeight%1").arg((reg - regmap::kFirstPointWeightRegister) / 2);
    return {};
}

QString canOpenEntryName(uint16_t index, uint8_t subIndex) {
    for (const regmap::Setting &setting : regmap::settings())
        if (setting.index == index && setting.subIndex == subIndex)
            return QLatin1String(setting.name);
    switch (index) {
    case sdo::kAdValueIndex:
        return QStringLiteral("adValue");
    case sdo::kMeasuringValueIndex:
        return QStringLiteral("measuringValue");
    case sdo::kZeroPointIndex:
        return QStringLiteral("zeroPoint");
    case sdo::kCalibrationWeightIndex:
        return QStringLiteral("calibrationWeight");
    case sdo::kCalibrationPointsIndex:
        return QStringLiteral("calibrationPoints");
    case sdo::kCalibrationZeroIndex:
        return QStringLiteral("calibrationZero");
    case sdo::kCalibrationSpanIndex:
        return QStringLiteral("calibrationSpan");
    case sdo::kControlIndex:
        return subIndex == sdo::kTareSwitchSubIndex          ? QStringLiteral("tareSwitch")
               : subIndex == sdo::kCalibrationUnlockSubIndex ? QStringLiteral("calibrationUnlock")
                                                             : QString();
    default:
        return {};
    }
}

QString hex(const uint8_t *bytes, size_t size) {
    QString text;
    text.reserve(static_cast<int>(size * 3));
    static const char kDigits[] = "0123456789ABCDEF";
    for (size_t i = 0; i < size; ++i) {
        if (i > 0)
            text += QLatin1Char(' ');
        text += QLatin1Char(kDigits[bytes[i] >> 4]);
        text += QLatin1Char(kDigits[bytes[i] & 0x0F]);
    }
    return text;
}

} // namespace frames

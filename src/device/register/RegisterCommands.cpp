// Zero, tare and calibration of RegisterAmplifier: each an all-or-nothing write (writetx) reported once by
// commandFinished.
#include "device/register/RegisterAmplifier.h"

void RegisterAmplifier::zero() {
    if (!isConnected()) {
        emit readErrorOccurred(m_texts.zero);
        finish(QStringLiteral("zero"), false, m_texts.zero);
        return;
    }
    const bool resume = isReading() && pauseReading();
    QString failure;
    QString done;
    try {
        // A refused read must not count as 0: the sum would then overwrite the stored offset.
        QString cause;
        const std::optional<uint32_t> measuring = readChecked(regmap::kMeasuringValueRegister, &cause);
        if (!measuring) {
            failure = QStringLiteral("Zero aborted: the measuring value could not be read (%1); nothing was "
                                     "written.")
                          .arg(cause);
        } else {
            // The offset is read again inside the write, which keeps it to put back on a failure.
            const std::optional<uint32_t> offset = readChecked(regmap::kZeroOffsetRegister, &cause);
            if (!offset) {
                failure = QStringLiteral("Zero aborted: the zero offset could not be read (%1); nothing was "
                                         "written.")
                              .arg(cause);
            } else {
                const uint32_t newOffset = *measuring + *offset;
                const writetx::Outcome outcome =
                    writetx::run(registerAccess({regmap::kZeroOffsetRegister}, false), {newOffset},
                                 QStringLiteral("the previous zero offset was"));
                if (outcome.ok)
                    done = QStringLiteral("Zero done: the zero offset %1 was written and read back.")
                               .arg(modbus::asSigned(newOffset));
                else
                    failure = QStringLiteral("Zero failed: %1").arg(outcome.message);
            }
        }
    } catch (const std::exception &e) {
        // Only the reads before the write raise (the write itself reports and puts back what it held).
        failure = QStringLiteral("Zero aborted: %1; nothing was written.").arg(QString::fromUtf8(e.what()));
    }
    if (!failure.isEmpty())
        emit readErrorOccurred(failure);
    if (resume)
        resumeMeasuring();
    finish(QStringLiteral("zero"), failure.isEmpty(), failure.isEmpty() ? done : failure);
}

void RegisterAmplifier::tare() {
    const QString command = QStringLiteral("tare");
    if (!isConnected()) {
        emit readErrorOccurred(m_texts.tare);
        finish(command, false, m_texts.tare);
        return;
    }
    // The measuring value register is live: it cannot be read back as written. The echo of the write is
    // the confirmation, and the tare state changes only with it.
    const bool on = !m_tareActive;
    uint32_t value = m_savedTare;
    if (on) {
        // Without a value to restore, switching tare on would later write 0 back as the "saved" value.
        const std::optional<uint32_t> saved = measureReported();
        if (!saved) {
            const QString why = QStringLiteral("Failed to read measurement value for tare.");
            emit readErrorOccurred(why);
            finish(command, false, why + QStringLiteral(" Nothing was written; the tare is still off."));
            return;
        }
        value = *saved;
    }
    std::optional<writetx::Failure> failure;
    try {
        failure = writeJudged(regmap::kMeasuringValueRegister, on ? 0u : value, false);
    } catch (const std::exception &e) {
        failure = writetx::Failure{false, QString::fromUtf8(e.what())};
    }
    if (!failure) {
        m_savedTare = value;
        m_tareActive = on;
        finish(command, true, on ? QStringLiteral("Tare on.") : QStringLiteral("Tare off."));
        return;
    }
    const QString state = on ? QStringLiteral("off") : QStringLiteral("on");
    const QString message =
        failure->refused
            ? QStringLiteral("Tare failed: refused at 0x0000 (%1); the tare is still %2.")
                  .arg(failure->reason, state)
            : QStringLiteral(
                  "Tare failed at 0x0000 (%1); whether the amplifier switched its tare is not known "
                  "(the program counts it as still %2).")
                  .arg(failure->reason, state);
    emit readErrorOccurred(message);
    finish(command, false, message);
}

void RegisterAmplifier::calibrateTwoPoints(uint32_t zeroValue, uint32_t spanValue, uint32_t spanWeight) {
    const QString why = calibrationRefusal();
    if (!why.isEmpty()) {
        emit calibrationFailed(why);
        finish(QStringLiteral("calibrate"), false, why);
        return;
    }
    writeCalibrationPoints({zeroValue, spanValue}, {0, spanWeight});
}

QString RegisterAmplifier::calibrationWarning(const QList<uint32_t> &adValues) const {
    return calibration::closeAdWarning(adValues, m_noise.peakToPeak());
}

void RegisterAmplifier::writeCalibrationPoints(const QList<uint32_t> &adValues,
                                               const QList<uint32_t> &weights) {
    const QString command = QStringLiteral("calibrate");
    const QString refusal = calibration::refusal(adValues, weights);
    if (!refusal.isEmpty()) {
        emit calibrationFailed(refusal);
        finish(command, false, refusal + QStringLiteral(" Nothing was written."));
        return;
    }
    if (const QString why = safetyCopyBefore(command); !why.isEmpty()) {
        const QString message = QStringLiteral("Calibration failed: %1").arg(why);
        emit calibrationFailed(message);
        finish(command, false, message);
        return;
    }
    std::vector<uint16_t> regs;
    std::vector<uint32_t> values;
    for (qsizetype i = 0; i < adValues.size(); ++i) {
        const auto offset = static_cast<uint16_t>(2 * i);
        regs.push_back(static_cast<uint16_t>(regmap::kFirstPointAdRegister + offset));
        values.push_back(adValues[i]);
        regs.push_back(static_cast<uint16_t>(regmap::kFirstPointWeightRegister + offset));
        // Point 0 is the zero point: its weight is 0 whatever the caller passed.
        values.push_back(i == 0 ? 0u : calibration::hundredths(weights[i]));
    }
    // An old zero offset would shift the new curve: the span load would not read the span weight.
    regs.push_back(regmap::kZeroOffsetRegister);
    values.push_back(0);
    // The point count last: until then the amplifier keeps weighing with the points it counts.
    regs.push_back(regmap::kPointCountRegister);
    values.push_back(static_cast<uint32_t>(adValues.size()));
    const writetx::Outcome outcome =
        writetx::run(registerAccess(regs, true), values, QStringLiteral("the previous calibration was"));
    if (!outcome.ok) {
        const QString message = QStringLiteral("Calibration failed: %1").arg(outcome.message);
        emit calibrationFailed(message);
        finish(command, false, message);
        return;
    }
    emit calibrationSuccessful();
    finish(command, true,
           QStringLiteral("Calibration written and read back; the zero offset is reset to 0."));
}

#pragma once

#include "device/AmplifierBase.h"

// An amplifier without a link whose weight a test sets directly; every other operation does nothing.
class SettableAmplifier : public AmplifierBase {
public:
    explicit SettableAmplifier(const QString &modelName = QStringLiteral("Model-T"),
                               const QString &protocolName = QStringLiteral("RS232"),
                               QObject *parent = nullptr)
        : AmplifierBase(modelName, protocolName, parent) {}

    void setWeight(double weight) { m_weight = weight; }
    // A completed measuring reading of `hundredths` (hundredths of a gram), as a driver's worker stores it.
    void read(double hundredths) { m_reading = {m_reading.count + 1, hundredths}; }
    Reading latestReading() const override { return m_reading; }
    int readCount() const { return m_reads; }

    double getMeasuredWeight() const override {
        ++m_reads;
        return m_weight;
    }
    void connect() override {}
    void disconnect() override {}
    bool isConnected() const override { return false; }
    QString getLinkDescription() const override { return linkDescription(); }
    void setMeasuredWeight(double) override {}
    void setUnit(const QString &) override {}
    void sendCommand(const QString &) override {}
    void calibrate(const QString &, double) override {}
    void startContinuousADRead(int) override {}
    void startContinuousMeasuringValueRead(int) override {}
    void stopContinuousADRead() override {}
    void zero() override {}
    void tare() override {}
    void calibrateTwoPoints(uint32_t, uint32_t, uint32_t) override {}
    QString calibrationWarning(const QList<uint32_t> &) const override { return {}; }
    QVariantMap readFilterSettings() override { return {}; }
    void writeFilterSettings(const QVariantMap &) override {}

protected:
    void writeSetting(const char *, double) override {}

private:
    double m_weight = 0.0;
    Reading m_reading;
    mutable int m_reads = 0;
};

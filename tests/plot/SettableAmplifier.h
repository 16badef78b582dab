#pragma once

#include "amplifiers/AmplifierBase.h"

#include <QObject>

// An amplifier without a link whose weight a test sets directly. It is laid out like every driver
// (QObject first, AmplifierBase second), which is what the plot's destruction guard relies on.
class SettableAmplifier : public QObject, public AmplifierBase {
public:
    explicit SettableAmplifier(const QString &modelName = QStringLiteral("Model-T"),
                               const QString &protocolName = QStringLiteral("RS232"),
                               QObject *parent = nullptr)
        : QObject(parent)
        , AmplifierBase(modelName, protocolName) {}

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
    void sendCommand(const QString &) override {}
    void calibrate(const QString &, double) override {}

private:
    double m_weight = 0.0;
    Reading m_reading;
    mutable int m_reads = 0;
};

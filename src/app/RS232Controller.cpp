#include "app/RS232Controller.h"

#include "device/rs232/RS232Amplifier.h"

#include <QQmlEngine>

#include <memory>

RS232Controller::RS232Controller(QObject *parent)
    : QObject(parent) {}

RS232Controller::~RS232Controller() {
    for (RS232Amplifier *amplifier : std::as_const(m_amplifiers))
        delete amplifier;
    m_amplifiers.clear();
}

RS232Amplifier *RS232Controller::addAmplifier(const QString &model, const QString &portName, int baudRate) {
    auto amplifier = std::make_unique<RS232Amplifier>(model, portName, static_cast<uint32_t>(baudRate));
    // Returned to QML, a parentless object would otherwise pass into the engine's ownership and could be
    // collected while this list still holds it.
    QQmlEngine::setObjectOwnership(amplifier.get(), QQmlEngine::CppOwnership);
    m_amplifiers.append(amplifier.get());
    return amplifier.release();
}

void RS232Controller::stopReading() {
    for (RS232Amplifier *amplifier : std::as_const(m_amplifiers))
        amplifier->stopContinuousADRead();
}

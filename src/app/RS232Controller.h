#pragma once

#include <QList>
#include <QObject>
#include <QString>

class RS232Amplifier;

// Makes RS232 amplifiers and keeps them, in the order added, for the rest of the run; deletes them when
// it goes. QML may hold and call them but never takes them over.
class RS232Controller : public QObject {
    Q_OBJECT

public:
    explicit RS232Controller(QObject *parent = nullptr);
    ~RS232Controller() override;

    Q_INVOKABLE RS232Amplifier *addAmplifier(const QString &model, const QString &portName, int baudRate);
    // Stops the continuous reading of every amplifier, in the order they were added.
    Q_INVOKABLE void stopReading();

    const QList<RS232Amplifier *> &amplifiers() const { return m_amplifiers; }

private:
    QList<RS232Amplifier *> m_amplifiers;
};

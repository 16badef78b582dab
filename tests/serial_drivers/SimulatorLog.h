#pragma once

// Reads back what the simulated amplifier heard: the write frames and text lines it logged since the last
// look (its control command "log <id>"), decoded so a test can compare registers and values in order.

#include "SimulatorProcess.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>

struct LoggedWrite {
    int reg = -1; // -1 for a text line
    uint32_t value = 0;
    QByteArray text; // the line without its line feed, for text lines

    bool operator==(const LoggedWrite &other) const {
        return reg == other.reg && value == other.value && text == other.text;
    }
};

inline LoggedWrite registerWrite(int reg, uint32_t value) {
    return LoggedWrite{reg, value, {}};
}

inline char *toString(const LoggedWrite &write) {
    const QByteArray text =
        write.reg < 0
            ? "text \"" + write.text + "\""
            : QStringLiteral("0x%1 <- %2").arg(write.reg, 4, 16, QLatin1Char('0')).arg(write.value).toUtf8();
    return qstrdup(text.constData());
}

// The decoded log of device `id`; also empties it in the simulator.
inline QList<LoggedWrite> takeWrites(SimulatorProcess &sim, int id) {
    QList<LoggedWrite> writes;
    const QString reply = sim.command(QStringLiteral("log %1").arg(id));
    if (!reply.startsWith(QLatin1String("OK")))
        return writes;
    const QString frames = reply.mid(2).trimmed();
    if (frames.isEmpty())
        return writes;
    for (const QString &frameHex : frames.split(QLatin1Char(';'))) {
        const QByteArray frame = QByteArray::fromHex(frameHex.toLatin1());
        if (frame.size() == 13 && static_cast<uint8_t>(frame[1]) == 0x10) {
            const auto byte = [&](int i) {
                return static_cast<uint32_t>(static_cast<uint8_t>(frame[i]));
            };
            writes.append(registerWrite(static_cast<int>((byte(2) << 8) | byte(3)),
                                        (byte(7) << 24) | (byte(8) << 16) | (byte(9) << 8) | byte(10)));
        } else {
            writes.append(LoggedWrite{-1, 0, frame.endsWith('\n') ? frame.chopped(1) : frame});
        }
    }
    return writes;
}

// Records a signal's arguments like QSignalSpy, but always on the test's own thread: a reading worker
// emits from its thread, and a spy that appended there would race with the test reading it. Emissions
// from the test's thread are recorded at once; a worker's arrive when the test runs the event loop
// (QTRY_* and qWait do).
class SignalLog : public QObject {
public:
    template <typename Sender, typename Owner, typename... Args>
    SignalLog(Sender *sender, void (Owner::*signal)(Args...)) {
        QObject::connect(sender, signal, this, [this](Args... arguments) {
            m_entries.append(QList<QVariant>{QVariant::fromValue(arguments)...});
        });
    }

    qsizetype count() const { return m_entries.size(); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    const QList<QVariant> &at(qsizetype i) const { return m_entries.at(i); }
    const QList<QVariant> &last() const { return m_entries.last(); }
    const QList<QList<QVariant>> &entries() const { return m_entries; }

private:
    QList<QList<QVariant>> m_entries;
};

// The first argument of every emission, as text (error messages, narration lines).
inline QStringList texts(const QList<QList<QVariant>> &entries) {
    QStringList result;
    for (const QList<QVariant> &arguments : entries)
        result << arguments.value(0).toString();
    return result;
}
inline QStringList texts(const QSignalSpy &spy) {
    return texts(static_cast<const QList<QList<QVariant>> &>(spy));
}
inline QStringList texts(const SignalLog &log) {
    return texts(log.entries());
}

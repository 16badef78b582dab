#pragma once

#include <QObject>
#include <QString>

#include <QList>

#include <memory>
#include <optional>
#include <vector>

class AmplifierBase;

// What the command-line tool needs of a driver beyond the signals and invokable operations that every
// driver offers by name. One subclass per protocol; makeCliDriver() is the one place that knows them.
class CliDriver {
public:
    virtual ~CliDriver() = default;

    // The driver: commands call its invokable operations and listen to its signals by name.
    virtual QObject *object() = 0;
    // Reading cycles of the measuring-value worker that have completed with an answer.
    virtual quint64 completedMeasuringCycles() const = 0;
    // Whether a tare is in force, where the driver tells.
    virtual std::optional<bool> tareActive() const { return std::nullopt; }
    // Whether the system failed the link (the port or adapter went away).
    virtual bool linkLost() const { return false; }
    // Whether the link is gone now; a loss that is over no longer counts (linkLost() may keep it).
    virtual bool linkDown() const { return linkLost(); }
    // Whether the driver reads again by itself once its link is back, without connecting afresh.
    virtual bool readsAgainByItself() const { return false; }
    // The link as a technician names it: "the port PORT", "the CAN adapter can0".
    virtual QString linkName() const = 0;
};

// The values an option or setting may take for a protocol; the tool refuses anything else rather than let
// a driver change it silently.
struct ValueRange {
    qulonglong min = 0;
    qulonglong max = 0;
};

struct CliLinkOptions {
    QString protocol;
    QString port;
    int deviceId = 1;
    int baudRate = 9600;
    // --trace: the frames of the command on stderr.
    bool trace = false;
};

// The device ids a protocol addresses, or nullopt when it takes none (RS232: one amplifier per port).
std::optional<ValueRange> deviceIdRange(const QString &protocol);

// The driver for `options.protocol`, or null with the reason in `error`.
std::unique_ptr<CliDriver> makeCliDriver(const CliLinkOptions &options, QString *error);
// One driver per id on the link of `options` (its deviceId is ignored); RS485 drivers share one line. Empty,
// with the reason in `error`, when one cannot be made.
std::vector<std::unique_ptr<CliDriver>> makeCliDrivers(const CliLinkOptions &options, const QList<int> &ids,
                                                       QString *error);

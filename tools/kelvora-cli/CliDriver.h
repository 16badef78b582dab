#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

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
};

struct CliLinkOptions {
    QString protocol;
    QString port;
    int deviceId = 1;
    int baudRate = 9600;
};

// The driver for `options.protocol`, or null with the reason in `error`.
std::unique_ptr<CliDriver> makeCliDriver(const CliLinkOptions &options, QString *error);

// kelvora-cli: the amplifier drivers from a shell, for scripts and for trying an amplifier without the
// screens. It connects with the handshake first, runs one command and exits 0 with the result on stdout,
// or 1 with the driver's own error text on stderr.
#include "CliDriver.h"
#include "ScanCommand.h"

#include "amplifiers/Weight.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QList>
#include <QMetaMethod>
#include <QStringList>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

const char *kCommandsHelp = R"(Commands:
  read-ad                      print the raw AD value
  read-weight                  start the measuring reading and print the weight in --unit once the
                               first reading cycle has completed
  watch --interval MS --count N
                               print N lines "ISO time,weight", one every MS milliseconds
  zero                         move the zero offset so that the present load reads zero
  tare                         switch the tare on (a new connection starts with tare off)
  calibrate ZERO_AD SPAN_AD SPAN_WEIGHT
                               two-point calibration (weight in grams)
  calibrate-multi AD:WEIGHT ...
                               calibration by up to nine points, the first one the zero point (RS485)
  set-filters KEY=N ...        any of fir=0|1 level=N bandwidth=N azt-time=N azt-bandwidth=N
                               stability=N zero-point=N (the driver limits the values)
  self-test                    run the register self-test and print its narration
  scan [--from N --to M]       RS485 and CANOpen: list the ids that answer, "ID AD" per line (no
                               handshake, nothing written; progress on stderr when it is a terminal)
Exit status: 0 on success, 1 on any failure (the reason on stderr).)";

QTextStream &out() {
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &err() {
    static QTextStream stream(stderr);
    return stream;
}

// Receives a driver's signals by name, so one listener serves every protocol.
class Listener : public QObject {
    Q_OBJECT

public:
    QStringList errors;
    QStringList connectionErrors;
    QList<uint32_t> adValues;
    int errorsBeforeFirstAd = 0;
    bool connected = false;
    std::optional<QString> calibration; // empty text: success
    std::function<void(const QString &)> onLog;

    void attach(QObject *driver) {
        QObject::connect(driver, SIGNAL(connectionSuccessful()), this, SLOT(connectionSuccessful()));
        QObject::connect(driver, SIGNAL(connectionFailed(QString)), this, SLOT(connectionFailed(QString)));
        QObject::connect(driver, SIGNAL(readErrorOccurred(QString)), this, SLOT(readErrorOccurred(QString)));
        QObject::connect(driver, SIGNAL(adValueReceived(uint32_t)), this, SLOT(adValueReceived(uint32_t)));
        QObject::connect(driver, SIGNAL(calibrationSuccessful()), this, SLOT(calibrationSuccessful()));
        QObject::connect(driver, SIGNAL(calibrationFailed(QString)), this, SLOT(calibrationFailed(QString)));
        // Only the serial drivers narrate a self-test.
        if (driver->metaObject()->indexOfSignal("logMessage(QString)") >= 0)
            QObject::connect(driver, SIGNAL(logMessage(QString)), this, SLOT(logMessage(QString)));
    }

public slots:
    void connectionSuccessful() { connected = true; }
    void connectionFailed(const QString &reason) {
        connected = false;
        connectionErrors << reason;
    }
    void readErrorOccurred(const QString &error) { errors << error; }
    void adValueReceived(uint32_t value) {
        if (adValues.isEmpty())
            errorsBeforeFirstAd = static_cast<int>(errors.size());
        adValues << value;
    }
    void calibrationSuccessful() { calibration = QString(); }
    void calibrationFailed(const QString &reason) { calibration = reason; }
    void logMessage(const QString &line) {
        if (onLog)
            onLog(line);
    }
};

int fail(const QString &message) {
    err() << message << Qt::endl;
    return 1;
}

int failWith(const QStringList &errors, const QString &fallback) {
    QStringList shown;
    for (const QString &error : errors) {
        if (!shown.contains(error))
            shown << error;
    }
    return fail(shown.isEmpty() ? fallback : shown.join(QLatin1Char('\n')));
}

// Calls an invokable operation by name with no arguments.
bool invoke(QObject *driver, const char *name) {
    return QMetaObject::invokeMethod(driver, name, Qt::DirectConnection);
}

// Calls a one-argument invokable operation whose parameter is a number of whatever type this driver
// declares it with. Values outside that type's range are refused rather than wrapped.
bool invokeNumber(QObject *driver, const char *name, qulonglong value, QString *error) {
    const QMetaObject *meta = driver->metaObject();
    for (int i = 0; i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.name() != name || method.parameterCount() != 1)
            continue;
        const QMetaType type = method.parameterMetaType(0);
        qulonglong limit = 0;
        switch (type.id()) {
        case QMetaType::Bool:
            limit = 1;
            break;
        case QMetaType::UChar:
            limit = 0xFF;
            break;
        case QMetaType::UShort:
            limit = 0xFFFF;
            break;
        case QMetaType::UInt:
            limit = 0xFFFFFFFFu;
            break;
        case QMetaType::Int:
            limit = 0x7FFFFFFF;
            break;
        default:
            continue;
        }
        if (value > limit) {
            *error = QStringLiteral("Value %1 is out of range for %2 (0 to %3).")
                         .arg(value)
                         .arg(QString::fromLatin1(name))
                         .arg(limit);
            return false;
        }
        QVariant argument(value);
        argument.convert(type);
        return method.invoke(driver, Qt::DirectConnection,
                             QGenericArgument(type.name(), argument.constData()));
    }
    *error = QStringLiteral("This amplifier has no operation %1.").arg(QString::fromLatin1(name));
    return false;
}

// Runs the event loop until `done` holds or `timeoutMs` has passed; true when it held.
bool waitFor(const std::function<bool()> &done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() >= timeoutMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void stopReading(QObject *driver) {
    invoke(driver, "stopContinuousADRead");
    // Signals the worker queued before it ended still arrive.
    QCoreApplication::processEvents();
}

bool parseUnsigned(const QString &text, qulonglong &value) {
    bool ok = false;
    value = text.toULongLong(&ok, 10);
    return ok;
}

QString weightText(QObject *driver) {
    double weight = 0;
    QMetaObject::invokeMethod(driver, "getMeasuredWeight", Qt::DirectConnection,
                              Q_RETURN_ARG(double, weight));
    return QString::number(weight, 'f', 2);
}

struct Context {
    CliDriver *driver;
    QObject *object;
    Listener *listener;
    QStringList arguments; // the command's own arguments
    int timeoutMs;
};

int readAd(Context &c) {
    if (!QMetaObject::invokeMethod(c.object, "startContinuousADRead", Qt::DirectConnection, Q_ARG(int, 100)))
        return fail(QStringLiteral("This amplifier cannot read AD values."));
    waitFor([&] { return !c.listener->adValues.isEmpty() || !c.listener->errors.isEmpty(); }, c.timeoutMs);
    stopReading(c.object);
    // Success only when the first thing that came was a value.
    if (!c.listener->adValues.isEmpty() && c.listener->errorsBeforeFirstAd == 0) {
        out() << c.listener->adValues.first() << Qt::endl;
        return 0;
    }
    return failWith(c.listener->errors, QStringLiteral("No answer from the amplifier."));
}

int startMeasuring(Context &c, int intervalMs) {
    if (!QMetaObject::invokeMethod(c.object, "startContinuousMeasuringValueRead", Qt::DirectConnection,
                                   Q_ARG(int, intervalMs)))
        return fail(QStringLiteral("This amplifier cannot read weights."));
    return 0;
}

int readWeight(Context &c) {
    if (startMeasuring(c, 100) != 0)
        return 1;
    waitFor([&] { return c.driver->completedMeasuringCycles() > 0 || !c.listener->errors.isEmpty(); },
            c.timeoutMs);
    stopReading(c.object);
    if (!c.listener->errors.isEmpty() || c.driver->completedMeasuringCycles() == 0)
        return failWith(c.listener->errors, QStringLiteral("No answer from the amplifier."));
    out() << weightText(c.object) << Qt::endl;
    return 0;
}

int watch(Context &c) {
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("interval"), QString(), QStringLiteral("ms"), QStringLiteral("1000")});
    parser.addOption({QStringLiteral("count"), QString(), QStringLiteral("n"), QStringLiteral("10")});
    if (!parser.parse(QStringList{QStringLiteral("watch")} + c.arguments))
        return fail(parser.errorText());
    qulonglong interval = 0;
    qulonglong count = 0;
    if (!parseUnsigned(parser.value(QStringLiteral("interval")), interval) || interval == 0 ||
        interval > 3600000)
        return fail(QStringLiteral("--interval needs a number of milliseconds from 1 to 3600000."));
    if (!parseUnsigned(parser.value(QStringLiteral("count")), count) || count == 0)
        return fail(QStringLiteral("--count needs a positive number."));
    if (startMeasuring(c, static_cast<int>(interval)) != 0)
        return 1;
    // The first line waits for the first completed reading, so it never shows the 0 of "no reading yet".
    if (!waitFor([&] { return c.driver->completedMeasuringCycles() > 0; }, c.timeoutMs)) {
        stopReading(c.object);
        return failWith(c.listener->errors, QStringLiteral("No answer from the amplifier."));
    }
    int reported = 0;
    for (qulonglong line = 0; line < count; ++line) {
        if (line > 0) {
            QEventLoop loop;
            QTimer::singleShot(static_cast<int>(interval), &loop, &QEventLoop::quit);
            loop.exec();
        }
        for (; reported < c.listener->errors.size(); ++reported)
            err() << c.listener->errors.at(reported) << Qt::endl;
        out() << QDateTime::currentDateTime().toString(Qt::ISODateWithMs) << ',' << weightText(c.object)
              << Qt::endl;
    }
    stopReading(c.object);
    for (; reported < c.listener->errors.size(); ++reported)
        err() << c.listener->errors.at(reported) << Qt::endl;
    return c.listener->errors.isEmpty() ? 0 : 1;
}

int zero(Context &c) {
    invoke(c.object, "zero");
    if (!c.listener->errors.isEmpty())
        return failWith(c.listener->errors, {});
    out() << "Zero done." << Qt::endl;
    return 0;
}

int tare(Context &c) {
    invoke(c.object, "tare");
    if (!c.listener->errors.isEmpty())
        return failWith(c.listener->errors, {});
    const std::optional<bool> active = c.driver->tareActive();
    if (active && !*active)
        return fail(QStringLiteral("Tare failed: the amplifier did not answer."));
    out() << "Tare on." << Qt::endl;
    return 0;
}

int calibrate(Context &c) {
    if (c.arguments.size() != 3)
        return fail(QStringLiteral("calibrate needs ZERO_AD SPAN_AD SPAN_WEIGHT."));
    uint32_t values[3] = {};
    for (int i = 0; i < 3; ++i) {
        qulonglong value = 0;
        if (!parseUnsigned(c.arguments.at(i), value) || value > 0xFFFFFFFFu)
            return fail(QStringLiteral("Not an unsigned 32-bit number: %1").arg(c.arguments.at(i)));
        values[i] = static_cast<uint32_t>(value);
    }
    if (!QMetaObject::invokeMethod(c.object, "calibrateTwoPoints", Qt::DirectConnection,
                                   Q_ARG(uint32_t, values[0]), Q_ARG(uint32_t, values[1]),
                                   Q_ARG(uint32_t, values[2])))
        return fail(QStringLiteral("This amplifier has no two-point calibration."));
    if (!c.listener->calibration)
        return failWith(c.listener->errors, QStringLiteral("The calibration did not report back."));
    if (!c.listener->calibration->isEmpty())
        return fail(*c.listener->calibration);
    out() << "Calibration done." << Qt::endl;
    return 0;
}

int calibrateMulti(Context &c) {
    if (c.object->metaObject()->indexOfMethod("calibrateMultiPoints(QList<uint32_t>,QList<uint32_t>)") < 0)
        return fail(QStringLiteral("calibrate-multi is available for RS485 amplifiers only."));
    QList<uint32_t> adValues;
    QList<uint32_t> weights;
    for (const QString &point : c.arguments) {
        const QStringList parts = point.split(QLatin1Char(':'));
        qulonglong ad = 0;
        qulonglong weight = 0;
        if (parts.size() != 2 || !parseUnsigned(parts.at(0), ad) || !parseUnsigned(parts.at(1), weight) ||
            ad > 0xFFFFFFFFu || weight > 0xFFFFFFFFu)
            return fail(
                QStringLiteral("A point is AD:WEIGHT with unsigned 32-bit numbers, not \"%1\".").arg(point));
        adValues << static_cast<uint32_t>(ad);
        weights << static_cast<uint32_t>(weight);
    }
    QMetaObject::invokeMethod(c.object, "calibrateMultiPoints", Qt::DirectConnection,
                              Q_ARG(QList<uint32_t>, adValues), Q_ARG(QList<uint32_t>, weights));
    if (!c.listener->calibration)
        return failWith(c.listener->errors, QStringLiteral("The calibration did not report back."));
    if (!c.listener->calibration->isEmpty())
        return fail(*c.listener->calibration);
    out() << "Calibration done." << Qt::endl;
    return 0;
}

int setFilters(Context &c) {
    // Written in the order the filter screen writes them.
    struct Setting {
        const char *key;
        const char *operation;
    };
    static const Setting kSettings[] = {
        {"fir", "setFIRFiltering"},
        {"level", "setFilteringLevel"},
        {"bandwidth", "setFilteringBandwidth"},
        {"azt-time", "setAutoZeroTrackingTime"},
        {"azt-bandwidth", "setAutoZeroTrackingBandwidth"},
        {"stability", "setStabilityDeterminationTime"},
        {"zero-point", "setZeroPoint"},
    };
    if (c.arguments.isEmpty())
        return fail(QStringLiteral("set-filters needs at least one KEY=N."));
    std::optional<qulonglong> values[std::size(kSettings)];
    for (const QString &argument : c.arguments) {
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        const QString key = argument.left(equals);
        qulonglong value = 0;
        size_t index = std::size(kSettings);
        for (size_t i = 0; i < std::size(kSettings); ++i) {
            if (key == QLatin1String(kSettings[i].key))
                index = i;
        }
        if (equals < 0 || index == std::size(kSettings) || !parseUnsigned(argument.mid(equals + 1), value))
            return fail(
                QStringLiteral("Unknown setting \"%1\" (use fir, level, bandwidth, azt-time, azt-bandwidth, "
                               "stability or zero-point with =N).")
                    .arg(argument));
        values[index] = value;
    }
    for (size_t i = 0; i < std::size(kSettings); ++i) {
        if (!values[i])
            continue;
        QString error;
        if (!invokeNumber(c.object, kSettings[i].operation, *values[i], &error))
            return fail(error);
        if (!c.listener->errors.isEmpty())
            return failWith(c.listener->errors, {});
    }
    out() << "Filters set." << Qt::endl;
    return 0;
}

int selfTest(Context &c) {
    if (c.object->metaObject()->indexOfMethod("testAllRegisters()") < 0)
        return fail(QStringLiteral("This amplifier has no register self-test."));
    bool failures = false;
    c.listener->onLog = [&](const QString &line) {
        out() << line << Qt::endl;
        if (line.startsWith(QStringLiteral("【错误】")) || line.contains(QStringLiteral("测试失败")) ||
            line.contains(QStringLiteral("恢复失败")))
            failures = true;
    };
    invoke(c.object, "testAllRegisters");
    if (failures)
        return fail(QStringLiteral("The self-test reported failures."));
    return 0;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kelvora-cli"));
    qRegisterMetaType<uint32_t>("uint32_t");

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "Talks to one Kelvora amplifier: connects with the handshake, runs COMMAND, exits.\n\n") +
        QString::fromUtf8(kCommandsHelp));
    parser.addHelpOption();
    parser.addOption(
        {QStringLiteral("protocol"),
         QStringLiteral("RS232, RS485 or CANOpen (the CAN adapter is chosen by KELVORA_CAN_PLUGIN and "
                        "KELVORA_CAN_INTERFACE; --port is then only a label)."),
         QStringLiteral("protocol")});
    parser.addOption(
        {QStringLiteral("port"),
         QStringLiteral("Serial port: a name such as ttyUSB0 or COM3, or a path such as /dev/pts/4."),
         QStringLiteral("port")});
    parser.addOption({QStringLiteral("id"),
                      QStringLiteral("Device id on the RS485 line, or CANopen node id (default 1)."),
                      QStringLiteral("n"), QStringLiteral("1")});
    parser.addOption({QStringLiteral("baud"), QStringLiteral("Line speed (default 9600)."),
                      QStringLiteral("rate"), QStringLiteral("9600")});
    parser.addOption({QStringLiteral("unit"), QStringLiteral("Weight unit: g, kg or lb (default g)."),
                      QStringLiteral("unit"), QStringLiteral("g")});
    parser.addOption({QStringLiteral("timeout"),
                      QStringLiteral("How long to wait for the first reading, in ms (default 5000)."),
                      QStringLiteral("ms"), QStringLiteral("5000")});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("What to do (see above)."));
    // Options after the command belong to it (watch --interval ...).
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    if (!parser.parse(QCoreApplication::arguments()))
        return fail(parser.errorText() + QStringLiteral("\nSee kelvora-cli --help."));
    if (parser.isSet(QStringLiteral("help"))) {
        out() << parser.helpText();
        return 0;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return fail(QStringLiteral("No command given. See kelvora-cli --help."));
    if (!parser.isSet(QStringLiteral("protocol")) || !parser.isSet(QStringLiteral("port")))
        return fail(QStringLiteral("--protocol and --port are required. See kelvora-cli --help."));

    CliLinkOptions link;
    link.protocol = parser.value(QStringLiteral("protocol"));
    link.port = parser.value(QStringLiteral("port"));
    qulonglong number = 0;
    if (!parseUnsigned(parser.value(QStringLiteral("id")), number) || number > 255)
        return fail(QStringLiteral("--id needs a device id from 0 to 255."));
    link.deviceId = static_cast<int>(number);
    if (!parseUnsigned(parser.value(QStringLiteral("baud")), number) || number == 0 || number > 4000000)
        return fail(QStringLiteral("--baud needs a line speed such as 9600."));
    link.baudRate = static_cast<int>(number);
    const QString unit = parser.value(QStringLiteral("unit"));
    if (!weight::isKnownUnit(unit))
        return fail(QStringLiteral("--unit must be g, kg or lb."));
    if (!parseUnsigned(parser.value(QStringLiteral("timeout")), number) || number == 0 || number > 600000)
        return fail(QStringLiteral("--timeout needs a number of milliseconds."));
    const int timeoutMs = static_cast<int>(number);

    const QString command = positional.first();
    if (command == QLatin1String("scan"))
        return runScanCommand(link, positional.mid(1));
    using Handler = int (*)(Context &);
    static const QList<QPair<QString, Handler>> kCommands = {
        {QStringLiteral("read-ad"), readAd},
        {QStringLiteral("read-weight"), readWeight},
        {QStringLiteral("watch"), watch},
        {QStringLiteral("zero"), zero},
        {QStringLiteral("tare"), tare},
        {QStringLiteral("calibrate"), calibrate},
        {QStringLiteral("calibrate-multi"), calibrateMulti},
        {QStringLiteral("set-filters"), setFilters},
        {QStringLiteral("self-test"), selfTest},
    };
    Handler handler = nullptr;
    for (const auto &entry : kCommands) {
        if (entry.first == command)
            handler = entry.second;
    }
    if (!handler)
        return fail(QStringLiteral("Unknown command \"%1\". See kelvora-cli --help.").arg(command));

    QString error;
    std::unique_ptr<CliDriver> driver = makeCliDriver(link, &error);
    if (!driver)
        return fail(error);
    QObject *object = driver->object();
    Listener listener;
    listener.attach(object);
    QMetaObject::invokeMethod(object, "setUnit", Qt::DirectConnection, Q_ARG(QString, unit));

    invoke(object, "connect");
    if (!listener.connected)
        return failWith(listener.connectionErrors, QStringLiteral("Connection failed."));

    Context context{driver.get(), object, &listener, positional.mid(1), timeoutMs};
    return handler(context);
}

#include "main.moc"

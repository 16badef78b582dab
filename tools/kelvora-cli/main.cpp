// kelvora-cli: the amplifier drivers from a shell, for scripts and for trying an amplifier without the
// screens. It connects with the handshake first, runs one command and exits 0 with the result on stdout,
// or with a status from ExitCodes.h and the driver's own error text on stderr.
#include "BackupCommands.h"
#include "CheckCommand.h"
#include "CliDriver.h"
#include "Console.h"
#include "ExitCodes.h"
#include "LinkCommands.h"
#include "RecordCommand.h"
#include "ScanCommand.h"

#include "device/AppVersion.h"
#include "device/CsvField.h"
#include "device/InputRules.h"
#include "device/ProtocolFacts.h"
#include "device/ReadingWorker.h"
#include "device/backup/Backup.h"
#include "link/LinkOptions.h"
#include "link/LinkWatch.h"
#include "link/serial/SerialExchange.h"
#include "link/serial/SerialLink.h"
#include "protocol/Calibration.h"
#include "protocol/Weight.h"

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

#include <array>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <functional>
#include <limits>

namespace {

const char *kCommandsHelp = R"(Commands:
  read-ad                      print the raw AD value
  read-weight                  start the measuring reading and print the weight in --unit once the
                               first reading cycle has completed
  watch --interval MS --count N [--stats]
                               print N lines "time,weight,status", one every MS milliseconds; the weight
                               only when it was read in that interval, otherwise the status says why
                               (status "ok" with a weight); ends at once with status 6 when the port
                               goes; --stats prints the link statistics (as "stats" does) at the end
  monitor [--count N] [--interval MS] [--stats]
                               read the weight every MS ms (default 200) and print every frame on the
                               link, from the connection's handshake on, decoded: "time -> id verdict
                               function register (name) xcount = value [hex]" ("<-" for answers); a
                               frame that cannot be decoded shows its hex only; N frames, or until
                               Ctrl-C; verdicts: ok, time-out, bad CRC, other id, refused, late,
                               duplicate, garbage, incomplete, unsupported; the frames go on even when
                               the handshake fails, which then ends it with that failure's status;
                               otherwise it exits 0 whatever the verdicts (6 when the port goes)
  stats [--count N] [--interval MS]
                               read the weight N times (default 10), then print the link statistics:
                               one row per id: requests, one column per verdict, late or doubled bytes
                               discarded, link errors, round trip median and p99 in ms over the last
                               1000 exchanges, the last error with its time; refusals by code below it
  read-register REG [--count N]
                               RS232, RS485: print "REG name = value" for the register pair REG (0x-hex,
                               decimal or a setting's name such as level), N pairs from REG on
  write-register REG VALUE [--raw]
                               RS232, RS485: write VALUE, confirmed by the amplifier and read back; a
                               register or value outside the register map's settings is refused unless
                               --raw is given
  sdo-read INDEX:SUB           CANOpen: print the entry (hex, such as 2019:00)
  sdo-write INDEX:SUB VALUE [--raw]
                               CANOpen: write VALUE, confirmed and read back; outside the register map's
                               settings refused unless --raw
  get-filters                  print the seven filter settings the amplifier holds, KEY=N lines as
                               set-filters takes them
  zero                         move the zero offset so that the present load reads zero
  tare on|off                  switch the tare on or off ("tare" alone: on)
  calibrate ZERO_AD SPAN_AD SPAN_WEIGHT [--force]
                               two-point calibration (weight in grams); also sets the zero offset to 0
  calibrate --capture SPAN_WEIGHT [--force]
                               the same with both AD values read from the amplifier: asks on stdout for the
                               empty scale and the span weight, each confirmed by Enter on stdin, and takes
                               the mean of a stable second (spread below 200 counts) within --timeout
  calibrate-multi AD:WEIGHT ... [--force]
                               calibration by up to nine points, the first one the zero point with
                               weight 0 (RS485); AD values must rise (or fall) and weights rise from
                               point to point; points closer than 500 AD counts need --force
  calibrate-multi --capture WEIGHT ... [--force]
                               the same with each AD value read at rest as for calibrate --capture: first
                               the empty scale (the zero point), then each WEIGHT (grams, rising)
  set-filters KEY=N ...        any of fir=0|1 level=N bandwidth=N azt-time=N azt-bandwidth=N
                               stability=N zero-point=N; a value outside the protocol's range is refused
                               with the range, and nothing is written unless every value is valid
  self-test                    run the register self-test and print its narration; every register it
                               writes is written back and read back at the end, also on Ctrl-C or
                               SIGTERM; exit status 1 unless every register passed and came back
  scan [--from N --to M] [--window MS]
                               RS485 and CANOpen: list the ids that answer, "ID AD" per line ("ID AD
                               late N ms" for a slow one, "ID duplicate" where two devices answer one
                               id, "ID refused: WHY"); --window sets each probe's answer window (no
                               handshake, nothing written; progress on stderr when it is a terminal)
  record --interval MS --duration S|--until-stopped FILE
                               record the weights in --unit into the CSV FILE, one row every MS ms, for S
                               seconds or until Ctrl-C; a field holds a value only when it was read in that
                               row's period, else N/A (also while the port is gone); --id may list several
                               ids on one line (--id 1,2,3); a FILE that holds data is refused
  check --loads L1,L2,... --report FILE [--tolerance G|P%] [--repeat N] [--repeat-load G]
        [--division G] [--weights-uncertainty G|P%] [--operator NAME] [--weights TEXT] [--notes TEXT]
        [--wait MS] [--window MS]
                               calibration check with test weights: zero, each load rising then falling,
                               then the repeat load (default: the load nearest half the largest) placed
                               N times (default 5); asks "place 500 g, then Enter" on stdout for each and
                               reads Enter on stdin ("skip", "stop", or "anyway" after a time-out); at
                               least 2 rising loads in grams; tolerance in grams or % of the load (not 0;
                               without it the errors are printed with no verdict); --division is the
                               scale interval (default 1 g); a reading is stable when it spreads less
                               than 2 intervals over --window ms (default 1000), waited for up to --wait
                               ms (default 30000); writes the PDF report FILE and every reading to FILE
                               with .csv as they come; exit status 0 passed (or complete without a
                               tolerance), 1 failed or incomplete, 6 port lost
  backup FILE                  save every setting and the calibration into the JSON FILE (CANOpen: also
                               a CANopen configuration file FILE.dcf); an existing FILE is refused
  diff FILE [FILE2]            the values that differ between the backup FILE and the amplifier (or the
                               backup FILE2, with no --protocol or --port); exit status 1 when any differ
  restore FILE [--dry-run]     write the backup FILE into an amplifier of the same model and protocol:
                               only the values that differ, all or nothing, then every value read back;
                               --dry-run lists the differences and writes nothing; Ctrl-C writes back
  backups                      list the safety copies taken before each calibration, self-test and
                               restore (no --protocol or --port); the last 20 of each amplifier are kept
Device ids (--id): RS485 1 to 247, CANOpen 1 to 127; RS232 takes none.
Writes are all or nothing: zero, tare, calibrate, calibrate-multi and set-filters read what they change
first, and when a write is refused they write the old values back; the message on stderr says what the
amplifier holds then.
Global options --timeout MS (how long each exchange waits for an answer), --retries N (times an exchange
with no usable answer is sent again) and --trace (every frame of the command on stderr, as monitor prints
them; a scan's probes excepted) go before the command.
Exit status (the reason on stderr):
  0  success
  1  the command ran and its verdict is negative (a self-test that failed, a write read back different),
     or a failure none of the codes below describes
  2  bad arguments: unknown command or option, a value out of range, a malformed or non-empty file given
  3  no answer: the amplifier did not answer within the time-out (after the retries)
  4  refused: the amplifier answered with a Modbus exception or an SDO abort
  5  bad answer: bad CRC, another address or node, garbage, a cut answer, a segmented SDO offer, two
     devices on one id
  6  port lost: the port or CAN adapter cannot be opened or went away)";

using cli::err;
using cli::fail;
using cli::out;

// Receives a driver's signals by name, so one listener serves every protocol.
class Listener : public QObject {
    Q_OBJECT

public:
    QStringList errors;
    QStringList connectionErrors;
    QList<uint32_t> adValues;
    bool connected = false;
    std::optional<QString> calibration; // empty text: success
    std::function<void(const QString &)> onLog;
    // The outcome of the last zero, tare, calibration, filter write or self-test.
    struct Finished {
        QString command;
        bool ok = false;
        QString message;
    };
    std::optional<Finished> finished;

    void attach(QObject *driver) {
        QObject::connect(driver, SIGNAL(connectionSuccessful()), this, SLOT(connectionSuccessful()));
        QObject::connect(driver, SIGNAL(connectionFailed(QString)), this, SLOT(connectionFailed(QString)));
        QObject::connect(driver, SIGNAL(readErrorOccurred(QString)), this, SLOT(readErrorOccurred(QString)));
        QObject::connect(driver, SIGNAL(adValueReceived(uint32_t)), this, SLOT(adValueReceived(uint32_t)));
        QObject::connect(driver, SIGNAL(calibrationSuccessful()), this, SLOT(calibrationSuccessful()));
        QObject::connect(driver, SIGNAL(calibrationFailed(QString)), this, SLOT(calibrationFailed(QString)));
        QObject::connect(driver, SIGNAL(commandFinished(QString, bool, QString)), this,
                         SLOT(commandFinished(QString, bool, QString)));
        QObject::connect(driver, SIGNAL(logMessage(QString)), this, SLOT(logMessage(QString)));
        QObject::connect(driver, SIGNAL(safetyCopyWritten(QString, QString)), this,
                         SLOT(safetyCopyWritten(QString, QString)));
    }

public slots:
    void connectionSuccessful() { connected = true; }
    void connectionFailed(const QString &reason) {
        connected = false;
        connectionErrors << reason;
    }
    void readErrorOccurred(const QString &error) { errors << error; }
    void adValueReceived(uint32_t value) { adValues << value; }
    void calibrationSuccessful() { calibration = QString(); }
    void calibrationFailed(const QString &reason) { calibration = reason; }
    void logMessage(const QString &line) {
        if (onLog)
            onLog(line);
    }
    // On stderr: stdout carries the command's result.
    void safetyCopyWritten(const QString &, const QString &path) {
        err() << "Safety copy of the amplifier as it was: " << path << Qt::endl;
    }
    void commandFinished(const QString &command, bool ok, const QString &message) {
        finished = Finished{command, ok, message};
    }
};

// The facts of a protocol the tool has already accepted (main refuses an unknown one first).
const protocolfacts::Facts &facts(const QString &protocol) {
    static const protocolfacts::Facts kNone{};
    const protocolfacts::Facts *known = protocolfacts::find(protocol);
    return known ? *known : kNone;
}

int badArguments(const QString &message) {
    return fail(message, cli::kExitBadArguments);
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

struct Context {
    CliDriver *driver;
    QObject *object;
    Listener *listener;
    int timeoutMs;
    QString unit;
    int deviceId;
};

// A reading counts once the exchange after it found the line quiet: a second device on the same id shows
// only then, and its answer to the handshake may have been taken for the first reading.
constexpr int kConfirmingReadings = 2;

// Runs the invokable `operation` and reports its commandFinished outcome: `done` on stdout and 0 when it
// was written and read back, else its message (what the amplifier holds now) on stderr and 1.
int runFinishing(Context &c, const std::function<void()> &operation, const QString &done) {
    c.listener->finished.reset();
    operation();
    if (!c.listener->finished)
        return failWith(c.listener->errors, QStringLiteral("The amplifier did not report back."));
    if (!c.listener->finished->ok)
        return fail(c.listener->finished->message);
    if (!done.isEmpty())
        out() << done << Qt::endl;
    return cli::kExitOk;
}

// The checks of the calibration rule, before the line is opened: a refusal always, a warning unless
// --force was given.
QString calibrationProblem(const QList<uint32_t> &adValues, const QList<uint32_t> &weights, bool force) {
    const QString refusal = calibration::refusal(adValues, weights);
    if (!refusal.isEmpty())
        return refusal;
    const QString warning = calibration::closeAdWarning(adValues);
    if (!warning.isEmpty() && !force)
        return warning + QStringLiteral(" Nothing was written; add --force to calibrate anyway.");
    return {};
}

// Takes a "--force" out of `arguments`; whether there was one.
bool takeForce(QStringList &arguments) {
    return arguments.removeAll(QStringLiteral("--force")) > 0;
}

// The driver reads in grams (to 0.01 g, the amplifier's resolution); the unit's conversion happens here
// with enough decimals that none of it is rounded away.
QString weightText(Context &c) {
    double grams = 0;
    QMetaObject::invokeMethod(c.object, "getMeasuredWeight", Qt::DirectConnection,
                              Q_RETURN_ARG(double, grams));
    return weight::exactText(grams, c.unit);
}

// A command whose arguments have been checked: what to run once connected.
using Run = std::function<int(Context &)>;
struct Prepared {
    Run run;
    QString error; // set instead of run when the arguments are refused
};

Prepared refuse(const QString &error) {
    return Prepared{nullptr, error};
}

Prepared noArguments(const QString &command, const QStringList &arguments, Run run) {
    if (!arguments.isEmpty())
        return refuse(QStringLiteral("%1 takes no arguments.").arg(command));
    return Prepared{std::move(run), {}};
}

int readAd(Context &c) {
    if (!QMetaObject::invokeMethod(c.object, "startContinuousADRead", Qt::DirectConnection, Q_ARG(int, 100)))
        return fail(QStringLiteral("This amplifier cannot read AD values."));
    waitFor(
        [&] { return c.listener->adValues.size() >= kConfirmingReadings || !c.listener->errors.isEmpty(); },
        c.timeoutMs);
    stopReading(c.object);
    // Success only when nothing but values came.
    if (c.listener->adValues.size() >= kConfirmingReadings && c.listener->errors.isEmpty()) {
        out() << c.listener->adValues.last() << Qt::endl;
        return cli::kExitOk;
    }
    return failWith(c.listener->errors, QStringLiteral("No answer from the amplifier."));
}

int startMeasuring(Context &c, int intervalMs) {
    if (!QMetaObject::invokeMethod(c.object, "startContinuousMeasuringValueRead", Qt::DirectConnection,
                                   Q_ARG(int, intervalMs)))
        return fail(QStringLiteral("This amplifier cannot read weights."));
    return cli::kExitOk;
}

int readWeight(Context &c) {
    if (const int status = startMeasuring(c, 100); status != cli::kExitOk)
        return status;
    waitFor(
        [&] {
            return c.driver->completedMeasuringCycles() >= kConfirmingReadings ||
                   !c.listener->errors.isEmpty();
        },
        c.timeoutMs);
    stopReading(c.object);
    if (!c.listener->errors.isEmpty() || c.driver->completedMeasuringCycles() < kConfirmingReadings)
        return failWith(c.listener->errors, QStringLiteral("No answer from the amplifier."));
    out() << weightText(c) << Qt::endl;
    return cli::kExitOk;
}

qint64 msSinceLastReading(QObject *driver) {
    qint64 ms = -1;
    QMetaObject::invokeMethod(driver, "getMsSinceLastReading", Qt::DirectConnection,
                              Q_RETURN_ARG(qint64, ms));
    return ms;
}

// The worker reads at least this often, so that a port that goes away is noticed quickly whatever the
// printing interval.
constexpr int kLongestReadingIntervalMs = 500;
constexpr int kReadingsPerLine = 8;
// How long a line waits past its time for a reading of an amplifier that has been answering.
constexpr int kJitterGraceMs = 250;

Prepared watch(const QStringList &arguments) {
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("interval"), QString(), QStringLiteral("ms"), QStringLiteral("1000")});
    parser.addOption({QStringLiteral("count"), QString(), QStringLiteral("n"), QStringLiteral("10")});
    parser.addOption({QStringLiteral("stats"), QString()});
    if (!parser.parse(QStringList{QStringLiteral("watch")} + arguments))
        return refuse(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return refuse(QStringLiteral("watch takes only --interval, --count and --stats."));
    const bool stats = parser.isSet(QStringLiteral("stats"));
    qulonglong interval = 0;
    qulonglong count = 0;
    if (!parseUnsigned(parser.value(QStringLiteral("interval")), interval) || interval == 0 ||
        interval > 3600000)
        return refuse(QStringLiteral("--interval needs a number of milliseconds from 1 to 3600000."));
    if (!parseUnsigned(parser.value(QStringLiteral("count")), count) || count == 0)
        return refuse(QStringLiteral("--count needs a positive number."));
    return Prepared{
        [interval, count, stats](Context &c) {
            const int intervalMs = static_cast<int>(interval);
            // The worker reads several times per printed line: its period drifts against the printing
            // clock (each cycle is the pause plus the exchange), so reading once per line would leave some
            // lines without a reading although the amplifier answers every time.
            if (const int status =
                    startMeasuring(c, qBound(1, intervalMs / kReadingsPerLine, kLongestReadingIntervalMs));
                status != cli::kExitOk)
                return status;
            QElapsedTimer clock;
            clock.start();
            // When each error came, to tell whether it came after the last good reading.
            QList<qint64> errorTimes;
            qsizetype echoed = 0;
            // A second device on the id makes every reading near it doubtful: it may be either device's.
            const QString twinText = serial::twoDevicesText(c.deviceId);
            qint64 twinAt = -1;
            QString twinError;
            auto takeErrors = [&] {
                for (; echoed < c.listener->errors.size(); ++echoed) {
                    const QString &error = c.listener->errors.at(echoed);
                    err() << error << Qt::endl;
                    errorTimes << clock.elapsed();
                    if (error.contains(twinText)) {
                        twinAt = errorTimes.last();
                        twinError = error;
                    }
                }
            };
            bool allRead = true;
            // Runs the event loop until `until` or until `done` holds; false when the link went away.
            auto waitTill = [&](qint64 until, const std::function<bool()> &done) {
                while (clock.elapsed() < until && !done()) {
                    waitFor([] { return false; }, static_cast<int>(qMin<qint64>(5, until - clock.elapsed())));
                    takeErrors();
                    if (c.driver->linkLost())
                        return false;
                }
                return true;
            };
            // A line is due every interval on a fixed clock. Its weight must have been read since the line
            // before. While the amplifier answers, a reading a little late (a busy machine schedules the
            // worker late) is waited for a while, unless an error comes first; once it has failed, lines
            // keep to the clock.
            const qint64 graceMs =
                qBound(qint64{kJitterGraceMs}, qint64{intervalMs}, qint64{kLongestReadingIntervalMs});
            bool answering = true;
            qint64 lastPrintAt = 0;
            qsizetype errorsAtLastPrint = 0;
            auto readSinceLastPrint = [&] {
                const qint64 since = msSinceLastReading(c.object);
                return since >= 0 && clock.elapsed() - since >= lastPrintAt;
            };
            for (qulonglong line = 0; line < count; ++line) {
                const qint64 due = static_cast<qint64>(line + 1) * intervalMs;
                const bool stillThere =
                    waitTill(due, [] { return false; }) && waitTill(due + (answering ? graceMs : 0), [&] {
                        return readSinceLastPrint() || c.listener->errors.size() > errorsAtLastPrint;
                    });
                if (!stillThere) {
                    stopReading(c.object);
                    takeErrors();
                    const QString why = c.listener->errors.isEmpty() ? QStringLiteral("the system refused it")
                                                                     : c.listener->errors.last();
                    return fail(QStringLiteral("Lost %1: %2").arg(c.driver->linkName(), why));
                }
                const qint64 now = clock.elapsed();
                const qint64 since = msSinceLastReading(c.object);
                // Repeats of one error text are told about once a second: a twin told within that time
                // (and a reading's pause) may still be answering.
                const bool twinned = twinAt >= 0 && now - twinAt <= intervalMs +
                                                                        ReadingWorker::kRepeatWindow.count() +
                                                                        kLongestReadingIntervalMs;
                const bool fresh = readSinceLastPrint() && !twinned;
                QString status = QStringLiteral("ok");
                if (twinned) {
                    allRead = false;
                    status = ReadingWorker::withoutRepeatCount(twinError);
                } else if (!fresh) {
                    allRead = false;
                    const qint64 lastReadingAt = since >= 0 ? now - since : -1;
                    status = since >= 0 ? QStringLiteral("no reading in this interval")
                                        : QStringLiteral("no reading yet");
                    if (!errorTimes.isEmpty() && errorTimes.last() > lastReadingAt)
                        status = ReadingWorker::withoutRepeatCount(c.listener->errors.last());
                }
                out() << QDateTime::currentDateTime().toString(Qt::ISODateWithMs) << ','
                      << (fresh ? weightText(c) : QString()) << ',' << csvField(status) << Qt::endl;
                lastPrintAt = now;
                errorsAtLastPrint = c.listener->errors.size();
                answering = fresh;
            }
            stopReading(c.object);
            takeErrors();
            const auto *amplifier = qobject_cast<const AmplifierBase *>(c.object);
            if (stats && amplifier && amplifier->linkWatch())
                linkcli::printStats(out(), *amplifier->linkWatch());
            return allRead && c.listener->errors.isEmpty() ? 0 : 1;
        },
        {}};
}

int zero(Context &c) {
    return runFinishing(
        c, [&] { invoke(c.object, "zero"); }, QStringLiteral("Zero done."));
}

// One press of the driver's tare toggle; true when the driver's tare state is `on` afterwards.
bool pressTare(Context &c, bool on) {
    c.listener->finished.reset();
    invoke(c.object, "tare");
    const std::optional<bool> active = c.driver->tareActive();
    return c.listener->finished && c.listener->finished->ok && (!active || *active == on);
}

// Why a tare press failed: the driver's outcome, which says what the amplifier holds now.
int tareFailed(Context &c) {
    if (c.listener->finished && !c.listener->finished->ok)
        return fail(c.listener->finished->message);
    return failWith(c.listener->errors, QStringLiteral("Tare failed: the amplifier did not answer."));
}

Prepared tare(const QStringList &arguments, const QString &protocol) {
    const QString direction = arguments.isEmpty() ? QStringLiteral("on") : arguments.first();
    if (arguments.size() > 1 || (direction != QLatin1String("on") && direction != QLatin1String("off")))
        return refuse(QStringLiteral("tare takes on or off."));
    if (direction == QLatin1String("on"))
        return Prepared{[](Context &c) {
                            if (!pressTare(c, true))
                                return tareFailed(c);
                            out() << "Tare on." << Qt::endl;
                            return static_cast<int>(cli::kExitOk);
                        },
                        {}};
    // The value a tare-off writes back is held only by the connection that switched the tare on. A new
    // connection of the serial drivers can switch it off only by a tare-on followed at once by the
    // tare-off, which writes back the present raw AD value (any value but 0 switches the tare off). The
    // CANopen tare-off also moves the zero point to that value, so there it is refused.
    if (facts(protocol).tare == protocolfacts::TareKind::ZeroPointSwitch)
        return refuse(QStringLiteral("tare off is not available for CANOpen from the command line: it would "
                                     "move the zero point (switch the tare off in the program that switched "
                                     "it on)."));
    return Prepared{[](Context &c) {
                        if (!pressTare(c, true) || !pressTare(c, false))
                            return tareFailed(c);
                        out() << "Tare off." << Qt::endl;
                        return static_cast<int>(cli::kExitOk);
                    },
                    {}};
}

// The calibration's outcome as the driver reported it.
int calibrationOutcome(Context &c) {
    if (c.listener->finished && !c.listener->finished->ok)
        return fail(c.listener->finished->message);
    if (!c.listener->calibration)
        return failWith(c.listener->errors, QStringLiteral("The calibration did not report back."));
    if (!c.listener->calibration->isEmpty())
        return fail(*c.listener->calibration);
    out() << "Calibration done." << Qt::endl;
    return cli::kExitOk;
}

// "--capture WEIGHT...": the AD values are read stable from the amplifier, the empty scale first; the
// calibration rule then judges them as if they had been typed.
Prepared calibrateByCapture(const QStringList &arguments, bool force, bool multi) {
    QList<uint32_t> weights{0};
    for (const QString &text : arguments) {
        qulonglong weight = 0;
        if (!parseUnsigned(text, weight) || weight == 0 || weight > calibration::kMaxWeightGrams ||
            weight <= weights.last())
            return refuse(
                QStringLiteral("--capture takes span weights in grams, rising and above 0, not \"%1\".")
                    .arg(text));
        weights << static_cast<uint32_t>(weight);
    }
    if (weights.size() < 2 || weights.size() > calibration::kMaxPoints || (!multi && weights.size() != 2))
        return refuse(multi ? QStringLiteral("calibrate-multi --capture needs 1 to 8 span weights.")
                            : QStringLiteral("calibrate --capture needs SPAN_WEIGHT [--force]."));
    return Prepared{
        [weights, force, multi](Context &c) {
            QString error;
            const std::optional<QList<uint32_t>> adValues =
                captureAdPoints(c.object, weights, c.timeoutMs, &error);
            if (!adValues)
                return fail(error);
            const QString problem = calibrationProblem(*adValues, weights, force);
            if (!problem.isEmpty())
                return fail(problem);
            if (multi)
                QMetaObject::invokeMethod(c.object, "calibrateMultiPoints", Qt::DirectConnection,
                                          Q_ARG(QList<uint32_t>, *adValues), Q_ARG(QList<uint32_t>, weights));
            else
                QMetaObject::invokeMethod(c.object, "calibrateTwoPoints", Qt::DirectConnection,
                                          Q_ARG(uint32_t, adValues->at(0)), Q_ARG(uint32_t, adValues->at(1)),
                                          Q_ARG(uint32_t, weights.at(1)));
            return calibrationOutcome(c);
        },
        {}};
}

// Takes a "--capture" out of `arguments`; whether there was one.
bool takeCapture(QStringList &arguments) {
    return arguments.removeAll(QStringLiteral("--capture")) > 0;
}

Prepared calibrate(QStringList arguments) {
    const bool force = takeForce(arguments);
    if (takeCapture(arguments))
        return calibrateByCapture(arguments, force, false);
    if (arguments.size() != 3)
        return refuse(QStringLiteral("calibrate needs ZERO_AD SPAN_AD SPAN_WEIGHT [--force]."));
    std::array<uint32_t, 3> values{};
    for (int i = 0; i < 3; ++i) {
        qulonglong value = 0;
        if (!parseUnsigned(arguments.at(i), value) || value > 0xFFFFFFFFu)
            return refuse(QStringLiteral("Not an unsigned 32-bit number: %1").arg(arguments.at(i)));
        values[static_cast<size_t>(i)] = static_cast<uint32_t>(value);
    }
    const QString problem = calibrationProblem({values[0], values[1]}, {0, values[2]}, force);
    if (!problem.isEmpty())
        return refuse(problem);
    return Prepared{[values](Context &c) {
                        if (!QMetaObject::invokeMethod(c.object, "calibrateTwoPoints", Qt::DirectConnection,
                                                       Q_ARG(uint32_t, values[0]), Q_ARG(uint32_t, values[1]),
                                                       Q_ARG(uint32_t, values[2])))
                            return fail(QStringLiteral("This amplifier has no two-point calibration."));
                        return calibrationOutcome(c);
                    },
                    {}};
}

Prepared calibrateMulti(QStringList arguments, const QString &protocol) {
    const bool force = takeForce(arguments);
    if (!facts(protocol).capabilities.multiPointCalibration)
        return refuse(QStringLiteral("calibrate-multi is available for RS485 amplifiers only."));
    if (takeCapture(arguments))
        return calibrateByCapture(arguments, force, true);
    QList<uint32_t> adValues;
    QList<uint32_t> weights;
    for (const QString &point : arguments) {
        const QStringList parts = point.split(QLatin1Char(':'));
        qulonglong ad = 0;
        qulonglong weight = 0;
        if (parts.size() != 2 || !parseUnsigned(parts.at(0), ad) || !parseUnsigned(parts.at(1), weight) ||
            ad > 0xFFFFFFFFu || weight > 0xFFFFFFFFu)
            return refuse(
                QStringLiteral("A point is AD:WEIGHT with unsigned 32-bit numbers, not \"%1\".").arg(point));
        adValues << static_cast<uint32_t>(ad);
        weights << static_cast<uint32_t>(weight);
    }
    // The amplifier stores the first point as the zero point, weight 0 whatever is given.
    if (!weights.isEmpty() && weights.first() != 0)
        return refuse(QStringLiteral("The first point is the zero point: its weight must be 0, not %1.")
                          .arg(weights.first()));
    const QString problem = calibrationProblem(adValues, weights, force);
    if (!problem.isEmpty())
        return refuse(problem);
    return Prepared{[adValues, weights](Context &c) {
                        QMetaObject::invokeMethod(c.object, "calibrateMultiPoints", Qt::DirectConnection,
                                                  Q_ARG(QList<uint32_t>, adValues),
                                                  Q_ARG(QList<uint32_t>, weights));
                        return calibrationOutcome(c);
                    },
                    {}};
}

Prepared setFilters(const QStringList &arguments, const QString &protocol) {
    if (arguments.isEmpty())
        return refuse(QStringLiteral("set-filters needs at least one KEY=N."));
    const std::vector<regmap::Setting> &table = regmap::settings();
    const size_t kSettingCount = table.size();
    std::vector<std::optional<qulonglong>> values(kSettingCount);
    for (const QString &argument : arguments) {
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        const QString key = argument.left(equals);
        qulonglong value = 0;
        size_t index = kSettingCount;
        for (size_t i = 0; i < kSettingCount; ++i) {
            if (table[i].key && key == QLatin1String(table[i].key))
                index = i;
        }
        if (equals < 0 || index == kSettingCount)
            return refuse(
                QStringLiteral("Unknown setting \"%1\" (use fir, level, bandwidth, azt-time, azt-bandwidth, "
                               "stability or zero-point with =N).")
                    .arg(argument));
        // Which of two values was meant cannot be known.
        if (values[index])
            return refuse(QStringLiteral("%1 is given twice.").arg(key));
        const regmap::Range range = inputrules::rangeOf(table[index], protocol);
        if (!parseUnsigned(argument.mid(equals + 1), value) || value < range.min || value > range.max)
            return refuse(QStringLiteral("%1 is out of range for %2: %3 takes %4 to %5.")
                              .arg(argument, protocol, key)
                              .arg(range.min)
                              .arg(range.max));
        values[index] = value;
    }
    QVariantMap settings;
    for (size_t i = 0; i < kSettingCount; ++i) {
        if (values[i])
            settings.insert(QLatin1String(table[i].name), *values[i]);
    }
    return Prepared{[settings](Context &c) {
                        return runFinishing(
                            c,
                            [&] {
                                QMetaObject::invokeMethod(c.object, "writeFilterSettings",
                                                          Qt::DirectConnection, Q_ARG(QVariantMap, settings));
                            },
                            QStringLiteral("Filters set."));
                    },
                    {}};
}

// The signals that ask the tool to stop: Ctrl-C, a kill, and a closed terminal (a dropped remote session).
void onStopSignals(void (*handler)(int)) {
    std::signal(SIGINT, handler);
    std::signal(SIGTERM, handler);
#ifdef SIGHUP
    std::signal(SIGHUP, handler);
#endif
}

// Ctrl-C or a kill during a write: the write ends first (written and read back, or the old values put
// back), so that the amplifier is never left half-written; then the tool ends.
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

extern "C" void deferSignal(int) {
    g_interrupted = true;
}

// The self-test being run, for the signal handler: a stop makes it write back what it saved first.
std::atomic<AmplifierBase *> g_selfTest{nullptr};

extern "C" void stopSelfTestOnSignal(int) {
    if (AmplifierBase *amplifier = g_selfTest.load())
        amplifier->stopSelfTest();
}

int selfTest(Context &c) {
    auto *amplifier = qobject_cast<AmplifierBase *>(c.object);
    if (!amplifier || !amplifier->capabilities().selfTest)
        return fail(QStringLiteral("This amplifier has no register self-test."));
    c.listener->onLog = [](const QString &line) {
        out() << line << Qt::endl;
    };
    // Ctrl-C or a kill must not end the program with test values in the amplifier: they stop the test,
    // which writes back what it saved, and then it ends.
    g_selfTest.store(amplifier);
    onStopSignals(stopSelfTestOnSignal);
    // The test runs on a thread of its own; its narration and outcome arrive through the event loop.
    const int status = runFinishing(
        c,
        [&] {
            amplifier->testAllRegisters();
            waitFor([&] { return c.listener->finished.has_value(); }, std::numeric_limits<int>::max());
        },
        QString());
    onStopSignals(SIG_DFL);
    g_selfTest.store(nullptr);
    return status;
}

// Checks the arguments of `command` for `protocol`; nothing has been sent yet.
Prepared prepare(const QString &command, const QStringList &arguments, const QString &protocol) {
    if (command == QLatin1String("read-ad"))
        return noArguments(command, arguments, readAd);
    if (command == QLatin1String("read-weight"))
        return noArguments(command, arguments, readWeight);
    if (command == QLatin1String("watch"))
        return watch(arguments);
    if (command == QLatin1String("zero"))
        return noArguments(command, arguments, zero);
    if (command == QLatin1String("tare"))
        return tare(arguments, protocol);
    if (command == QLatin1String("calibrate"))
        return calibrate(arguments);
    if (command == QLatin1String("calibrate-multi"))
        return calibrateMulti(arguments, protocol);
    if (command == QLatin1String("set-filters"))
        return setFilters(arguments, protocol);
    if (command == QLatin1String("self-test"))
        return noArguments(command, arguments, selfTest);
    if (linkcli::isLinkCommand(command)) {
        linkcli::Prepared link = linkcli::prepare(command, arguments, protocol);
        if (!link.run)
            return refuse(link.error);
        return Prepared{[run = std::move(link.run)](Context &c) {
                            linkcli::Context context{c.driver, qobject_cast<AmplifierBase *>(c.object), out(),
                                                     err(), waitFor};
                            return run(context);
                        },
                        {}};
    }
    return refuse(QStringLiteral("Unknown command \"%1\". See kelvora-cli --help.").arg(command));
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
    const QCommandLineOption version = parser.addVersionOption();
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
                      QStringLiteral("Device id on the RS485 line (1 to 247) or CANopen node id (1 to 127); "
                                     "default 1. Not for RS232."),
                      QStringLiteral("n"), QStringLiteral("1")});
    parser.addOption({QStringLiteral("baud"), QStringLiteral("Line speed (default 9600)."),
                      QStringLiteral("rate"), QStringLiteral("9600")});
    parser.addOption({QStringLiteral("unit"), QStringLiteral("Weight unit: g, kg or lb (default g)."),
                      QStringLiteral("unit"), QStringLiteral("g")});
    parser.addOption(
        {QStringLiteral("timeout"),
         QStringLiteral("How long each exchange waits for an answer, in ms (default: the link's own, "
                        "about 140 ms on a serial line, 2000 ms on CAN)."),
         QStringLiteral("ms")});
    parser.addOption(
        {QStringLiteral("retries"),
         QStringLiteral("How many times an exchange without a usable answer is sent again (default 0)."),
         QStringLiteral("n"), QStringLiteral("0")});
    parser.addOption(
        {QStringLiteral("trace"), QStringLiteral("Print every frame of the command on stderr.")});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("What to do (see above)."));
    // Options after the command belong to it (watch --interval ...).
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    if (!parser.parse(QCoreApplication::arguments()))
        return badArguments(parser.errorText() + QStringLiteral("\nSee kelvora-cli --help."));
    if (parser.isSet(QStringLiteral("help"))) {
        out() << parser.helpText();
        return cli::kExitOk;
    }
    if (parser.isSet(version)) {
        out() << "kelvora-cli " << appVersion() << Qt::endl;
        return cli::kExitOk;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return badArguments(QStringLiteral("No command given. See kelvora-cli --help."));
    // Safety copies before a calibration, a self-test or a restore, into the program's own folder.
    backup::enableSafetyCopies();
    if (isOfflineBackupCommand(positional))
        return runOfflineBackupCommand(positional);
    if (!parser.isSet(QStringLiteral("protocol")) || !parser.isSet(QStringLiteral("port")))
        return badArguments(QStringLiteral("--protocol and --port are required. See kelvora-cli --help."));

    CliLinkOptions link;
    link.protocol = parser.value(QStringLiteral("protocol"));
    link.port = parser.value(QStringLiteral("port"));
    const QStringList protocols = protocolfacts::names();
    if (!protocols.contains(link.protocol)) {
        QStringList quoted = protocols;
        const QString last = quoted.takeLast();
        return badArguments(QStringLiteral("Unknown protocol \"%1\" (use %2 or %3).")
                                .arg(link.protocol, quoted.join(QStringLiteral(", ")), last));
    }
    qulonglong number = 0;
    // record takes a list of ids ("1,2,3") and checks it itself.
    const bool recording = positional.first() == QLatin1String("record");
    const std::optional<ValueRange> ids = deviceIdRange(link.protocol);
    if (!ids) {
        // The address byte is always 1 on a point-to-point port: an id given here would be ignored.
        if (parser.isSet(QStringLiteral("id")))
            return badArguments(
                QStringLiteral("--id is not used with %1: one amplifier per port, always address 1.")
                    .arg(link.protocol));
    } else if (!recording && (!parseUnsigned(parser.value(QStringLiteral("id")), number) ||
                              number < ids->min || number > ids->max)) {
        return badArguments(QStringLiteral("--id for %1 needs a device id from %2 to %3.")
                                .arg(link.protocol)
                                .arg(ids->min)
                                .arg(ids->max));
    }
    link.deviceId = ids && !recording ? static_cast<int>(number) : 1;
    // The CAN bus has its own fixed speed; a serial port takes only the speeds its driver knows.
    if (!parseUnsigned(parser.value(QStringLiteral("baud")), number) || number == 0 || number > 4000000 ||
        (facts(link.protocol).serialPort &&
         !serial::SerialLink::supportsBaudRate(static_cast<uint32_t>(number))))
        return badArguments(
            QStringLiteral("--baud %1 is not a line speed this port supports (such as 9600, 19200, "
                           "38400 or 115200).")
                .arg(parser.value(QStringLiteral("baud"))));
    link.baudRate = static_cast<int>(number);
    const QString unit = parser.value(QStringLiteral("unit"));
    if (!weight::isKnownUnit(unit))
        return badArguments(QStringLiteral("--unit must be g, kg or lb."));
    // The wait for the first readings covers every exchange of the connection and a few cycles.
    int timeoutMs = 5000;
    if (parser.isSet(QStringLiteral("timeout"))) {
        if (!parseUnsigned(parser.value(QStringLiteral("timeout")), number) || number == 0 || number > 600000)
            return badArguments(QStringLiteral("--timeout needs a number of milliseconds from 1 to 600000."));
        linkoptions::setAnswerTimeoutMs(static_cast<int>(number));
        timeoutMs = qMax(timeoutMs, static_cast<int>(number) * 8);
    }
    if (!parseUnsigned(parser.value(QStringLiteral("retries")), number) || number > 10)
        return badArguments(QStringLiteral("--retries needs a number from 0 to 10."));
    linkoptions::setRetries(static_cast<int>(number));
    timeoutMs *= static_cast<int>(number) + 1;
    const bool trace = parser.isSet(QStringLiteral("trace"));
    link.trace = trace;

    if (recording)
        return runRecordCommand(link, parser.value(QStringLiteral("id")), unit, positional.mid(1));
    // The check asks its questions on stdin and writes its report whatever happens after the connection.
    if (positional.first() == QLatin1String("check"))
        return runCheckCommand(link, positional.mid(1));
    if (isBackupCommand(positional.first())) {
        // A restore ends its write first: it stops before the next one and writes back what it wrote.
        onStopSignals(deferSignal);
        return runBackupCommand(link, positional, &g_interrupted);
    }
    // A scan probes ids of its own and needs no handshake.
    if (positional.first() == QLatin1String("scan"))
        return runScanCommand(link, positional.mid(1));
    // Every argument is checked before anything is sent.
    const Prepared prepared = prepare(positional.first(), positional.mid(1), link.protocol);
    if (!prepared.run)
        return badArguments(prepared.error);

    QString error;
    std::unique_ptr<CliDriver> driver = makeCliDriver(link, &error);
    if (!driver)
        return fail(error);
    QObject *object = driver->object();
    Listener listener;
    listener.attach(object);
    // Grams from the driver; weightText() converts.
    QMetaObject::invokeMethod(object, "setUnit", Qt::DirectConnection, Q_ARG(QString, QStringLiteral("g")));

    // The monitor and --trace show the frames from the handshake on: those are what tell why it fails.
    const auto *amplifier = qobject_cast<AmplifierBase *>(object);
    LinkWatch *linkWatch = amplifier ? amplifier->linkWatch() : nullptr;
    const bool monitoring = positional.first() == QLatin1String("monitor");
    if (linkWatch && (trace || monitoring))
        linkWatch->monitor().setRecording(true);
    linkcli::FramePrinter tracePrinter(trace ? linkWatch : nullptr, err());
    QTimer traceTimer;
    QObject::connect(&traceTimer, &QTimer::timeout, [&tracePrinter] { tracePrinter.flush(); });
    traceTimer.start(50);
    const linkstats::Snapshot before = linkcli::statsOf(amplifier);

    invoke(object, "connect");
    if (!listener.connected) {
        tracePrinter.flush();
        if (monitoring && linkWatch)
            linkcli::FramePrinter(linkWatch, out()).flush();
        return fail(listener.connectionErrors.isEmpty() ? QStringLiteral("Connection failed.")
                                                        : listener.connectionErrors.join(QLatin1Char('\n')),
                    linkcli::connectionFailedCode(amplifier, before, driver->linkLost()));
    }

    Context context{driver.get(), object, &listener, timeoutMs, unit, link.deviceId};
    const bool writes =
        QStringList{QStringLiteral("zero"), QStringLiteral("tare"), QStringLiteral("calibrate"),
                    QStringLiteral("calibrate-multi"), QStringLiteral("set-filters")}
            .contains(positional.first());
    if (writes) {
        onStopSignals(deferSignal);
    }
    int status = prepared.run(context);
    tracePrinter.flush();
    // A command that failed for a reason of the link says which.
    if (status == cli::kExitFailed)
        status = linkcli::exitCodeFor(amplifier, before, driver->linkLost());
    if (g_interrupted)
        err() << "A stop signal came during the write: the write was ended first, as said above." << Qt::endl;
    return status;
}

#include "main.moc"

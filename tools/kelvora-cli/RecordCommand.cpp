#include "RecordCommand.h"

#include "Console.h"
#include "ExitCodes.h"
#include "LinkCommands.h"

#include "link/LinkWatch.h"

#include "device/AmplifierBase.h"
#include "device/FileHandler.h"
#include "device/ProtocolFacts.h"
#include "device/WeightRecorder.h"
#include "link/serial/SerialLink.h"

#include <QCommandLineParser>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <csignal>

namespace {

std::atomic<bool> g_stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

extern "C" void requestStop(int) {
    g_stopRequested = true;
}

bool parseNumber(const QString &text, qlonglong low, qlonglong high, int &value) {
    bool ok = false;
    const qlonglong number = text.toLongLong(&ok, 10);
    if (!ok || number < low || number > high)
        return false;
    value = static_cast<int>(number);
    return true;
}

// Keeps why the last connection failed, from any driver's connectionFailed(QString).
class FailureText : public QObject {
    Q_OBJECT

public:
    QString text;
public slots:
    void take(const QString &why) { text = why; }
};

bool connectAndRead(QObject *driver, int readingIntervalMs) {
    QMetaObject::invokeMethod(driver, "stopContinuousADRead", Qt::DirectConnection);
    QMetaObject::invokeMethod(driver, "connect", Qt::DirectConnection);
    bool connected = false;
    QMetaObject::invokeMethod(driver, "isConnected", Qt::DirectConnection, Q_RETURN_ARG(bool, connected));
    if (connected)
        QMetaObject::invokeMethod(driver, "startContinuousMeasuringValueRead", Qt::DirectConnection,
                                  Q_ARG(int, readingIntervalMs));
    return connected;
}

// Whether connecting again may work: a serial device that is not there yet cannot be opened.
bool portPresent(const CliLinkOptions &link) {
#ifdef Q_OS_WIN
    Q_UNUSED(link);
    return true;
#else
    const protocolfacts::Facts *facts = protocolfacts::find(link.protocol);
    return (facts && !facts->serialPort) ||
           QFileInfo::exists(QString::fromStdString(serial::SerialLink::devicePath(link.port.toStdString())));
#endif
}

} // namespace

int runRecordCommand(const CliLinkOptions &link, const QString &idList, const QString &unit,
                     const QStringList &arguments) {
    QTextStream &out = cli::out();
    QTextStream &err = cli::err();
    // The arguments are checked before the line is opened.
    auto refuse = [](const QString &message) {
        return cli::fail(message, cli::kExitBadArguments);
    };

    QCommandLineParser parser;
    parser.addOption({QStringLiteral("interval"), QString(), QStringLiteral("ms")});
    parser.addOption({QStringLiteral("duration"), QString(), QStringLiteral("s")});
    parser.addOption({QStringLiteral("until-stopped"), QString()});
    if (!parser.parse(QStringList{QStringLiteral("record")} + arguments))
        return refuse(parser.errorText());
    int intervalMs = 0;
    if (!parseNumber(parser.value(QStringLiteral("interval")), 10, 3600000, intervalMs))
        return refuse(
            QStringLiteral("record needs --interval with a number of milliseconds from 10 to 3600000."));
    const bool untilStopped = parser.isSet(QStringLiteral("until-stopped"));
    int durationS = 0;
    if (untilStopped == parser.isSet(QStringLiteral("duration")))
        return refuse(QStringLiteral("record needs either --duration S or --until-stopped."));
    if (!untilStopped && !parseNumber(parser.value(QStringLiteral("duration")), 1, 2000000, durationS))
        return refuse(QStringLiteral("--duration needs a number of seconds from 1 to 2000000."));
    if (parser.positionalArguments().size() != 1)
        return refuse(QStringLiteral("record needs one output FILE after its options."));
    const QString path =
        FileHandler().resolveTypedPath(parser.positionalArguments().first(), QDir::currentPath());
    // The program asks before emptying a file that holds data; the tool cannot ask, so it refuses.
    if (QFileInfo(path).isFile() && QFileInfo(path).size() > 0)
        return refuse(QStringLiteral("%1 already holds data; record into a new file (it was left as it is).")
                          .arg(path));

    QList<int> ids{1};
    if (const std::optional<ValueRange> range = deviceIdRange(link.protocol)) {
        ids.clear();
        for (const QString &text : idList.split(QLatin1Char(','))) {
            int id = 0;
            if (!parseNumber(text.trimmed(), static_cast<qlonglong>(range->min),
                             static_cast<qlonglong>(range->max), id) ||
                ids.contains(id))
                return refuse(QStringLiteral("--id for %1 needs device ids from %2 to %3, each once (1,2,3).")
                                  .arg(link.protocol)
                                  .arg(range->min)
                                  .arg(range->max));
            ids << id;
        }
    }

    QString error;
    std::vector<std::unique_ptr<CliDriver>> drivers = makeCliDrivers(link, ids, &error);
    if (drivers.empty())
        return cli::fail(error);
    const int readingIntervalMs = WeightRecorder::readingIntervalFor(intervalMs);
    // The amplifiers of one run share one link, and so its frames.
    LinkWatch *linkWatch = dynamic_cast<AmplifierBase *>(drivers.front()->object())->linkWatch();
    if (link.trace && linkWatch)
        linkWatch->monitor().setRecording(true);
    linkcli::FramePrinter trace(link.trace ? linkWatch : nullptr, err);
    QList<AmplifierBase *> amplifiers;
    for (size_t i = 0; i < drivers.size(); ++i) {
        QObject *driver = drivers[i]->object();
        auto *amplifier = dynamic_cast<AmplifierBase *>(driver);
        amplifier->setName(QString::number(i + 1));
        FailureText why;
        QObject::connect(driver, SIGNAL(connectionFailed(QString)), &why, SLOT(take(QString)));
        const bool connected = connectAndRead(driver, readingIntervalMs);
        trace.flush();
        if (!connected)
            // Nothing sent at all: the line could not be opened.
            return cli::fail(QStringLiteral("Amplifier %1 did not connect on %2: %3")
                                 .arg(amplifier->linkDescription(), link.port, why.text),
                             linkcli::statsOf(amplifier).requests == 0
                                 ? static_cast<int>(cli::kExitPortLost)
                                 : linkcli::exitCodeFor(amplifier, {}, drivers[i]->linkLost()));
        amplifiers << amplifier;
    }

    WeightRecorder recorder;
    if (!recorder.record(amplifiers, intervalMs, durationS, path, unit))
        return cli::fail(recorder.lastError());
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
#ifdef SIGHUP
    // A closed terminal (a dropped remote session) ends the run as Ctrl-C does, with the file complete.
    std::signal(SIGHUP, requestStop);
#endif
    err << "Recording into " << path << (untilStopped ? "; Ctrl-C ends it." : ".") << Qt::endl;

    QEventLoop loop;
    QObject::connect(&recorder, &WeightRecorder::finished, &loop, &QEventLoop::quit);
    // Signals, and the link: while it is gone the rows say N/A; once it is back the amplifiers connect again.
    bool lost = false;
    int sinceAttemptMs = 0;
    // The amplifiers share the line: once the first of them has opened it again, the others no longer see
    // it lost, yet their workers still pause as after a run of failures. Each connects again itself.
    std::vector<bool> toConnect(drivers.size(), false);
    QTimer watch;
    constexpr int kWatchMs = 50;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (g_stopRequested)
            recorder.stop();
        trace.flush();
        sinceAttemptMs += kWatchMs;
        bool anyLost = false;
        for (const std::unique_ptr<CliDriver> &driver : drivers)
            anyLost = driver->linkDown() || anyLost;
        if (anyLost)
            std::fill(toConnect.begin(), toConnect.end(), true);
        // A connection attempt holds up the rows for as long as its handshake waits: only where needed.
        if (sinceAttemptMs >= 1000 && portPresent(link)) {
            for (size_t i = 0; i < drivers.size(); ++i) {
                if (toConnect[i] && drivers[i]->readsAgainByItself())
                    toConnect[i] = false;
                else if (toConnect[i])
                    toConnect[i] = !connectAndRead(drivers[i]->object(), readingIntervalMs);
            }
        }
        if (sinceAttemptMs >= 1000)
            sinceAttemptMs = 0;
        if (anyLost != lost)
            err << (anyLost ? QStringLiteral("Lost %1; rows say N/A until it is back.")
                                  .arg(drivers[0]->linkName())
                            : QStringLiteral("Back: %1.").arg(drivers[0]->linkName()))
                << Qt::endl;
        lost = anyLost;
    });
    watch.start(kWatchMs);
    if (recorder.isRunning())
        loop.exec();
    watch.stop();
    recorder.waitUntilWritten();
    for (const std::unique_ptr<CliDriver> &driver : drivers)
        QMetaObject::invokeMethod(driver->object(), "stopContinuousADRead", Qt::DirectConnection);
    trace.flush();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
#ifdef SIGHUP
    std::signal(SIGHUP, SIG_DFL);
#endif
    if (!recorder.lastError().isEmpty())
        return cli::fail(recorder.lastError());
    out << "Recorded " << recorder.rowCount() << " rows into " << path << Qt::endl;
    return cli::kExitOk;
}

#include "RecordCommand.moc"

// The program's main window on the offscreen platform with 8 simulated RS485 amplifiers on the Weight Plot
// screen, each with its tile refreshing every 100 ms and its curve in the live plot, for a while (60 s by
// default, or the first argument in seconds). Built from the program's own registrations and resources.
// Prints name=value lines: the process's CPU time as a share of one core, the worst lateness of a 16 ms timer
// on the GUI thread (how long the interface could freeze) and the growth of resident memory after a warm-up.
#include "QmlWiring.h"
#include "SettingsManager.h"
#include "amplifiers/AmplifierFactory.h"
#include "amplifiers/RS232Controller.h"
#include "amplifiers/rs485/RS485Bus.h"

#include "ResidentMemory.h"
#include "SimulatorProcess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QVariant>

#include <algorithm>
#include <cstdio>

#include <sys/resource.h>

namespace {

constexpr int kAmplifiers = 8;
constexpr int kFrameMs = 16;
constexpr int kWarmUpMs = 3000;

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Repeater-made items have no QObject parent, so the search follows the visual children.
QQuickItem *findItem(QQuickItem *item, const QString &name) {
    if (item->objectName() == name)
        return item;
    for (QQuickItem *child : item->childItems()) {
        if (QQuickItem *found = findItem(child, name))
            return found;
    }
    return nullptr;
}

void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char *argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 60;

    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QCoreApplication::setOrganizationName(QStringLiteral("Kelvora"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvora Amplifier Manager"));

    QStringList ids;
    for (int id = 1; id <= kAmplifiers; ++id)
        ids << QString::number(id);
    SimulatorProcess sim({QStringLiteral("--ids"), ids.join(QLatin1Char(',')), QStringLiteral("--noise"),
                          QStringLiteral("200")});
    if (!sim.isReady()) {
        std::fprintf(stderr, "bench_ui: %s\n", qPrintable(sim.errorString()));
        return 1;
    }

    qmlwiring::registerTypes();
    RS232Controller controller;
    RS485Bus bus;
    QQmlApplicationEngine engine;
    qmlwiring::publish(engine, &bus, &controller, SettingsManager::getInstance());
    engine.load(QUrl(QStringLiteral("qrc:/DesktopApplication.qml")));
    if (engine.rootObjects().isEmpty())
        return 1;
    auto *screen =
        engine.rootObjects().constFirst()->findChild<QQuickItem *>(QStringLiteral("weightPlotScreen"));
    if (!screen) {
        std::fprintf(stderr, "bench_ui: no Weight Plot screen\n");
        return 1;
    }

    // The amplifiers reach the screen as the calibration page hands them over: connected, pre-calibrated.
    AmplifierFactory factory;
    for (int id = 1; id <= kAmplifiers; ++id) {
        QObject *amplifier =
            factory.createAmplifier(QStringLiteral("RS485"), QStringLiteral("AmplifierModel"), sim.port(),
                                    9600, static_cast<uint8_t>(id), &bus);
        QQmlEngine::setObjectOwnership(amplifier, QQmlEngine::JavaScriptOwnership);
        QMetaObject::invokeMethod(amplifier, "connect");
        bool connected = false;
        QMetaObject::invokeMethod(amplifier, "isConnected", Q_RETURN_ARG(bool, connected));
        if (!connected) {
            std::fprintf(stderr, "bench_ui: amplifier %d did not connect\n", id);
            return 1;
        }
        QMetaObject::invokeMethod(screen, "addAmplifier", Q_ARG(QVariant, QVariant::fromValue(amplifier)));
    }

    runFor(kWarmUpMs);
    const double rssStart = residentMegabytes();
    const double cpuStart = cpuSeconds();
    QElapsedTimer wall;
    wall.start();

    double worstStallMs = 0;
    QElapsedTimer sinceTick;
    sinceTick.start();
    QTimer frame;
    frame.setTimerType(Qt::PreciseTimer);
    QObject::connect(&frame, &QTimer::timeout, [&] {
        worstStallMs = std::max(worstStallMs, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6 - kFrameMs);
        sinceTick.restart();
    });
    frame.start(kFrameMs);
    runFor(seconds * 1000);
    frame.stop();

    const double cpuPercent =
        100.0 * (cpuSeconds() - cpuStart) / (static_cast<double>(wall.elapsed()) / 1000.0);
    const double rssEnd = residentMegabytes();
    QString firstTile;
    if (QQuickItem *tile = findItem(screen, QStringLiteral("tile_1")))
        if (QQuickItem *weight = findItem(tile, QStringLiteral("tileWeight")))
            firstTile = weight->property("text").toString();

    std::printf("ui_amplifiers=%d\n", kAmplifiers);
    std::printf("ui_seconds=%d\n", seconds);
    std::printf("ui_tile_1=%s\n", qPrintable(firstTile));
    std::printf("ui_rss_start_mb=%.1f\n", rssStart);
    std::printf("ui_rss_end_mb=%.1f\n", rssEnd);
    std::printf("ui_cpu_percent=%.1f\n", cpuPercent);
    std::printf("ui_worst_stall_ms=%.1f\n", std::max(0.0, worstStallMs));
    std::printf("ui_rss_growth_mb=%.1f\n", rssEnd - rssStart);
    return 0;
}

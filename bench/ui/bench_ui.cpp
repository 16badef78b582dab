// The program's main window with 8 simulated RS485 amplifiers on the Weight Plot screen, each with its tile
// refreshing every 100 ms and its curve in the live plot, for a while (60 s by default, or the first argument
// in seconds). Built from the program's own registrations and resources. Three cases, each in a process of
// its own:
// - "ui_": the offscreen platform (the cost of the logic, little painting);
// - "ui_render_": a real X display (an Xvfb the benchmark starts itself when DISPLAY is not set) with the
//   renderer the program chooses there: Qt Quick's software renderer where OpenGL is a software rasteriser;
// - "ui_render_opengl_": the same display with Qt Quick's OpenGL renderer, for comparison;
// - "ui_render_link_": the chosen renderer with the Link screen shown instead: its counters and the frames of
//   the 8 amplifiers refreshing twice a second.
// Prints name=value lines per case: the process's CPU time as a share of one core, the worst lateness of a
// 16 ms timer on the GUI thread (how long the interface could freeze) and the growth of resident memory after
// a warm-up.
#include "app/AmplifierFactory.h"
#include "app/QmlWiring.h"
#include "app/RS232Controller.h"
#include "app/SettingsManager.h"
#include "app/utils/SceneGraphBackend.h"
#include "link/serial/RS485Bus.h"

#include "ResidentMemory.h"
#include "SimulatorProcess.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
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

// One case, in this process, on the platform the environment names; `prefix` starts every figure's name.
// With `linkScreen` the Link screen is shown once the amplifiers are on the Weight Plot screen.
int runCase(int argc, char *argv[], int seconds, const char *prefix, bool linkScreen) {
    QApplication app(argc, argv);
    // As the program does: the renderer it would choose on this display.
    const bool softwareScene = scenegraph::chooseBackend();

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

    if (linkScreen) {
        QObject *content =
            engine.rootObjects().constFirst()->findChild<QObject *>(QStringLiteral("appContent"));
        if (!content || !QMetaObject::invokeMethod(content, "showScreen",
                                                   Q_ARG(QVariant, QVariant(QStringLiteral("Link"))))) {
            std::fprintf(stderr, "bench_ui: no Link screen\n");
            return 1;
        }
    }

    // Frames the scene graph renders and posts to the screen.
    int frames = 0;
    auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().constFirst());
    if (window)
        QObject::connect(window, &QQuickWindow::frameSwapped, [&frames] { ++frames; });

    runFor(kWarmUpMs);
    frames = 0;
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

    std::printf("%samplifiers=%d\n", prefix, kAmplifiers);
    std::printf("%sseconds=%d\n", prefix, seconds);
    std::printf("%splatform=%s\n", prefix, qPrintable(QGuiApplication::platformName()));
    std::printf("%sscene_renderer=%s\n", prefix, softwareScene ? "software" : "default");
    std::printf("%stile_1=%s\n", prefix, qPrintable(firstTile));
    std::printf("%swindow=%dx%d\n", prefix, window ? window->width() : 0, window ? window->height() : 0);
    std::printf("%sframes_per_second=%.1f\n", prefix,
                frames / (static_cast<double>(wall.elapsed()) / 1000.0));
    std::printf("%srss_start_mb=%.1f\n", prefix, rssStart);
    std::printf("%srss_end_mb=%.1f\n", prefix, rssEnd);
    std::printf("%scpu_percent=%.1f\n", prefix, cpuPercent);
    std::printf("%sworst_stall_ms=%.1f\n", prefix, std::max(0.0, worstStallMs));
    std::printf("%srss_growth_mb=%.1f\n", prefix, rssEnd - rssStart);
    std::fflush(stdout);
    return 0;
}

// Runs one case in a child process with `environment`; its figures go to our output. False on failure.
bool runChild(const QString &caseName, int seconds, const QProcessEnvironment &environment) {
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--case"), caseName, QString::number(seconds)});
    if (!child.waitForFinished((seconds + 120) * 1000)) {
        child.kill();
        child.waitForFinished();
        std::fprintf(stderr, "bench_ui: the %s case did not finish\n", qPrintable(caseName));
        return false;
    }
    std::fputs(child.readAllStandardOutput().constData(), stdout);
    std::fflush(stdout);
    return child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
}

// An X server of our own; its display name, or "" when it could not be started.
QString startXvfb(QProcess &xvfb) {
    // -displayfd: the server picks a free display and writes its number once it accepts clients.
    xvfb.start(QStringLiteral("Xvfb"),
               {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                QStringLiteral("0"), QStringLiteral("1600x1000x24"), QStringLiteral("-nolisten"),
                QStringLiteral("tcp")});
    if (!xvfb.waitForStarted(10000))
        return QString();
    QByteArray number;
    while (!number.contains('\n') && xvfb.waitForReadyRead(20000))
        number += xvfb.readAllStandardOutput();
    number = number.trimmed();
    return number.isEmpty() ? QString() : QStringLiteral(":") + QString::fromLatin1(number);
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc > 3 && QByteArray(argv[1]) == "--case") {
        const int seconds = std::max(1, QByteArray(argv[3]).toInt());
        const QByteArray caseName(argv[2]);
        return runCase(argc, argv, seconds,
                       caseName == "rendered"          ? "ui_render_"
                       : caseName == "rendered-opengl" ? "ui_render_opengl_"
                       : caseName == "rendered-link"   ? "ui_render_link_"
                                                       : "ui_",
                       caseName == "rendered-link");
    }
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 60;

    QProcessEnvironment offscreen = QProcessEnvironment::systemEnvironment();
    offscreen.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    bool ok = runChild(QStringLiteral("offscreen"), seconds, offscreen);

    QProcessEnvironment rendered = QProcessEnvironment::systemEnvironment();
    rendered.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QProcess xvfb;
    if (rendered.value(QStringLiteral("DISPLAY")).isEmpty()) {
        const QString display = startXvfb(xvfb);
        if (display.isEmpty()) {
            std::fprintf(stderr, "bench_ui: no DISPLAY and Xvfb could not be started\n");
            return 1;
        }
        rendered.insert(QStringLiteral("DISPLAY"), display);
    }
    ok = runChild(QStringLiteral("rendered"), seconds, rendered) && ok;
    ok = runChild(QStringLiteral("rendered-link"), seconds, rendered) && ok;
    // For comparison: Qt Quick's OpenGL renderer on the same display whatever it is (on Xvfb, Mesa's
    // software rasteriser), which the program used before it chose by itself.
    rendered.insert(QStringLiteral("QSG_RHI_BACKEND"), QStringLiteral("opengl"));
    ok = runChild(QStringLiteral("rendered-opengl"), seconds, rendered) && ok;
    if (xvfb.state() != QProcess::NotRunning) {
        xvfb.terminate();
        if (!xvfb.waitForFinished(5000)) {
            xvfb.kill();
            xvfb.waitForFinished();
        }
    }
    return ok ? 0 : 1;
}

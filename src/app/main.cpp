#include "app/QmlWiring.h"
#include "app/RS232Controller.h"
#include "app/SettingsManager.h"
#include "app/SingleApplication.h"
#include "app/utils/SceneGraphBackend.h"
#include "app/utils/UtilsApp.h"
#include "app/utils/UtilsLanguage.h"
#include "app/utils/UtilsScreen.h"
#include "app/utils/UtilsSysInfo.h"
#include "app/utils/UtilsWiFi.h"
#include "device/AppVersion.h"
#include "link/can/CanLink.h"
#include "link/serial/RS485Bus.h"

#include <QCommandLineParser>
#include <QDebug>
#include <QIcon>
#include <QQmlApplicationEngine>
#include <QQuickWindow>

#include <cstdio>
#include <optional>

namespace {
// With KELVORA_TRACE_INSTANCE set, the program reports on standard output when its window is up and each
// time another start hands over to it. Automated start-up checks wait for these lines.
bool traceInstance() {
    return qEnvironmentVariableIsSet("KELVORA_TRACE_INSTANCE");
}

void trace(const char *line) {
    if (!traceInstance())
        return;
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// --help and --version print and end before the single-instance guard, so they work while the program runs
// and never open a window. Every other argument is left to the application object, which knows Qt's own
// options (-platform, -style, -reverse, ...).
std::optional<int> answerHelpOrVersion(int argc, char *argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Connects, calibrates and watches Kelvora load-cell amplifiers."));
    // "-reverse" must stay one of Qt's options, not read as the short options -r -e -v ...
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    // Not addHelpOption(): its --help-all would promise Qt's options, which only the application object
    // knows.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")},
                                  QStringLiteral("Displays help on commandline options."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    parser.parse(arguments); // unknown options are Qt's, not errors
    if (!parser.isSet(help) && !parser.isSet(version))
        return std::nullopt;
    // The parser takes the executable's name for the usage line from an application object.
    QCoreApplication info(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kelvora-amplifier-manager"));
    QCoreApplication::setApplicationVersion(appVersion());
    const QByteArray text =
        (parser.isSet(help) ? parser.helpText()
                            : QCoreApplication::applicationName() + QLatin1Char(' ') +
                                  QCoreApplication::applicationVersion() + QLatin1Char('\n'))
            .toLocal8Bit();
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
} // namespace

int main(int argc, char *argv[]) {
    if (const std::optional<int> exitCode = answerHelpOrVersion(argc, argv))
        return *exitCode;
    // Lets the desktop match the window to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.kelvora.AmplifierManager"));

    qputenv("QT_QUICK_FLICKABLE_WHEEL_DECELERATION", "10000");

    // A second start announces itself to the running instance and ends here with status 0; a guard that
    // cannot be set up ends here with status 1.
    SingleApplication app(argc, argv, SingleApplication::kDefaultTimeoutMs);
    if (app.shouldExit())
        return app.exitCode();
    scenegraph::chooseBackend();

    QCoreApplication::setApplicationName(QStringLiteral("Kelvora Amplifier Manager"));
    QCoreApplication::setOrganizationName(QStringLiteral("Kelvora"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("Kelvora"));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/assets/gfx/logos/file.svg")));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Kelvora Amplifier Manager"));

    SettingsManager *settingsManager = SettingsManager::getInstance();
    if (!settingsManager) {
        qWarning() << "Cannot init app components!";
        return 1;
    }

    UtilsApp *utilsApp = UtilsApp::getInstance();
    UtilsScreen *utilsScreen = UtilsScreen::getInstance();
    UtilsSysInfo *utilsSysInfo = UtilsSysInfo::getInstance();
    UtilsWiFi::getInstance();
    UtilsLanguage *utilsLanguage = UtilsLanguage::getInstance();
    if (!utilsApp || !utilsScreen || !utilsSysInfo || !utilsLanguage) {
        qWarning() << "Cannot init generic utils!";
        return 1;
    }

    utilsLanguage->loadLanguage(settingsManager->getAppLanguage());

    qmlwiring::registerTypes();

    // Declared before the engine so that it outlives the scene holding its amplifiers.
    RS232Controller amplifierController;
    // Never destroyed before the process ends: amplifiers may use it until their own teardown.
    auto *sharedBus = new RS485Bus();
    // Declared before the engine, for the same reason; its thread ends before the application object.
    CanLink canLink(CanLinkConfig::fromEnvironment());

    QQmlApplicationEngine engine;
    qmlwiring::publish(engine, sharedBus, &amplifierController, settingsManager, &canLink);

    engine.load(QUrl(QStringLiteral("qrc:/DesktopApplication.qml")));
    if (engine.rootObjects().isEmpty()) {
        qWarning() << "Cannot init QmlApplicationEngine!";
        return 1;
    }

    utilsLanguage->setQmlContext(&engine);

    auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().value(0));
    if (window) {
        utilsApp->setQuickWindow(window);
        QObject::connect(&app, &SingleApplication::instanceStarted, window, &QQuickWindow::show);
        QObject::connect(&app, &SingleApplication::instanceStarted, window, &QQuickWindow::raise);
        // Showing and raising leave a minimised window minimised, so the user would still see nothing.
        QObject::connect(&app, &SingleApplication::instanceStarted, window, [window] {
            if (window->windowStates() & Qt::WindowMinimized)
                window->setWindowStates(window->windowStates() & ~Qt::WindowMinimized);
            window->requestActivate();
        });
    }
    QObject::connect(&app, &SingleApplication::instanceStarted, &app, [] { trace("instanceStarted"); });

    trace("ready");
    return app.exec();
}

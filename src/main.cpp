#include "SettingsManager.h"
#include "SingleApplication.h"
#include "amplifiers/AmplifierFactory.h"
#include "amplifiers/RS232Controller.h"
#include "amplifiers/rs232/RS232Amplifier.h"
#include "amplifiers/rs485/RS485Bus.h"
#include "files/FileHandler.h"
#include "files/SerialPortHelper.h"
#include "plot/CustomPlotItem.h"
#include "utils/MobileUI.h"
#include "utils/UtilsApp.h"
#include "utils/UtilsLanguage.h"
#include "utils/UtilsScreen.h"
#include "utils/UtilsSysInfo.h"
#include "utils/UtilsWiFi.h"

#include <QDebug>
#include <QDir>
#include <QIcon>
#include <QMetaType>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickWindow>
#include <QtQml/qqml.h>

#include <cstdint>
#include <cstdio>

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
} // namespace

int main(int argc, char *argv[]) {
    qputenv("QT_QUICK_FLICKABLE_WHEEL_DECELERATION", "10000");

    // A second start announces itself to the running instance and ends here with status 0; a guard that
    // cannot be set up ends here with status 1.
    SingleApplication app(argc, argv, SingleApplication::kDefaultTimeoutMs);
    if (app.shouldExit())
        return app.exitCode();

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
    UtilsWiFi *utilsWiFi = UtilsWiFi::getInstance();
    UtilsLanguage *utilsLanguage = UtilsLanguage::getInstance();
    if (!utilsApp || !utilsScreen || !utilsSysInfo || !utilsLanguage) {
        qWarning() << "Cannot init generic utils!";
        return 1;
    }

    utilsLanguage->loadLanguage(settingsManager->getAppLanguage());

    MobileUI::registerQML();

    // Drivers declare signals with uint32_t arguments; QML and queued connections need the name known.
    qRegisterMetaType<uint32_t>("uint32_t");

    qmlRegisterSingletonType(QUrl(QStringLiteral("qrc:/ComponentLibrary/ThemeEngine.qml")),
                             "ComponentLibrary", 1, 0, "Theme");
    qmlRegisterType<SerialPortHelper>("CustomComponents", 1, 0, "SerialPortHelper");
    qmlRegisterUncreatableType<RS232Amplifier>(
        "CustomComponents", 1, 0, "RS232Amplifier",
        QStringLiteral("RS232Amplifier objects come from AmplifierFactory or the amplifier controller"));

    // The engine owns the factory it asks for (parentless, created on first use in QML).
    qmlRegisterSingletonType<AmplifierFactory>(
        "com.example.amplifiers", 1, 0, "AmplifierFactory",
        [](QQmlEngine *, QJSEngine *) -> QObject * { return new AmplifierFactory(); });

    // Declared before the engine so that it outlives the scene holding its amplifiers.
    RS232Controller amplifierController;
    // Never destroyed before the process ends: amplifiers may use it until their own teardown.
    auto *sharedBus = new RS485Bus();

    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral(":/"));
    engine.addImportPath(QStringLiteral(":/Halvern"));
    engine.addImportPath(QStringLiteral(":/ComponentLibrary"));

    QQmlContext *context = engine.rootContext();
    context->setContextProperty(QStringLiteral("sharedBus"), sharedBus);
    context->setContextProperty(QStringLiteral("amplifierController"), &amplifierController);
    context->setContextProperty(QStringLiteral("settingsManager"), settingsManager);
    context->setContextProperty(QStringLiteral("utilsApp"), utilsApp);
    context->setContextProperty(QStringLiteral("utilsLanguage"), utilsLanguage);
    context->setContextProperty(QStringLiteral("utilsScreen"), utilsScreen);
    context->setContextProperty(QStringLiteral("utilsSysInfo"), utilsSysInfo);
    context->setContextProperty(QStringLiteral("utilsWiFi"), utilsWiFi);

    // A folder that cannot be created is no reason to stop; the path is published either way.
    const QString logsFolder = QCoreApplication::applicationDirPath() + QStringLiteral("/logs");
    QDir().mkpath(logsFolder);
    context->setContextProperty(QStringLiteral("LOGS_FOLDER"), logsFolder);

    qmlRegisterType<FileHandler>("com.example.filehandler", 1, 0, "FileHandler");
    qmlRegisterType<CustomPlotItem>("CustomPlot", 1, 0, "CustomPlot");

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

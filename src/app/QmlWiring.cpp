#include "app/QmlWiring.h"

#include "app/AmplifierFactory.h"
#include "app/RS232Controller.h"
#include "app/SettingsManager.h"
#include "app/backup/BackupSession.h"
#include "app/check/CheckQml.h"
#include "app/files/SerialPortHelper.h"
#include "app/link/FrameListModel.h"
#include "app/link/LinkRegisters.h"
#include "app/link/LinkStatsModel.h"
#include "app/plot/AmplifierListModel.h"
#include "app/plot/CustomPlotItem.h"
#include "app/plot/PointsPlotItem.h"
#include "app/utils/MobileUI.h"
#include "app/utils/UtilsApp.h"
#include "app/utils/UtilsLanguage.h"
#include "app/utils/UtilsScreen.h"
#include "app/utils/UtilsSysInfo.h"
#include "app/utils/UtilsWiFi.h"
#include "device/BusScanner.h"
#include "device/FileHandler.h"
#include "device/InputRules.h"
#include "device/WeightRecorder.h"
#include "device/backup/Backup.h"
#include "device/rs232/RS232Amplifier.h"
#include "link/serial/RS485Bus.h"

#include <QCoreApplication>
#include <QMetaType>
#include <QQmlContext>
#include <QQmlEngine>
#include <QtQml/qqml.h>

#include <cstdint>

namespace qmlwiring {

void registerTypes() {
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
        "com.example.amplifiers", 1, 0, "AmplifierFactory", [](QQmlEngine *engine, QJSEngine *) -> QObject * {
            return new AmplifierFactory(
                qvariant_cast<CanLink *>(engine->rootContext()->contextProperty(QStringLiteral("canLink"))));
        });
    qmlRegisterType<BusScanner>("com.example.amplifiers", 1, 0, "BusScanner");
    qmlRegisterType<BackupSession>("com.example.amplifiers", 1, 0, "BackupSession");
    // Calibrations, self-tests and restores save what the amplifier held first, in the application data.
    backup::enableSafetyCopies();
    qmlRegisterSingletonType<InputRules>(
        "com.example.amplifiers", 1, 0, "InputRules",
        [](QQmlEngine *, QJSEngine *) -> QObject * { return new InputRules(); });
    checkqml::registerTypes();
}

QString publish(QQmlEngine &engine, RS485Bus *sharedBus, RS232Controller *controller,
                SettingsManager *settings, CanLink *canLink) {
    engine.addImportPath(QStringLiteral(":/"));
    engine.addImportPath(QStringLiteral(":/Halvern"));
    engine.addImportPath(QStringLiteral(":/ComponentLibrary"));

    QQmlContext *context = engine.rootContext();
    context->setContextProperty(QStringLiteral("sharedBus"), sharedBus);
    context->setContextProperty(QStringLiteral("canLink"), canLink);
    context->setContextProperty(QStringLiteral("amplifierController"), controller);
    context->setContextProperty(QStringLiteral("settingsManager"), settings);
    context->setContextProperty(QStringLiteral("utilsApp"), UtilsApp::getInstance());
    context->setContextProperty(QStringLiteral("utilsLanguage"), UtilsLanguage::getInstance());
    context->setContextProperty(QStringLiteral("utilsScreen"), UtilsScreen::getInstance());
    context->setContextProperty(QStringLiteral("utilsSysInfo"), UtilsSysInfo::getInstance());
    context->setContextProperty(QStringLiteral("utilsWiFi"), UtilsWiFi::getInstance());

    // A folder that cannot be written is no reason to stop; a path is published either way.
    const QString logsFolder =
        FileHandler::logsFolder(QCoreApplication::applicationDirPath() + QStringLiteral("/logs"));
    context->setContextProperty(QStringLiteral("LOGS_FOLDER"), logsFolder);

    qmlRegisterType<FileHandler>("com.example.filehandler", 1, 0, "FileHandler");
    qmlRegisterType<CustomPlotItem>("CustomPlot", 1, 0, "CustomPlot");
    qmlRegisterType<PointsPlotItem>("CustomPlot", 1, 0, "PointsPlot");
    qmlRegisterType<WeightRecorder>("CustomPlot", 1, 0, "WeightRecorder");
    qmlRegisterType<AmplifierListModel>("CustomPlot", 1, 0, "AmplifierListModel");
    qmlRegisterType<LinkStatsModel>("KelvoraLink", 1, 0, "LinkStatsModel");
    qmlRegisterType<FrameListModel>("KelvoraLink", 1, 0, "FrameListModel");
    qmlRegisterType<LinkRegisters>("KelvoraLink", 1, 0, "LinkRegisters");
    return logsFolder;
}

} // namespace qmlwiring

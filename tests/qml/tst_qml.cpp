// Runs the screens' Qt Quick Test suites (tst_*.qml beside this file) with the program's own registrations,
// resources and context properties, plus `simulators` to drive simulated amplifiers.
#include "QmlWiring.h"
#include "SettingsManager.h"
#include "SimulatedAmplifiers.h"
#include "amplifiers/RS232Controller.h"
#include "amplifiers/rs485/RS485Bus.h"

#include <QApplication>
#include <QQmlContext>
#include <QQmlEngine>
#include <QSettings>
#include <QTemporaryDir>
#include <QtQuickTest>

#include <cstdio>

namespace {

// A script or binding error in a screen is a fault even when no test step looks at the broken part, so any
// warning that points into a QML document fails the run.
int s_qmlWarnings = 0;
QtMessageHandler s_previousHandler = nullptr;

void countQmlWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (type != QtDebugMsg && type != QtInfoMsg &&
        (message.startsWith(QLatin1String("qrc:/")) || message.startsWith(QLatin1String("file:/"))))
        ++s_qmlWarnings;
    s_previousHandler(type, context, message);
}

class Setup : public QObject {
    Q_OBJECT

public slots:
    void applicationAvailable() {
        // The tests must neither read nor change the user's own settings.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
        QCoreApplication::setOrganizationName(QStringLiteral("Kelvora"));
        QCoreApplication::setApplicationName(QStringLiteral("Kelvora Amplifier Manager"));
        qmlwiring::registerTypes();
    }

    void qmlEngineAvailable(QQmlEngine *engine) {
        qmlwiring::publish(*engine, &m_bus, &m_controller, SettingsManager::getInstance());
        engine->rootContext()->setContextProperty(QStringLiteral("simulators"), &m_simulators);
    }

    void cleanupTestCase() { m_simulators.stopAll(); }

private:
    QTemporaryDir m_settingsDir;
    // As in the program: one line for the whole run, a controller that outlives the scenes.
    RS485Bus m_bus;
    RS232Controller m_controller;
    SimulatedAmplifiers m_simulators;
};

} // namespace

int main(int argc, char **argv) {
    // The plot item draws through a widget, which needs a widget application.
    QApplication app(argc, argv);
    QTEST_SET_MAIN_SOURCE_PATH
    s_previousHandler = qInstallMessageHandler(countQmlWarnings);
    Setup setup;
    const int failed = quick_test_main_with_setup(argc, argv, "kelvora_qml", QUICK_TEST_SOURCE_DIR, &setup);
    if (s_qmlWarnings > 0)
        std::fprintf(stderr, "FAIL: %d warning(s) from QML documents\n", s_qmlWarnings);
    return failed != 0 ? failed : (s_qmlWarnings > 0 ? 1 : 0);
}

#include "tst_qml.moc"

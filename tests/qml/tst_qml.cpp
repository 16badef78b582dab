// Runs the screens' Qt Quick Test suites (tst_*.qml beside this file) with the program's own registrations,
// resources and context properties, plus `simulators` to drive simulated amplifiers.
#include "SimulatedAmplifiers.h"
#include "app/QmlWiring.h"
#include "app/RS232Controller.h"
#include "app/SettingsManager.h"
#include "app/utils/UtilsLanguage.h"
#include "link/can/CanLink.h"
#include "link/serial/RS485Bus.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QQmlContext>
#include <QQmlEngine>
#include <QSettings>
#include <QTemporaryDir>
#include <QtQuickTest>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

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

// Real files for the screens' tests: fresh folders and what a file holds, offered as `testFiles`.
class TestFiles : public QObject {
    Q_OBJECT

public:
    // A new empty folder that lasts as long as the run.
    Q_INVOKABLE QString newFolder() {
        const QString path = m_root.filePath(QString::number(++m_count));
        return QDir().mkpath(path) ? path : QString();
    }
    // A new folder its owner may read but not write; root writes into it all the same.
    Q_INVOKABLE QString newReadOnlyFolder() {
        const QString path = newFolder();
        return QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner) ? path : QString();
    }
    Q_INVOKABLE bool runsAsRoot() const {
#ifdef Q_OS_UNIX
        return ::geteuid() == 0;
#else
        return false;
#endif
    }
    Q_INVOKABLE QString readText(const QString &path) const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(file.readAll())
                                                                : QString();
    }
    // For the screenshot tour: where to put the pictures.
    Q_INVOKABLE QString environment(const QString &name) const {
        return qEnvironmentVariable(name.toUtf8());
    }

private:
    QTemporaryDir m_root;
    int m_count = 0;
};

class Setup : public QObject {
    Q_OBJECT

public slots:
    void applicationAvailable() {
        // The tests must neither read nor change the user's own settings.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
        // Nor write recordings into the user's application data.
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_settingsDir.filePath(QStringLiteral("data"))));
        QCoreApplication::setOrganizationName(QStringLiteral("Kelvora"));
        QCoreApplication::setApplicationName(QStringLiteral("Kelvora Amplifier Manager"));
        qmlwiring::registerTypes();
    }

    void qmlEngineAvailable(QQmlEngine *engine) {
        qmlwiring::publish(*engine, &m_bus, &m_controller, SettingsManager::getInstance(), &m_canLink);
        engine->rootContext()->setContextProperty(QStringLiteral("simulators"), &m_simulators);
        engine->rootContext()->setContextProperty(QStringLiteral("testFiles"), &m_files);
        // A language chosen in a screen re-translates this engine, as in the program.
        UtilsLanguage::getInstance()->setQmlContext(engine);
        QObject::connect(engine, &QObject::destroyed,
                         [] { UtilsLanguage::getInstance()->setQmlContext(nullptr); });
    }

    void cleanupTestCase() { m_simulators.stopAll(); }

private:
    QTemporaryDir m_settingsDir;
    // As in the program: one line for the whole run, a controller that outlives the scenes.
    RS485Bus m_bus;
    RS232Controller m_controller;
    CanLink m_canLink{CanLinkConfig::fromEnvironment()};
    SimulatedAmplifiers m_simulators{&m_canLink};
    TestFiles m_files;
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

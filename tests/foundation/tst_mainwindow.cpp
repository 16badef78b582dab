// The main window document from the program's own resources, in-process on the offscreen platform.
#include "app/QmlWiring.h"
#include "app/RS232Controller.h"
#include "app/SettingsManager.h"
#include "app/utils/UtilsScreen.h"
#include "link/serial/RS485Bus.h"

#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QtTest>

#include <memory>

namespace {
QStringList s_messages;
QtMessageHandler s_previousHandler = nullptr;

// Every warning or worse during a test counts; the main document must load cleanly.
void collectMessages(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (type != QtDebugMsg && type != QtInfoMsg)
        s_messages.append(message);
    s_previousHandler(type, context, message);
}
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCoreApplication::setOrganizationName(QStringLiteral("Kelvora"));
        QCoreApplication::setApplicationName(QStringLiteral("Kelvora Amplifier Manager"));
        qmlwiring::registerTypes();
        // The Amplifier QA screen lists the serial ports, which looks for simulated ones in the runtime
        // folder; where the session has none Qt warns about it, which is not the documents' doing.
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtimeDir.path()));
        s_previousHandler = qInstallMessageHandler(collectMessages);
    }

    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir->path());
        s_messages.clear();
    }

    void cleanup() {
        m_window = nullptr;
        m_engine.reset();
        m_settings.reset();
        m_dir.reset();
    }

    // Themes, the frameless decoration and the language are tested on the screens themselves (tests/qml).
    void geometry_storedOrDefault_data() {
        QTest::addColumn<QVariantList>("stored"); // width, height, x, y, visibility; empty = nothing stored
        QTest::newRow("nothing stored") << QVariantList{};
        QTest::newRow("stored") << QVariantList{1400, 900, 30, 40, 2};
    }

    void geometry_storedOrDefault() {
        QFETCH(QVariantList, stored);
        const char *keys[] = {"width", "height", "x", "y", "visibility"};
        for (int i = 0; i < stored.size(); ++i)
            QSettings().setValue(QStringLiteral("ApplicationWindow/") + QLatin1String(keys[i]), stored.at(i));
        QVERIFY(load());
        QCOMPARE(m_window->title(), QStringLiteral("Kelvora Amplifier Manager"));
        QCOMPARE(m_window->minimumWidth(), 1000);
        QCOMPARE(m_window->minimumHeight(), 640);
        if (stored.isEmpty()) {
            const bool hdpi = m_window->property("isHdpi").toBool();
            QCOMPARE(hdpi, UtilsScreen::getInstance()->getScreenDpi() >= 128 ||
                               UtilsScreen::getInstance()->getScreenPar() >= 2.0);
            // The minimum size wins over the smaller high-density default.
            QCOMPARE(m_window->size(), hdpi ? QSize(1000, 640) : QSize(1280, 720));
            QVERIFY(item("screenPlayground") && item("screenPlayground")->isVisible());
        } else {
            QCOMPARE(m_window->geometry(), QRect(30, 40, 1400, 900));
            QCOMPARE(m_window->visibility(), QWindow::Windowed);
        }
        QCOMPARE(s_messages, QStringList());
    }

    void sidebar_marksTheChosenEntry_data() {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QByteArrayList>("marked");

        const auto row = [](const char *tag, const char *entry, const char *state,
                            const QByteArrayList &marked) {
            QTest::newRow(tag) << QByteArray(entry) << state << marked;
        };
        row("Amplifier QA", "sidebarAmplifierQA", "HostInfos", {"sidebarManager", "sidebarAmplifierQA"});
        row("Settings", "sidebarSettings", "Settings", {"sidebarSettings"});
        row("Weight Plot", "sidebarWeightPlot", "Playground", {"sidebarManager", "sidebarWeightPlot"});
    }

    void sidebar_marksTheChosenEntry() {
        QFETCH(QByteArray, entry);
        QFETCH(QString, state);
        QFETCH(QByteArrayList, marked);

        QVERIFY(load());
        // Start somewhere else, so the click has something to change.
        click("sidebarAbout");
        click(entry.constData());
        QQuickItem *content = item("appContent");
        QVERIFY(content);
        QTRY_COMPARE(content->property("state").toString(), state);

        // That the chosen screen shows is checked through each screen's own tests in tests/qml.
        const char *entries[] = {"sidebarManager", "sidebarWeightPlot", "sidebarAmplifierQA",
                                 "sidebarSettings", "sidebarAbout"};
        for (const char *name : entries) {
            QQuickItem *entryItem = item(name);
            QVERIFY2(entryItem, name);
            QCOMPARE(entryItem->property("highlighted").toBool(), marked.contains(name));
        }
        QCOMPARE(s_messages, QStringList());
    }

    void backAction_showsComponentGallery_data() {
        QTest::addColumn<bool>("useMouse");
        QTest::newRow("Backspace key") << false;
        QTest::newRow("mouse back button") << true;
    }

    void backAction_showsComponentGallery() {
        QFETCH(bool, useMouse);
        QVERIFY(load());
        click("sidebarSettings");
        QQuickItem *content = item("appContent");
        QVERIFY(content);
        QTRY_COMPARE(content->property("state").toString(), QStringLiteral("Settings"));

        if (useMouse)
            QTest::mouseClick(m_window, Qt::BackButton, Qt::NoModifier, QPoint(600, 300));
        else
            QTest::keyClick(m_window, Qt::Key_Backspace);
        QTRY_COMPARE(content->property("state").toString(), QStringLiteral("DesktopComponents"));
        QQuickItem *gallery = item("screenDesktopComponents");
        QVERIFY(gallery && gallery->isVisible());

        // A plain click still reaches the sidebar underneath the back-button catcher.
        click("sidebarAbout");
        QTRY_COMPARE(content->property("state").toString(), QStringLiteral("About"));
        QCOMPARE(s_messages, QStringList());
    }

private:
    bool load() {
        m_settings = std::make_unique<SettingsManager>();
        m_engine = std::make_unique<QQmlApplicationEngine>();
        qmlwiring::publish(*m_engine, &m_bus, &m_controller, m_settings.get());
        m_engine->load(QUrl(QStringLiteral("qrc:/DesktopApplication.qml")));
        if (m_engine->rootObjects().isEmpty())
            return false;
        m_window = qobject_cast<QQuickWindow *>(m_engine->rootObjects().constFirst());
        return m_window && QTest::qWaitForWindowExposed(m_window);
    }

    QQuickItem *item(const char *objectName) const {
        QQuickItem *found = m_window->findChild<QQuickItem *>(QString::fromLatin1(objectName));
        if (!found)
            qWarning("no item named %s", objectName);
        return found;
    }

    void click(const char *objectName) {
        QQuickItem *target = item(objectName);
        QVERIFY2(target, objectName);
        const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
        QTest::mouseClick(m_window, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
    }

    RS485Bus m_bus;
    RS232Controller m_controller;
    std::unique_ptr<QTemporaryDir> m_dir;
    QTemporaryDir m_runtimeDir;
    std::unique_ptr<SettingsManager> m_settings;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QQuickWindow *m_window = nullptr;
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

// The main window document from the program's own resources, in-process on the offscreen platform.
#include "QmlWiring.h"
#include "SettingsManager.h"
#include "amplifiers/RS232Controller.h"
#include "amplifiers/rs485/RS485Bus.h"
#include "utils/UtilsScreen.h"

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
    void initTestCase();
    void init();
    void cleanup();

    void loadsWithoutWarnings_fallsBackToDefaultSize_andFollowsDecoration();
    void storedGeometry_sizesTheWindow();
    void sidebar_switchesScreens_data();
    void sidebar_switchesScreens();
    void backAction_showsComponentGallery_data();
    void backAction_showsComponentGallery();
    void theme_followsStoredTheme_data();
    void theme_followsStoredTheme();

private:
    bool load();
    QQuickItem *item(const char *objectName) const;
    void click(const char *objectName);

    RS485Bus m_bus;
    RS232Controller m_controller;
    std::unique_ptr<QTemporaryDir> m_dir;
    QTemporaryDir m_runtimeDir;
    std::unique_ptr<SettingsManager> m_settings;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QQuickWindow *m_window = nullptr;
};

void TestMainWindow::initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("Kelvora"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvora Amplifier Manager"));
    qmlwiring::registerTypes();
    // The Amplifier QA screen lists the serial ports, which looks for simulated ones in the runtime folder;
    // where the session has none Qt warns about it, which is not the documents' doing.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtimeDir.path()));
    s_previousHandler = qInstallMessageHandler(collectMessages);
}

void TestMainWindow::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir->path());
    s_messages.clear();
}

void TestMainWindow::cleanup() {
    m_window = nullptr;
    m_engine.reset();
    m_settings.reset();
    m_dir.reset();
}

bool TestMainWindow::load() {
    m_settings = std::make_unique<SettingsManager>();
    m_engine = std::make_unique<QQmlApplicationEngine>();
    qmlwiring::publish(*m_engine, &m_bus, &m_controller, m_settings.get());
    m_engine->load(QUrl(QStringLiteral("qrc:/DesktopApplication.qml")));
    if (m_engine->rootObjects().isEmpty())
        return false;
    m_window = qobject_cast<QQuickWindow *>(m_engine->rootObjects().constFirst());
    return m_window && QTest::qWaitForWindowExposed(m_window);
}

QQuickItem *TestMainWindow::item(const char *objectName) const {
    QQuickItem *found = m_window->findChild<QQuickItem *>(QString::fromLatin1(objectName));
    if (!found)
        qWarning("no item named %s", objectName);
    return found;
}

void TestMainWindow::click(const char *objectName) {
    QQuickItem *target = item(objectName);
    QVERIFY2(target, objectName);
    const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
    QTest::mouseClick(m_window, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
}

void TestMainWindow::loadsWithoutWarnings_fallsBackToDefaultSize_andFollowsDecoration() {
    QVERIFY(load());
    QTest::qWait(200);
    QCOMPARE(s_messages, QStringList());
    QCOMPARE(m_window->title(), QStringLiteral("Kelvora Amplifier Manager"));
    const bool hdpi = m_window->property("isHdpi").toBool();
    QCOMPARE(hdpi, UtilsScreen::getInstance()->getScreenDpi() >= 128 ||
                       UtilsScreen::getInstance()->getScreenPar() >= 2.0);
    // The minimum size (1000 x 640) wins over the smaller high-density default.
    QCOMPARE(m_window->width(), hdpi ? 1000 : 1280);
    QCOMPARE(m_window->height(), hdpi ? 640 : 720);
    QCOMPARE(m_window->minimumWidth(), 1000);
    QCOMPARE(m_window->minimumHeight(), 640);
    QVERIFY(item("appContent") && item("appContent")->property("state") == QStringLiteral("Playground"));
    QVERIFY(item("screenPlayground") && item("screenPlayground")->isVisible());

    // Client-side decoration makes the window frameless and transparent.
    QVERIFY(!(m_window->flags() & Qt::FramelessWindowHint));
    m_settings->setAppThemeCSD(true);
    QVERIFY(m_window->flags() & Qt::FramelessWindowHint);
    QCOMPARE(m_window->color(), QColor(Qt::transparent));
    m_settings->setAppThemeCSD(false);
    QVERIFY(!(m_window->flags() & Qt::FramelessWindowHint));
    QCOMPARE(s_messages, QStringList());
}

void TestMainWindow::storedGeometry_sizesTheWindow() {
    {
        QSettings store;
        store.setValue(QStringLiteral("ApplicationWindow/width"), 1400);
        store.setValue(QStringLiteral("ApplicationWindow/height"), 900);
        store.setValue(QStringLiteral("ApplicationWindow/x"), 30);
        store.setValue(QStringLiteral("ApplicationWindow/y"), 40);
        store.setValue(QStringLiteral("ApplicationWindow/visibility"), 2);
    }
    QVERIFY(load());
    QCOMPARE(s_messages, QStringList());
    QCOMPARE(m_window->width(), 1400);
    QCOMPARE(m_window->height(), 900);
    QCOMPARE(m_window->x(), 30);
    QCOMPARE(m_window->y(), 40);
    QCOMPARE(m_window->visibility(), QWindow::Windowed);
}

void TestMainWindow::sidebar_switchesScreens_data() {
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QByteArray>("screen");
    QTest::addColumn<QByteArrayList>("marked");

    QTest::newRow("Amplifier QA") << QByteArray("sidebarAmplifierQA") << "HostInfos"
                                  << QByteArray("screenHostInfos")
                                  << QByteArrayList{"sidebarManager", "sidebarAmplifierQA"};
    QTest::newRow("Settings") << QByteArray("sidebarSettings") << "Settings" << QByteArray("screenSettings")
                              << QByteArrayList{"sidebarSettings"};
    QTest::newRow("About") << QByteArray("sidebarAbout") << "About" << QByteArray("screenAbout")
                           << QByteArrayList{"sidebarAbout"};
    QTest::newRow("Weight Plot") << QByteArray("sidebarWeightPlot") << "Playground"
                                 << QByteArray("screenPlayground")
                                 << QByteArrayList{"sidebarManager", "sidebarWeightPlot"};
}

void TestMainWindow::sidebar_switchesScreens() {
    QFETCH(QByteArray, entry);
    QFETCH(QString, state);
    QFETCH(QByteArray, screen);
    QFETCH(QByteArrayList, marked);

    QVERIFY(load());
    // Start somewhere else, so the click has something to change.
    click(entry == "sidebarAbout" ? "sidebarSettings" : "sidebarAbout");
    click(entry.constData());
    QQuickItem *content = item("appContent");
    QVERIFY(content);
    QTRY_COMPARE(content->property("state").toString(), state);

    const char *screens[] = {"screenPlayground", "screenHostInfos", "screenSettings", "screenAbout"};
    for (const char *name : screens) {
        QQuickItem *loader = item(name);
        QVERIFY2(loader, name);
        QCOMPARE(loader->isVisible(), screen == name);
        QCOMPARE(loader->isEnabled(), screen == name);
    }
    // A visited screen stays loaded.
    QVERIFY(item(screen.constData()) && item(screen.constData())->property("active").toBool());

    const char *entries[] = {"sidebarManager", "sidebarWeightPlot", "sidebarAmplifierQA", "sidebarSettings",
                             "sidebarAbout"};
    for (const char *name : entries) {
        QQuickItem *entryItem = item(name);
        QVERIFY2(entryItem, name);
        QCOMPARE(entryItem->property("highlighted").toBool(), marked.contains(name));
    }
    QCOMPARE(s_messages, QStringList());
}

void TestMainWindow::backAction_showsComponentGallery_data() {
    QTest::addColumn<bool>("useMouse");
    QTest::newRow("Backspace key") << false;
    QTest::newRow("mouse back button") << true;
}

void TestMainWindow::backAction_showsComponentGallery() {
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

void TestMainWindow::theme_followsStoredTheme_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("dark");

    QTest::newRow("factory default") << "THEME_DEFAULT" << 4 << false;
    QTest::newRow("night") << "THEME_NIGHT" << 10 << true;
    QTest::newRow("reset value") << "green" << 4 << false;
    QTest::newRow("wrong case") << "theme_night" << 4 << false;
}

void TestMainWindow::theme_followsStoredTheme() {
    QFETCH(QString, stored);
    QFETCH(int, index);
    QFETCH(bool, dark);

    QVERIFY(load());
    QObject *theme = m_engine->singletonInstance<QObject *>(qmlTypeId("ComponentLibrary", 1, 0, "Theme"));
    QVERIFY(theme);
    m_settings->setAppTheme(QStringLiteral("THEME_MIGHTY_KITTENS"));
    QCOMPARE(theme->property("currentTheme").toInt(), 15);
    m_settings->setAppTheme(stored);
    QCOMPARE(theme->property("currentTheme").toInt(), index);
    QCOMPARE(theme->property("isDark").toBool(), dark);
    QCOMPARE(theme->property("isLight").toBool(), !dark);
    // The window background follows the theme.
    QCOMPARE(m_window->color(), theme->property("colorBackground").value<QColor>());
    QCOMPARE(s_messages, QStringList());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

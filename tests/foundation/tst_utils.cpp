// The small utility singletons as the screens use them.
#include "utils/MobileUI.h"
#include "utils/UtilsApp.h"
#include "utils/UtilsScreen.h"

#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QScreen>
#include <QtTest>

#include <memory>

class TestUtils : public QObject {
    Q_OBJECT

private slots:
    void isColorLight_data();
    void isColorLight();
    void programInformation();
    void standardPaths_data();
    void standardPaths();
    void rhiBackend_followsTheWindow();
    void screenMetrics_followPrimaryScreen();
    void mobileUI_registersTypeAndEnumerations();
};

void TestUtils::isColorLight_data() {
    QTest::addColumn<int>("rgb");
    QTest::addColumn<bool>("light");

    QTest::newRow("white") << 0xFFFFFF << true;
    QTest::newRow("black") << 0x000000 << false;
    QTest::newRow("pure red") << 0xFF0000 << false;
    QTest::newRow("yellow") << 0xFFFF00 << true;
    QTest::newRow("light grey 0xcccccc") << 0xCCCCCC << false; // darkness exactly 0.2 is not light
    QTest::newRow("grey 0xcdcdcd") << 0xCDCDCD << true;
    QTest::newRow("light blue e6f7ff") << 0xE6F7FF << true;
    QTest::newRow("alpha bits ignored") << static_cast<int>(0xFFFFFFFFu) << true;
}

void TestUtils::isColorLight() {
    QFETCH(int, rgb);
    QFETCH(bool, light);
    QCOMPARE(UtilsApp::isColorLight(rgb), light);
    QCOMPARE(UtilsApp::isQColorLight(QColor::fromRgb(static_cast<QRgb>(rgb))), light);
}

void TestUtils::programInformation() {
    // The translation files are named after this.
    QCOMPARE(UtilsApp::appName(), QStringLiteral("KelvoraAmplifierManager"));
    // "Mar  3 2025 14:05:09": month abbreviation, day padded with a blank, year, time.
    const QRegularExpression form(
        QStringLiteral("^[A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4} [0-2][0-9]:[0-5][0-9]:[0-6][0-9]$"));
    QVERIFY2(form.match(UtilsApp::appBuildDateTime()).hasMatch(), qPrintable(UtilsApp::appBuildDateTime()));
    QCOMPARE(UtilsApp::appBuildDateTime().left(11), UtilsApp::appBuildDate());
    QCOMPARE(UtilsApp::getInstance()->getAppPath(), QCoreApplication::applicationDirPath());
}

void TestUtils::standardPaths_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("location");
    QTest::newRow("audio") << "audio" << static_cast<int>(QStandardPaths::MusicLocation);
    QTest::newRow("photo") << "photo" << static_cast<int>(QStandardPaths::PicturesLocation);
    QTest::newRow("other") << "documents" << static_cast<int>(QStandardPaths::HomeLocation);
    QTest::newRow("case matters") << "Audio" << static_cast<int>(QStandardPaths::HomeLocation);
}

void TestUtils::standardPaths() {
    QFETCH(QString, type);
    QFETCH(int, location);
    const QString expected =
        QStandardPaths::writableLocation(static_cast<QStandardPaths::StandardLocation>(location));
    QVERIFY(!expected.isEmpty());
    QCOMPARE(UtilsApp::getStandardPath_string(type), expected);
    QCOMPARE(UtilsApp::getStandardPath_url(type), QUrl::fromLocalFile(expected));
}

void TestUtils::rhiBackend_followsTheWindow() {
    UtilsApp *app = UtilsApp::getInstance();
    app->setQuickWindow(nullptr);
    QCOMPARE(app->qtRhiBackend(), QString());

    auto window = std::make_unique<QQuickWindow>();
    app->setQuickWindow(window.get());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QTRY_VERIFY_WITH_TIMEOUT(!app->qtRhiBackend().isEmpty(), 10000);

    // A window that goes away is forgotten rather than dangling.
    window.reset();
    QCOMPARE(app->qtRhiBackend(), QString());
}

void TestUtils::screenMetrics_followPrimaryScreen() {
    UtilsScreen *screen = UtilsScreen::getInstance();
    QScreen *primary = QGuiApplication::primaryScreen();
    QVERIFY(primary);
    QCOMPARE(screen->getScreenDpi(), static_cast<int>(primary->physicalDotsPerInch()));
    QCOMPARE(screen->getScreenPar(), primary->devicePixelRatio());
    QVERIFY(screen->getScreenDpi() > 0);
}

void TestUtils::mobileUI_registersTypeAndEnumerations() {
    MobileUI::registerQML();
    QVERIFY(QMetaType::fromName("MobileUI::Theme").isValid());
    QVERIFY(QMetaType::fromName("MobileUI::ScreenOrientation").isValid());

    QQmlEngine engine;
    QQmlComponent component(&engine);
    component.setData("import QtQuick\nimport MobileUI\nMobileUI { property int dark: MobileUI.Dark; "
                      "property int landscape: MobileUI.Landscape }",
                      QUrl());
    std::unique_ptr<QObject> object(component.create());
    QVERIFY2(object, qPrintable(component.errorString()));
    QCOMPARE(object->property("dark").toInt(), static_cast<int>(MobileUI::Dark));
    QCOMPARE(object->property("landscape").toInt(), static_cast<int>(MobileUI::Landscape));
    QCOMPARE(object->property("available").toBool(), false);
}

QTEST_MAIN(TestUtils)
#include "tst_utils.moc"

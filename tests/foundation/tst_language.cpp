// Run-time language switching with the application's real translation files, on a pretend German system.
#include "utils/UtilsLanguage.h"

#include <QApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QtTest>

#include <memory>

namespace {
// Counts the language-change events that installing or removing translators sends to the application.
class LanguageChangeCounter : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::LanguageChange)
            ++count;
        return false;
    }
};

QString sidebarSettings() {
    return QCoreApplication::translate("DesktopSidebar", "Settings");
}

// Collects the warnings logged while it lives. Whether Qt's own translations are installed depends on
// the machine, so its warnings are looked at rather than demanded.
class WarningCatcher {
public:
    WarningCatcher() {
        s_warnings.clear();
        m_previous = qInstallMessageHandler(&WarningCatcher::handle);
    }
    ~WarningCatcher() { qInstallMessageHandler(m_previous); }
    WarningCatcher(const WarningCatcher &) = delete;
    WarningCatcher &operator=(const WarningCatcher &) = delete;

    QStringList appTranslatorWarnings() const {
        return s_warnings.filter(QRegularExpression(QStringLiteral("^appTranslator ERROR !")));
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type == QtWarningMsg)
            s_warnings.append(message);
    }
    static QStringList s_warnings;
    QtMessageHandler m_previous;
};
QStringList WarningCatcher::s_warnings;

// Loads a language and returns the application-translation warnings it logged.
QStringList loadCatching(UtilsLanguage &language, const QString &name) {
    WarningCatcher catcher;
    language.loadLanguage(name);
    return catcher.appTranslatorWarnings();
}
} // namespace

class TestLanguage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void languageTable_givesCodes_data();
    void languageTable_givesCodes();
    void auto_andUnknownNames_useSystemLanguage_data();
    void auto_andUnknownNames_useSystemLanguage();
    void loadingSameLanguageTwice_doesTheWorkOnce();
    void french_translationLoads_intoCodeAndQml_andSwitchesBack();

private:
    std::unique_ptr<UtilsLanguage> m_language;
};

void TestLanguage::initTestCase() {
    QCOMPARE(QLocale::system().name(), QStringLiteral("de_DE"));
    // The program names itself like this before the language utility exists.
    QCoreApplication::setApplicationName(QStringLiteral("Kelvora Amplifier Manager"));
}

void TestLanguage::init() {
    m_language = std::make_unique<UtilsLanguage>();
    QLocale::setDefault(QLocale::c());
}

void TestLanguage::cleanup() {
    m_language.reset();
}

void TestLanguage::languageTable_givesCodes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("full");
    QTest::addColumn<QString>("shortCode");

    QTest::newRow("Deutsch") << "Deutsch"
                             << "de_DE"
                             << "de";
    QTest::newRow("English") << "English"
                             << "en_EN"
                             << "en";
    QTest::newRow("Français") << QStringLiteral("Français") << "fr_FR"
                              << "fr";
    QTest::newRow("Chinese (traditional)") << "Chinese (traditional)"
                                           << "zh_TW"
                                           << "zh";
    // The table's Russian entry starts with a Latin capital P.
    QTest::newRow("Russian, Latin P") << QStringLiteral("P\u0443\u0441\u0441\u043a\u0438\u0439") << "ru_RU"
                                      << "ru";
}

void TestLanguage::languageTable_givesCodes() {
    QFETCH(QString, name);
    QFETCH(QString, full);
    QFETCH(QString, shortCode);

    const QStringList warnings = loadCatching(*m_language, name);
    // Only French and English have application translations; the others warn.
    const bool translated = shortCode == QLatin1String("fr") || shortCode == QLatin1String("en");
    QCOMPARE(warnings.isEmpty(), translated);
    QCOMPARE(m_language->getCurrentLanguage(), name);
    QCOMPARE(m_language->getCurrentLanguageCode_full(), full);
    QCOMPARE(m_language->getCurrentLanguageCode_short(), shortCode);
    QCOMPARE(QLocale().name(), QLocale(full).name());
}

void TestLanguage::auto_andUnknownNames_useSystemLanguage_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("auto") << "auto";
    QTest::newRow("Klingon") << "Klingon";
    QTest::newRow("wrong case") << "deutsch";
    QTest::newRow("Russian, Cyrillic first letter")
        << QStringLiteral("\u0420\u0443\u0441\u0441\u043a\u0438\u0439");
}

void TestLanguage::auto_andUnknownNames_useSystemLanguage() {
    QFETCH(QString, name);
    QCOMPARE(loadCatching(*m_language, name),
             QStringList{QStringLiteral("appTranslator ERROR ! \"Kelvora Amplifier Manager\" \"de_DE\"")});
    QCOMPARE(m_language->getCurrentLanguage(), QStringLiteral("auto"));
    QCOMPARE(m_language->getCurrentLanguageCode_full(), QStringLiteral("de_DE"));
    QCOMPARE(m_language->getCurrentLanguageCode_short(), QStringLiteral("de"));
    QCOMPARE(QLocale().name(), QStringLiteral("de_DE"));
}

void TestLanguage::loadingSameLanguageTwice_doesTheWorkOnce() {
    LanguageChangeCounter counter;
    qApp->installEventFilter(&counter);

    QCOMPARE(loadCatching(*m_language, QStringLiteral("Français")), QStringList());
    QVERIFY(counter.count > 0);
    QCOMPARE(sidebarSettings(), QStringLiteral("Paramètres"));

    // If the second call did anything, it would set the default locale back to French and reinstall.
    QLocale::setDefault(QLocale(QStringLiteral("en_GB")));
    counter.count = 0;
    m_language->loadLanguage(QStringLiteral("Français"));
    QCOMPARE(counter.count, 0);
    QCOMPARE(QLocale().name(), QStringLiteral("en_GB"));
    QCOMPARE(sidebarSettings(), QStringLiteral("Paramètres"));

    // "auto" is remembered as such, so asking for it again is a repeat too.
    QCOMPARE(loadCatching(*m_language, QStringLiteral("auto")).size(), 1);
    QVERIFY(counter.count > 0);
    counter.count = 0;
    QCOMPARE(loadCatching(*m_language, QStringLiteral("auto")), QStringList());
    QCOMPARE(counter.count, 0);

    qApp->removeEventFilter(&counter);
}

void TestLanguage::french_translationLoads_intoCodeAndQml_andSwitchesBack() {
    // Named after the internal name, not the application name with its blanks.
    QCOMPARE(m_language->appTranslationFile(QStringLiteral("fr")),
             QStringLiteral(":/i18n/KelvoraAmplifierManager_fr.qm"));
    QQmlEngine engine;
    m_language->setQmlContext(&engine);
    QQmlComponent component(&engine);
    // qsTr takes its context from the document's file name, as in the program's sidebar.
    component.setData("import QtQuick\nItem { property string label: qsTr(\"Settings\") }",
                      QUrl(QStringLiteral("qrc:/test/DesktopSidebar.qml")));
    std::unique_ptr<QObject> item(component.create());
    QVERIFY2(item, qPrintable(component.errorString()));
    QCOMPARE(item->property("label").toString(), QStringLiteral("Settings"));

    m_language->loadLanguage(QStringLiteral("Français"));
    QCOMPARE(item->property("label").toString(), QStringLiteral("Paramètres"));
    QCOMPARE(QCoreApplication::translate("DesktopSidebar", "About"), QStringLiteral("À propos"));
    m_language->loadLanguage(QStringLiteral("English"));
    QCOMPARE(item->property("label").toString(), QStringLiteral("Settings"));
    QCOMPARE(sidebarSettings(), QStringLiteral("Settings"));

    // Destroying the utility takes its translators out of the application.
    m_language->loadLanguage(QStringLiteral("Français"));
    m_language.reset();
    QCOMPARE(sidebarSettings(), QStringLiteral("Settings"));
}

int main(int argc, char *argv[]) {
    // The system language is read once, from the environment, when the locale is first used.
    qputenv("LC_ALL", "de_DE.UTF-8");
    qputenv("LANG", "de_DE.UTF-8");
    qputenv("LANGUAGE", "de");
    QApplication app(argc, argv);
    TestLanguage test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_language.moc"

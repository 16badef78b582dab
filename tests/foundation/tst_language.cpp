// Run-time language switching with the application's real translation files, on a pretend German system.
#include "app/utils/UtilsLanguage.h"

#include <QApplication>
#include <QtTest>

#include <memory>

namespace {
// Counts the language-change events that installing or removing translators sends to the application.
class LanguageChangeCounter : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        count += watched == QCoreApplication::instance() && event->type() == QEvent::LanguageChange;
        return false;
    }
};

QString sidebarSettings() {
    return QCoreApplication::translate("DesktopSidebar", "Settings");
}

// The application-translation warnings a load logs. Whether Qt's own translations are installed depends on
// the machine, so those warnings are looked at rather than demanded.
QStringList s_warnings;
QStringList loadCatching(UtilsLanguage &language, const QString &name) {
    s_warnings.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
            if (type == QtWarningMsg && message.startsWith(QLatin1String("appTranslator ERROR !")))
                s_warnings.append(message);
        });
    language.loadLanguage(name);
    qInstallMessageHandler(previous);
    return s_warnings;
}
} // namespace

class TestLanguage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCOMPARE(QLocale::system().name(), QStringLiteral("de_DE"));
        // The program names itself like this before the language utility exists.
        QCoreApplication::setApplicationName(QStringLiteral("Kelvora Amplifier Manager"));
    }
    void init() {
        m_language = std::make_unique<UtilsLanguage>();
        QLocale::setDefault(QLocale::c());
    }
    void cleanup() { m_language.reset(); }

    // Only French and English have application translations: the others warn. "auto" and names not in the
    // table take the system's language.
    void languageTable_givesCodes_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("full");
        QTest::addColumn<bool>("warns");
        const auto row = [](const char *tag, const QString &name, const char *current, const char *full,
                            bool warns) {
            QTest::newRow(tag) << name << (current ? QString::fromUtf8(current) : name) << full << warns;
        };
        row("Deutsch", QStringLiteral("Deutsch"), nullptr, "de_DE", true);
        row("English", QStringLiteral("English"), nullptr, "en_EN", false);
        row("Français", QStringLiteral("Français"), nullptr, "fr_FR", false);
        // The table's Russian entry starts with a Latin capital P.
        row("Russian, Latin P", QStringLiteral("P\u0443\u0441\u0441\u043a\u0438\u0439"), nullptr, "ru_RU",
            true);
        row("auto", QStringLiteral("auto"), "auto", "de_DE", true);
        row("Klingon", QStringLiteral("Klingon"), "auto", "de_DE", true);
    }
    void languageTable_givesCodes() {
        QFETCH(QString, name);
        QFETCH(QString, current);
        QFETCH(QString, full);
        QFETCH(bool, warns);
        const QStringList warnings = loadCatching(*m_language, name);
        QCOMPARE(
            warnings,
            warns ? QStringList{QStringLiteral("appTranslator ERROR ! \"Kelvora Amplifier Manager\" \"%1\"")
                                    .arg(full)}
                  : QStringList());
        QCOMPARE(m_language->getCurrentLanguage(), current);
        QCOMPARE(m_language->getCurrentLanguageCode_full(), full);
        QCOMPARE(m_language->getCurrentLanguageCode_short(), full.left(2));
        QCOMPARE(QLocale().name(), QLocale(full).name());
    }

    void loadingSameLanguageTwice_doesTheWorkOnce() {
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
        // "auto" is remembered as such, so asking for it again is a repeat too.
        QCOMPARE(loadCatching(*m_language, QStringLiteral("auto")).size(), 1);
        QVERIFY(counter.count > 0);
        counter.count = 0;
        QCOMPARE(loadCatching(*m_language, QStringLiteral("auto")), QStringList());
        QCOMPARE(counter.count, 0);
        qApp->removeEventFilter(&counter);
    }

    // Switching the real window to French and back is tested in tests/qml/tst_settingsandabout.qml.
    void destroyedUtility_takesItsTranslatorsAway() {
        QCOMPARE(loadCatching(*m_language, QStringLiteral("Français")), QStringList());
        QCOMPARE(sidebarSettings(), QStringLiteral("Paramètres"));
        m_language.reset();
        QCOMPARE(sidebarSettings(), QStringLiteral("Settings"));
    }

private:
    std::unique_ptr<UtilsLanguage> m_language;
};

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

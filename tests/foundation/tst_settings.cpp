// The settings store on a real settings file in a temporary folder; each "restart" is a fresh
// SettingsManager reading the same file.
#include "app/SettingsManager.h"

#include <QtTest>

#include <memory>

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCoreApplication::setOrganizationName(QStringLiteral("Kelvora"));
        QCoreApplication::setApplicationName(QStringLiteral("Kelvora Amplifier Manager"));
    }

    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir->path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir->path());
    }

    void cleanup() { m_dir.reset(); }

    void storedGeometry_isBounded_data() {
        QTest::addColumn<QVariantList>("stored"); // x, y, width, height, visibility; invalid = not stored
        QTest::addColumn<QSize>("position");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<uint>("visibility");

        const QVariant no;
        const auto row = [](const char *tag, const QVariantList &stored, QSize position, QSize size,
                            uint shown) {
            QTest::newRow(tag) << stored << position << size << shown;
        };
        row("in bounds", {10, 20, 1280, 720, 2}, {10, 20}, {1280, 720}, 2);
        row("width 10000", {no, no, 10000, 700, no}, {-1, -1}, {1920, 700}, 1);
        row("x 9000", {9000, 50, no, no, no}, {100, 50}, {-1, -1}, 1);
        row("y and height too big", {0, 8193, 800, 9000, 4}, {0, 100}, {800, 1080}, 4);
        row("at the bound", {8192, 8192, 8192, 8192, 5}, {8192, 8192}, {8192, 8192}, 5);
        row("visibility 0", {no, no, no, no, 0}, {-1, -1}, {-1, -1}, 1);
    }

    void storedGeometry_isBounded() {
        QFETCH(QVariantList, stored);
        QFETCH(QSize, position);
        QFETCH(QSize, size);
        QFETCH(uint, visibility);

        const char *keys[] = {"x", "y", "width", "height", "visibility"};
        for (int i = 0; i < 5; ++i) {
            if (stored.at(i).isValid())
                store(QStringLiteral("ApplicationWindow/") + QLatin1String(keys[i]), stored.at(i));
        }
        SettingsManager settings;
        QCOMPARE(settings.getInitialPosition(), position);
        QCOMPARE(settings.getInitialSize(), size);
        QCOMPARE(settings.getInitialVisibility(), visibility);
    }

    void setter_writesAllFourKeysOnlyOnChange_data() {
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QVariant>("unchanged");
        QTest::addColumn<QVariant>("changed");

        const auto row = [](const char *property, const QVariant &unchanged, const QVariant &changed) {
            QTest::newRow(property) << QByteArray(property) << unchanged << changed;
        };
        row("appTheme", "THEME_DEFAULT", "THEME_RAIN");
        row("appThemeAuto", false, true);
        row("appUnits", 0u, 2u);
        row("appLanguage", "auto", QStringLiteral("Français"));
    }

    void setter_writesAllFourKeysOnlyOnChange() {
        QFETCH(QByteArray, property);
        QFETCH(QVariant, unchanged);
        QFETCH(QVariant, changed);

        SettingsManager settings;
        const QMetaProperty meta =
            settings.metaObject()->property(settings.metaObject()->indexOfProperty(property));
        QSignalSpy spy(&settings, meta.notifySignal());
        QVERIFY(spy.isValid());

        // Another writer changes the store after the read; a write by the setter would overwrite this.
        store(QStringLiteral("settings/appLanguage"), QStringLiteral("sentinel"));
        QVERIFY(settings.setProperty(property, unchanged));
        QCOMPARE(spy.count(), 0);
        QCOMPARE(QSettings().allKeys(), QStringList{QStringLiteral("settings/appLanguage")});
        QCOMPARE(stored(QStringLiteral("settings/appLanguage")).toString(), QStringLiteral("sentinel"));

        QVERIFY(settings.setProperty(property, changed));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(settings.property(property), changed);
        // All four keys, overwriting the other writer's value, and nothing else: no unit key and no geometry.
        QCOMPARE(QSettings().allKeys().size(), 4);
        // A restart reads back what was written.
        SettingsManager restarted;
        for (const char *key : {"appTheme", "appThemeAuto", "appThemeCSD", "appLanguage"}) {
            QCOMPARE(stored(QStringLiteral("settings/") + QLatin1String(key)).toString(),
                     settings.property(key).toString());
            QCOMPARE(restarted.property(key), settings.property(key));
        }
        // The unit preference lasts for the run only.
        QCOMPARE(restarted.getAppUnits(), 0u);
    }

    void resetSettings_emitsEverySignal_butIsNotWritten() {
        store(QStringLiteral("settings/appTheme"), QStringLiteral("THEME_PLANT"));
        store(QStringLiteral("settings/appLanguage"), QStringLiteral("Deutsch"));
        store(QStringLiteral("settings/appThemeCSD"), true);

        {
            SettingsManager settings;
            settings.setAppUnits(1);
            std::vector<std::unique_ptr<QSignalSpy>> spies;
            for (auto signal : {&SettingsManager::appThemeChanged, &SettingsManager::appThemeAutoChanged,
                                &SettingsManager::appThemeCSDChanged, &SettingsManager::appUnitsChanged,
                                &SettingsManager::appLanguageChanged})
                spies.push_back(std::make_unique<QSignalSpy>(&settings, signal));
            settings.resetSettings();
            // Every signal fires, whether or not its value changed (appThemeAuto was already false).
            for (const auto &spy : spies)
                QCOMPARE(spy->count(), 1);
            QCOMPARE(settings.getAppTheme(), QStringLiteral("green"));
            QCOMPARE(settings.getAppLanguage(), QStringLiteral("auto"));
        }

        SettingsManager restarted;
        QCOMPARE(restarted.getAppTheme(), QStringLiteral("THEME_PLANT"));
        QCOMPARE(restarted.getAppLanguage(), QStringLiteral("Deutsch"));
        QCOMPARE(restarted.getAppThemeCSD(), true);

        // The reset values reach the store with the next change.
        restarted.resetSettings();
        restarted.setAppThemeAuto(true);
        QCOMPARE(stored(QStringLiteral("settings/appTheme")).toString(), QStringLiteral("green"));
        QCOMPARE(stored(QStringLiteral("settings/appLanguage")).toString(), QStringLiteral("auto"));
        QCOMPARE(stored(QStringLiteral("settings/appThemeCSD")).toBool(), false);
    }

    // A settings file that is a folder stops any user, root included, from writing the store.
    void unwritableStore_keepsValueForRunAndWarns() {
        const QFileInfo file(settingsFile());
        QVERIFY(QDir().mkpath(file.filePath()));
        QVERIFY(QFile(file.filePath() + QStringLiteral("/blocker")).open(QIODevice::WriteOnly));
        QTest::ignoreMessage(QtWarningMsg, "SettingsManager::readSettings() error: QSettings::AccessError");
        SettingsManager settings;
        QCOMPARE(settings.getAppTheme(), QStringLiteral("THEME_DEFAULT"));

        QSignalSpy spy(&settings, &SettingsManager::appThemeChanged);
        QTest::ignoreMessage(QtWarningMsg, "SettingsManager::writeSettings() error: read only file?");
        settings.setAppTheme(QStringLiteral("THEME_DAY"));
        QCOMPARE(settings.getAppTheme(), QStringLiteral("THEME_DAY"));
        QCOMPARE(spy.count(), 1);
    }

private:
    QString settingsFile() const { return QSettings().fileName(); }
    void store(const QString &key, const QVariant &value) {
        QSettings settings;
        settings.setValue(key, value);
        settings.sync();
        QCOMPARE(settings.status(), QSettings::NoError);
    }

    QVariant stored(const QString &key) const {
        QSettings settings;
        return settings.value(key);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"

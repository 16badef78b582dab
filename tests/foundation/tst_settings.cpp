// The per-user settings store on a real settings file in a temporary folder: defaults of an empty store,
// the bounds applied to a stored window geometry, which setters write and emit, that a reset is not
// written, that the unit preference is kept for the run only, and the warnings of a store that cannot be
// written. Each "restart" is a fresh SettingsManager reading the same file.
#include "SettingsManager.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void emptyStore_givesDefaults();
    void storedGeometry_isBounded_data();
    void storedGeometry_isBounded();
    void storedPreferences_areRead();
    void setter_unchangedValue_neitherWritesNorEmits_data();
    void setter_unchangedValue_neitherWritesNorEmits();
    void setter_newValue_writesAllFourKeys_data();
    void setter_newValue_writesAllFourKeys();
    void appUnits_isNotPersisted();
    void resetSettings_emitsEverySignal_butIsNotWritten();
    void unwritableStore_keepsValueForRunAndWarns_data();
    void unwritableStore_keepsValueForRunAndWarns();
    void singletonAccessor_returnsOneInstance();

private:
    QString settingsFile() const;
    void store(const QString &key, const QVariant &value);
    QVariant stored(const QString &key) const;

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSettings::initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("Kelvora"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvora Amplifier Manager"));
}

void TestSettings::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir->path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir->path());
}

void TestSettings::cleanup() {
    m_dir.reset();
}

QString TestSettings::settingsFile() const {
    return QSettings().fileName();
}

void TestSettings::store(const QString &key, const QVariant &value) {
    QSettings settings;
    settings.setValue(key, value);
    settings.sync();
    QCOMPARE(settings.status(), QSettings::NoError);
}

QVariant TestSettings::stored(const QString &key) const {
    QSettings settings;
    return settings.value(key);
}

void TestSettings::emptyStore_givesDefaults() {
    QVERIFY(settingsFile().startsWith(m_dir->path()));
    SettingsManager settings;
    QCOMPARE(settings.isFirstLaunch(), true);
    QCOMPARE(settings.getInitialSize(), QSize(-1, -1));
    QVERIFY(!settings.getInitialSize().isValid());
    QCOMPARE(settings.getInitialPosition(), QSize(-1, -1));
    QCOMPARE(settings.getInitialVisibility(), 1u);
    QCOMPARE(settings.getAppTheme(), QStringLiteral("THEME_DEFAULT"));
    QCOMPARE(settings.getAppThemeAuto(), false);
    QCOMPARE(settings.getAppThemeCSD(), false);
    QCOMPARE(settings.getAppUnits(), 0u);
    QCOMPARE(settings.getAppLanguage(), QStringLiteral("auto"));
    // Reading never creates the store.
    QVERIFY(!QFile::exists(settingsFile()));
}

void TestSettings::storedGeometry_isBounded_data() {
    QTest::addColumn<QVariant>("x");
    QTest::addColumn<QVariant>("y");
    QTest::addColumn<QVariant>("width");
    QTest::addColumn<QVariant>("height");
    QTest::addColumn<QVariant>("visibility");
    QTest::addColumn<QSize>("position");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<uint>("expectedVisibility");

    const QVariant none;
    QTest::newRow("in bounds") << QVariant(10) << QVariant(20) << QVariant(1280) << QVariant(720)
                               << QVariant(2) << QSize(10, 20) << QSize(1280, 720) << 2u;
    QTest::newRow("width 10000") << none << none << QVariant(10000) << QVariant(700) << none << QSize(-1, -1)
                                 << QSize(1920, 700) << 1u;
    QTest::newRow("x 9000") << QVariant(9000) << QVariant(50) << none << none << none << QSize(100, 50)
                            << QSize(-1, -1) << 1u;
    QTest::newRow("y and height too big") << QVariant(0) << QVariant(8193) << QVariant(800) << QVariant(9000)
                                          << QVariant(4) << QSize(0, 100) << QSize(800, 1080) << 4u;
    QTest::newRow("at the bound") << QVariant(8192) << QVariant(8192) << QVariant(8192) << QVariant(8192)
                                  << QVariant(5) << QSize(8192, 8192) << QSize(8192, 8192) << 5u;
    QTest::newRow("negative stays") << QVariant(-200) << QVariant(-5) << QVariant(-3) << QVariant(600)
                                    << QVariant(3) << QSize(-200, -5) << QSize(-3, 600) << 3u;
    QTest::newRow("visibility 0") << none << none << none << none << QVariant(0) << QSize(-1, -1)
                                  << QSize(-1, -1) << 1u;
    QTest::newRow("visibility 6") << none << none << none << none << QVariant(6) << QSize(-1, -1)
                                  << QSize(-1, -1) << 1u;
    QTest::newRow("visibility negative")
        << none << none << none << none << QVariant(-1) << QSize(-1, -1) << QSize(-1, -1) << 1u;
}

void TestSettings::storedGeometry_isBounded() {
    QFETCH(QVariant, x);
    QFETCH(QVariant, y);
    QFETCH(QVariant, width);
    QFETCH(QVariant, height);
    QFETCH(QVariant, visibility);
    QFETCH(QSize, position);
    QFETCH(QSize, size);
    QFETCH(uint, expectedVisibility);

    const std::pair<const char *, QVariant> values[] = {{"ApplicationWindow/x", x},
                                                        {"ApplicationWindow/y", y},
                                                        {"ApplicationWindow/width", width},
                                                        {"ApplicationWindow/height", height},
                                                        {"ApplicationWindow/visibility", visibility}};
    for (const auto &entry : values) {
        if (entry.second.isValid())
            store(QString::fromLatin1(entry.first), entry.second);
    }

    SettingsManager settings;
    QCOMPARE(settings.getInitialPosition(), position);
    QCOMPARE(settings.getInitialSize(), size);
    QCOMPARE(settings.getInitialVisibility(), expectedVisibility);
}

void TestSettings::storedPreferences_areRead() {
    store(QStringLiteral("settings/appTheme"), QStringLiteral("THEME_NIGHT"));
    store(QStringLiteral("settings/appThemeAuto"), true);
    store(QStringLiteral("settings/appThemeCSD"), true);
    store(QStringLiteral("settings/appLanguage"), QStringLiteral("Français"));

    SettingsManager settings;
    QCOMPARE(settings.getAppTheme(), QStringLiteral("THEME_NIGHT"));
    QCOMPARE(settings.getAppThemeAuto(), true);
    QCOMPARE(settings.getAppThemeCSD(), true);
    QCOMPARE(settings.getAppLanguage(), QStringLiteral("Français"));
    QCOMPARE(settings.getAppUnits(), 0u);
}

namespace {
// Sets one writable property of `settings` to `value` through its setter.
void applySetter(SettingsManager &settings, const QString &property, const QVariant &value) {
    if (property == QLatin1String("appTheme"))
        settings.setAppTheme(value.toString());
    else if (property == QLatin1String("appThemeAuto"))
        settings.setAppThemeAuto(value.toBool());
    else if (property == QLatin1String("appThemeCSD"))
        settings.setAppThemeCSD(value.toBool());
    else if (property == QLatin1String("appUnits"))
        settings.setAppUnits(value.toUInt());
    else if (property == QLatin1String("appLanguage"))
        settings.setAppLanguage(value.toString());
    else
        QFAIL("unknown property");
}

void addSetterRows(bool changed) {
    QTest::addColumn<QString>("property");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QByteArray>("signal");

    QTest::newRow("appTheme") << "appTheme" << QVariant(changed ? "THEME_RAIN" : "THEME_DEFAULT")
                              << QByteArray(SIGNAL(appThemeChanged()));
    QTest::newRow("appThemeAuto") << "appThemeAuto" << QVariant(changed)
                                  << QByteArray(SIGNAL(appThemeAutoChanged()));
    QTest::newRow("appThemeCSD") << "appThemeCSD" << QVariant(changed)
                                 << QByteArray(SIGNAL(appThemeCSDChanged()));
    QTest::newRow("appUnits") << "appUnits" << QVariant(changed ? 2u : 0u)
                              << QByteArray(SIGNAL(appUnitsChanged()));
    QTest::newRow("appLanguage") << "appLanguage" << QVariant(changed ? "Deutsch" : "auto")
                                 << QByteArray(SIGNAL(appLanguageChanged()));
}
} // namespace

void TestSettings::setter_unchangedValue_neitherWritesNorEmits_data() {
    addSetterRows(false);
}

void TestSettings::setter_unchangedValue_neitherWritesNorEmits() {
    QFETCH(QString, property);
    QFETCH(QVariant, value);
    QFETCH(QByteArray, signal);

    SettingsManager settings;
    // Another writer changes the store after the read; a write by the setter would overwrite this.
    store(QStringLiteral("settings/appLanguage"), QStringLiteral("sentinel"));

    QSignalSpy spy(&settings, signal.constData());
    QVERIFY(spy.isValid());
    applySetter(settings, property, value);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(stored(QStringLiteral("settings/appLanguage")).toString(), QStringLiteral("sentinel"));
    QVERIFY(!QSettings().contains(QStringLiteral("settings/appTheme")));
}

void TestSettings::setter_newValue_writesAllFourKeys_data() {
    addSetterRows(true);
}

void TestSettings::setter_newValue_writesAllFourKeys() {
    QFETCH(QString, property);
    QFETCH(QVariant, value);
    QFETCH(QByteArray, signal);

    SettingsManager settings;
    QSignalSpy spy(&settings, signal.constData());
    QVERIFY(spy.isValid());
    applySetter(settings, property, value);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(settings.property(property.toLatin1().constData()), value);

    QCOMPARE(stored(QStringLiteral("settings/appTheme")).toString(), settings.getAppTheme());
    QCOMPARE(stored(QStringLiteral("settings/appThemeAuto")).toBool(), settings.getAppThemeAuto());
    QCOMPARE(stored(QStringLiteral("settings/appThemeCSD")).toBool(), settings.getAppThemeCSD());
    QCOMPARE(stored(QStringLiteral("settings/appLanguage")).toString(), settings.getAppLanguage());
    // Nothing else is written: no unit key and no geometry.
    const QStringList keys = QSettings().allKeys();
    QCOMPARE(keys.size(), 4);

    // A restart reads back what was written.
    SettingsManager restarted;
    QCOMPARE(restarted.getAppTheme(), settings.getAppTheme());
    QCOMPARE(restarted.getAppThemeAuto(), settings.getAppThemeAuto());
    QCOMPARE(restarted.getAppThemeCSD(), settings.getAppThemeCSD());
    QCOMPARE(restarted.getAppLanguage(), settings.getAppLanguage());
}

void TestSettings::appUnits_isNotPersisted() {
    {
        SettingsManager settings;
        settings.setAppTheme(QStringLiteral("THEME_SNOW"));
        // Another writer changed the language meanwhile; the unit setter rewrites all four keys.
        store(QStringLiteral("settings/appLanguage"), QStringLiteral("sentinel"));
        QSignalSpy spy(&settings, &SettingsManager::appUnitsChanged);
        settings.setAppUnits(3);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(settings.getAppUnits(), 3u);
        QCOMPARE(stored(QStringLiteral("settings/appLanguage")).toString(), QStringLiteral("auto"));
    }
    SettingsManager restarted;
    QCOMPARE(restarted.getAppUnits(), 0u);
    QCOMPARE(restarted.getAppTheme(), QStringLiteral("THEME_SNOW"));
}

void TestSettings::resetSettings_emitsEverySignal_butIsNotWritten() {
    store(QStringLiteral("settings/appTheme"), QStringLiteral("THEME_PLANT"));
    store(QStringLiteral("settings/appLanguage"), QStringLiteral("Deutsch"));
    store(QStringLiteral("settings/appThemeCSD"), true);

    {
        SettingsManager settings;
        settings.setAppUnits(1);
        QSignalSpy theme(&settings, &SettingsManager::appThemeChanged);
        QSignalSpy themeAuto(&settings, &SettingsManager::appThemeAutoChanged);
        QSignalSpy csd(&settings, &SettingsManager::appThemeCSDChanged);
        QSignalSpy units(&settings, &SettingsManager::appUnitsChanged);
        QSignalSpy language(&settings, &SettingsManager::appLanguageChanged);

        settings.resetSettings();
        // Every signal fires, whether or not its value changed (appThemeAuto was already false).
        QCOMPARE(theme.count(), 1);
        QCOMPARE(themeAuto.count(), 1);
        QCOMPARE(csd.count(), 1);
        QCOMPARE(units.count(), 1);
        QCOMPARE(language.count(), 1);
        QCOMPARE(settings.getAppTheme(), QStringLiteral("green"));
        QCOMPARE(settings.getAppThemeAuto(), false);
        QCOMPARE(settings.getAppThemeCSD(), false);
        QCOMPARE(settings.getAppUnits(), 0u);
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

void TestSettings::unwritableStore_keepsValueForRunAndWarns_data() {
    QTest::addColumn<bool>("fileIsFolder");
    QTest::addColumn<QString>("readWarning");
    QTest::addColumn<QString>("writeWarning");

    // Obstacles that stop any user, root included, from writing the store.
    QTest::newRow("settings file is a folder")
        << true << "SettingsManager::readSettings() error: QSettings::AccessError"
        << "SettingsManager::writeSettings() error: read only file?";
    QTest::newRow("settings folder is a file")
        << false << QString() << "SettingsManager::writeSettings() error: read only file?";
}

void TestSettings::unwritableStore_keepsValueForRunAndWarns() {
    QFETCH(bool, fileIsFolder);
    QFETCH(QString, readWarning);
    QFETCH(QString, writeWarning);

    const QFileInfo file(settingsFile());
    if (fileIsFolder) {
        QVERIFY(QDir().mkpath(file.filePath()));
        QVERIFY(QFile(file.filePath() + QStringLiteral("/blocker")).open(QIODevice::WriteOnly));
    } else {
        QVERIFY(!QFileInfo::exists(file.absolutePath()));
        QVERIFY(QFile(file.absolutePath()).open(QIODevice::WriteOnly));
    }

    if (!readWarning.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, qPrintable(readWarning));
    SettingsManager settings;
    QCOMPARE(settings.getAppTheme(), QStringLiteral("THEME_DEFAULT"));

    QSignalSpy spy(&settings, &SettingsManager::appThemeChanged);
    QTest::ignoreMessage(QtWarningMsg, qPrintable(writeWarning));
    settings.setAppTheme(QStringLiteral("THEME_DAY"));
    QCOMPARE(settings.getAppTheme(), QStringLiteral("THEME_DAY"));
    QCOMPARE(spy.count(), 1);
}

void TestSettings::singletonAccessor_returnsOneInstance() {
    SettingsManager *first = SettingsManager::getInstance();
    QVERIFY(first);
    QCOMPARE(SettingsManager::getInstance(), first);
    QCOMPARE(first->isFirstLaunch(), true);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"

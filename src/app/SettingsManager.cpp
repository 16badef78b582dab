#include "app/SettingsManager.h"

#include <QDebug>
#include <QSettings>

namespace {
// Stored geometry beyond these limits comes from a broken or foreign store; the window would open
// off-screen or huge, so such values are replaced by sane ones.
constexpr int kMaxCoordinate = 8192;
constexpr int kFallbackPosition = 100;
constexpr int kFallbackWidth = 1920;
constexpr int kFallbackHeight = 1080;
constexpr uint kVisibilityAutomatic = 1;
constexpr uint kVisibilityFullScreen = 5;

const QString kKeyX = QStringLiteral("ApplicationWindow/x");
const QString kKeyY = QStringLiteral("ApplicationWindow/y");
const QString kKeyWidth = QStringLiteral("ApplicationWindow/width");
const QString kKeyHeight = QStringLiteral("ApplicationWindow/height");
const QString kKeyVisibility = QStringLiteral("ApplicationWindow/visibility");
const QString kKeyTheme = QStringLiteral("settings/appTheme");
const QString kKeyThemeAuto = QStringLiteral("settings/appThemeAuto");
const QString kKeyThemeCSD = QStringLiteral("settings/appThemeCSD");
const QString kKeyLanguage = QStringLiteral("settings/appLanguage");
} // namespace

SettingsManager *SettingsManager::getInstance() {
    // Deliberately leaked: QML and other singletons may still read it during teardown.
    static SettingsManager *instance = new SettingsManager();
    return instance;
}

SettingsManager::SettingsManager(QObject *parent)
    : QObject(parent) {
    // A store that cannot be read leaves the defaults; that is not a reason to stop.
    readSettings();
}

SettingsManager::~SettingsManager() = default;

bool SettingsManager::readSettings() {
    QSettings settings;
    if (settings.status() != QSettings::NoError) {
        qWarning() << "SettingsManager::readSettings() error:" << settings.status();
        return false;
    }

    if (settings.contains(kKeyX))
        m_initialPosition.setWidth(settings.value(kKeyX).toInt());
    if (settings.contains(kKeyY))
        m_initialPosition.setHeight(settings.value(kKeyY).toInt());
    if (settings.contains(kKeyWidth))
        m_initialSize.setWidth(settings.value(kKeyWidth).toInt());
    if (settings.contains(kKeyHeight))
        m_initialSize.setHeight(settings.value(kKeyHeight).toInt());
    if (settings.contains(kKeyVisibility))
        m_initialVisibility = settings.value(kKeyVisibility).toUInt();

    if (m_initialPosition.width() > kMaxCoordinate)
        m_initialPosition.setWidth(kFallbackPosition);
    if (m_initialPosition.height() > kMaxCoordinate)
        m_initialPosition.setHeight(kFallbackPosition);
    if (m_initialSize.width() > kMaxCoordinate)
        m_initialSize.setWidth(kFallbackWidth);
    if (m_initialSize.height() > kMaxCoordinate)
        m_initialSize.setHeight(kFallbackHeight);
    if (m_initialVisibility < kVisibilityAutomatic || m_initialVisibility > kVisibilityFullScreen)
        m_initialVisibility = kVisibilityAutomatic;

    if (settings.contains(kKeyTheme))
        m_appTheme = settings.value(kKeyTheme).toString();
    if (settings.contains(kKeyThemeAuto))
        m_appThemeAuto = settings.value(kKeyThemeAuto).toBool();
    if (settings.contains(kKeyThemeCSD))
        m_appThemeCSD = settings.value(kKeyThemeCSD).toBool();
    if (settings.contains(kKeyLanguage))
        m_appLanguage = settings.value(kKeyLanguage).toString();

    return true;
}

bool SettingsManager::writeSettings() {
    QSettings settings;
    if (!settings.isWritable()) {
        qWarning() << "SettingsManager::writeSettings() error: read only file?";
        return false;
    }

    settings.setValue(kKeyTheme, m_appTheme);
    settings.setValue(kKeyThemeAuto, m_appThemeAuto);
    settings.setValue(kKeyThemeCSD, m_appThemeCSD);
    settings.setValue(kKeyLanguage, m_appLanguage);

    // The store only learns whether the file could be written when it is flushed; checking the status
    // before that would report every failed write as a success.
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        qWarning() << "SettingsManager::writeSettings() error:" << settings.status();
        return false;
    }
    return true;
}

void SettingsManager::setAppTheme(const QString &value) {
    if (value == m_appTheme)
        return;
    m_appTheme = value;
    writeSettings();
    emit appThemeChanged();
}

void SettingsManager::setAppThemeAuto(bool value) {
    if (value == m_appThemeAuto)
        return;
    m_appThemeAuto = value;
    writeSettings();
    emit appThemeAutoChanged();
}

void SettingsManager::setAppThemeCSD(bool value) {
    if (value == m_appThemeCSD)
        return;
    m_appThemeCSD = value;
    writeSettings();
    emit appThemeCSDChanged();
}

void SettingsManager::setAppUnits(uint value) {
    if (value == m_appUnits)
        return;
    m_appUnits = value;
    // The unit itself is not stored, but a change still refreshes the stored keys.
    writeSettings();
    emit appUnitsChanged();
}

void SettingsManager::setAppLanguage(const QString &value) {
    if (value == m_appLanguage)
        return;
    m_appLanguage = value;
    writeSettings();
    emit appLanguageChanged();
}

void SettingsManager::resetSettings() {
    m_appTheme = QStringLiteral("green");
    emit appThemeChanged();
    m_appThemeAuto = false;
    emit appThemeAutoChanged();
    m_appThemeCSD = false;
    emit appThemeCSDChanged();
    m_appUnits = 0;
    emit appUnitsChanged();
    m_appLanguage = QStringLiteral("auto");
    emit appLanguageChanged();
}

#pragma once

#include <QObject>
#include <QSize>
#include <QString>

// The user's preferences kept between runs: last window geometry (read only), theme, its two options and
// the interface language. The unit preference lives for the run only. GUI thread only.
class SettingsManager : public QObject {
    Q_OBJECT

    Q_PROPERTY(bool firstLaunch READ isFirstLaunch NOTIFY firstLaunchChanged)
    Q_PROPERTY(QSize initialSize READ getInitialSize NOTIFY initialSizeChanged)
    Q_PROPERTY(QSize initialPosition READ getInitialPosition NOTIFY initialSizeChanged)
    Q_PROPERTY(uint initialVisibility READ getInitialVisibility NOTIFY initialSizeChanged)
    Q_PROPERTY(QString appTheme READ getAppTheme WRITE setAppTheme NOTIFY appThemeChanged)
    Q_PROPERTY(bool appThemeAuto READ getAppThemeAuto WRITE setAppThemeAuto NOTIFY appThemeAutoChanged)
    Q_PROPERTY(bool appThemeCSD READ getAppThemeCSD WRITE setAppThemeCSD NOTIFY appThemeCSDChanged)
    Q_PROPERTY(uint appUnits READ getAppUnits WRITE setAppUnits NOTIFY appUnitsChanged)
    Q_PROPERTY(QString appLanguage READ getAppLanguage WRITE setAppLanguage NOTIFY appLanguageChanged)

public:
    // The process-wide store, created and read on first call, never destroyed.
    static SettingsManager *getInstance();

    // A store read from the persistent settings of the current organisation and application names.
    // Normally reached through getInstance(); separate instances behave like a fresh run.
    explicit SettingsManager(QObject *parent = nullptr);
    ~SettingsManager() override;

    bool isFirstLaunch() const { return m_firstLaunch; }
    QSize getInitialSize() const { return m_initialSize; }
    // Width is the x coordinate, height the y coordinate.
    QSize getInitialPosition() const { return m_initialPosition; }
    uint getInitialVisibility() const { return m_initialVisibility; }

    QString getAppTheme() const { return m_appTheme; }
    void setAppTheme(const QString &value);
    bool getAppThemeAuto() const { return m_appThemeAuto; }
    void setAppThemeAuto(bool value);
    bool getAppThemeCSD() const { return m_appThemeCSD; }
    void setAppThemeCSD(bool value);
    uint getAppUnits() const { return m_appUnits; }
    void setAppUnits(uint value);
    QString getAppLanguage() const { return m_appLanguage; }
    void setAppLanguage(const QString &value);

    // Back to the factory choices for this run; the store is left as it is until the next change.
    Q_INVOKABLE void resetSettings();

signals:
    void firstLaunchChanged();
    void initialSizeChanged();
    void appThemeChanged();
    void appThemeAutoChanged();
    void appThemeCSDChanged();
    void appUnitsChanged();
    void appLanguageChanged();

private:
    bool readSettings();
    bool writeSettings();

    bool m_firstLaunch = true;
    QSize m_initialSize;
    QSize m_initialPosition;
    uint m_initialVisibility = 1;
    QString m_appTheme = QStringLiteral("THEME_DEFAULT");
    bool m_appThemeAuto = false;
    bool m_appThemeCSD = false;
    uint m_appUnits = 0;
    QString m_appLanguage = QStringLiteral("auto");
};

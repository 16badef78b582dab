#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

class QQuickWindow;

// What the screens may ask about the running program and a few desktop services. One process-wide
// instance, created on first access and never destroyed.
class UtilsApp : public QObject {
    Q_OBJECT

public:
    static UtilsApp *getInstance();

    // Given by start-up once the main document has loaded; only the rendering back end is read from it.
    void setQuickWindow(QQuickWindow *window);

    Q_INVOKABLE static QString appName();
    Q_INVOKABLE static QString appVersion();
    Q_INVOKABLE static QString appBuildDate();
    Q_INVOKABLE static QString appBuildDateTime();
    Q_INVOKABLE static QString appBuildMode();
    Q_INVOKABLE static QString appBuildModeFull();
    Q_INVOKABLE static bool isDebugBuild();

    Q_INVOKABLE static QString qtVersion();
    Q_INVOKABLE static QString qtBuildMode();
    Q_INVOKABLE static QString qtArchitecture();
    Q_INVOKABLE static bool qtIsDebug();
    Q_INVOKABLE static bool qtIsRelease();
    Q_INVOKABLE static bool qtIsShared();
    Q_INVOKABLE static bool qtIsStatic();
    Q_INVOKABLE QString qtRhiBackend() const;

    Q_INVOKABLE QString getAppPath() const { return m_appPath; }
    Q_INVOKABLE static void appExit();
    Q_INVOKABLE static void openWith(const QString &path);

    // "audio", "video" and "photo" name the music, movies and pictures folders; anything else the home.
    Q_INVOKABLE static QString getStandardPath_string(const QString &type);
    Q_INVOKABLE static QUrl getStandardPath_url(const QString &type);

    // Light when its darkness 1 - (0.299 R + 0.587 G + 0.114 B) / 255 is below 0.2.
    Q_INVOKABLE static bool isColorLight(int rgb);
    Q_INVOKABLE static bool isQColorLight(const QColor &color);
    Q_INVOKABLE static bool isOsThemeDark();

    // Phone and tablet services: the desktop has none, so these answer false, 0 or empty.
    Q_INVOKABLE static int getAndroidSdkVersion() { return 0; }
    Q_INVOKABLE static bool checkMobileStoragePermission() { return false; }
    Q_INVOKABLE static bool getMobileStoragePermission() { return false; }
    Q_INVOKABLE static bool checkMobileLocationPermission() { return false; }
    Q_INVOKABLE static bool getMobileLocationPermission() { return false; }
    Q_INVOKABLE static bool checkMobileCameraPermission() { return false; }
    Q_INVOKABLE static bool getMobileCameraPermission() { return false; }
    Q_INVOKABLE static bool checkMobileBluetoothPermission() { return false; }
    Q_INVOKABLE static bool getMobileBluetoothPermission() { return false; }
    Q_INVOKABLE static void vibrate(int milliseconds) { Q_UNUSED(milliseconds) }
    Q_INVOKABLE static void openAndroidAppInfo(const QString &packageName) { Q_UNUSED(packageName) }
    Q_INVOKABLE static void openAndroidLocationSettings() {}
    Q_INVOKABLE static bool isMobileGpsEnabled() { return false; }
    Q_INVOKABLE static bool forceMobileGpsEnabled() { return false; }
    Q_INVOKABLE static QString getMobileDeviceModel() { return {}; }
    Q_INVOKABLE static QString getMobileDeviceSerial() { return {}; }
    Q_INVOKABLE static int getMobileStorageCount() { return 0; }
    Q_INVOKABLE static QString getMobileStorageInternal() { return {}; }
    Q_INVOKABLE static QString getMobileStorageExternal(const QString &volumeName = QString()) {
        Q_UNUSED(volumeName)
        return {};
    }
    Q_INVOKABLE static QStringList getMobileStorageExternals() { return {}; }

private:
    UtilsApp();

    QString m_appPath;
    QPointer<QQuickWindow> m_quickWindow;
};

#include "app/utils/UtilsApp.h"

#include "device/AppVersion.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QPalette>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QStandardPaths>
#include <QSysInfo>

UtilsApp *UtilsApp::getInstance() {
    // Deliberately leaked: the scene may call into it until the very end of the run.
    static UtilsApp *instance = new UtilsApp();
    return instance;
}

UtilsApp::UtilsApp()
    : m_appPath(QCoreApplication::applicationDirPath()) {}

void UtilsApp::setQuickWindow(QQuickWindow *window) {
    m_quickWindow = window;
}

QString UtilsApp::appName() {
    return QStringLiteral("KelvoraAmplifierManager");
}

QString UtilsApp::appVersion() {
    return ::appVersion();
}

QString UtilsApp::appBuildDate() {
    return QStringLiteral(__DATE__);
}

QString UtilsApp::appBuildDateTime() {
    return QStringLiteral(__DATE__ " " __TIME__);
}

QString UtilsApp::appBuildMode() {
    return QString();
}

QString UtilsApp::appBuildModeFull() {
    return QStringLiteral("RELEASE");
}

bool UtilsApp::isDebugBuild() {
    return false;
}

QString UtilsApp::qtVersion() {
    return QString::fromLatin1(qVersion());
}

QString UtilsApp::qtBuildMode() {
    return QLibraryInfo::isDebugBuild() ? QStringLiteral("DEBUG") : QStringLiteral("RELEASE");
}

QString UtilsApp::qtArchitecture() {
    return QSysInfo::buildCpuArchitecture();
}

bool UtilsApp::qtIsDebug() {
    return QLibraryInfo::isDebugBuild();
}

bool UtilsApp::qtIsRelease() {
    return !QLibraryInfo::isDebugBuild();
}

bool UtilsApp::qtIsShared() {
    // Qt 6.4 has no run-time query for this; a static Qt build defines QT_STATIC in its configuration.
#ifdef QT_STATIC
    return false;
#else
    return true;
#endif
}

bool UtilsApp::qtIsStatic() {
    return !qtIsShared();
}

QString UtilsApp::qtRhiBackend() const {
    if (!m_quickWindow)
        return QString();
    const QSGRendererInterface *renderer = m_quickWindow->rendererInterface();
    if (!renderer)
        return QString();
    switch (renderer->graphicsApi()) {
    case QSGRendererInterface::Software:
        return QStringLiteral("Software");
    case QSGRendererInterface::OpenVG:
        return QStringLiteral("OpenVG");
    case QSGRendererInterface::OpenGL:
        return QStringLiteral("OpenGL");
    case QSGRendererInterface::Direct3D11:
        return QStringLiteral("Direct3D 11");
    case QSGRendererInterface::Vulkan:
        return QStringLiteral("Vulkan");
    case QSGRendererInterface::Metal:
        return QStringLiteral("Metal");
    case QSGRendererInterface::Null:
        return QStringLiteral("Null");
    default:
        return QString();
    }
}

void UtilsApp::appExit() {
    QCoreApplication::exit(0);
}

void UtilsApp::openWith(const QString &path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

namespace {
QStandardPaths::StandardLocation locationForType(const QString &type) {
    if (type == QLatin1String("audio"))
        return QStandardPaths::MusicLocation;
    if (type == QLatin1String("video"))
        return QStandardPaths::MoviesLocation;
    if (type == QLatin1String("photo"))
        return QStandardPaths::PicturesLocation;
    return QStandardPaths::HomeLocation;
}
} // namespace

QString UtilsApp::getStandardPath_string(const QString &type) {
    const QStandardPaths::StandardLocation location = locationForType(type);
    const QString writable = QStandardPaths::writableLocation(location);
    if (!writable.isEmpty())
        return writable;
    const QStringList all = QStandardPaths::standardLocations(location);
    return all.isEmpty() ? QString() : all.first();
}

QUrl UtilsApp::getStandardPath_url(const QString &type) {
    const QString path = getStandardPath_string(type);
    return path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path);
}

bool UtilsApp::isColorLight(int rgb) {
    const int red = (rgb >> 16) & 0xFF;
    const int green = (rgb >> 8) & 0xFF;
    const int blue = rgb & 0xFF;
    const double darkness = 1.0 - (0.299 * red + 0.587 * green + 0.114 * blue) / 255.0;
    return darkness < 0.2;
}

bool UtilsApp::isQColorLight(const QColor &color) {
    return isColorLight(static_cast<int>(color.rgb() & 0xFFFFFFu));
}

bool UtilsApp::isOsThemeDark() {
    // No colour-scheme query exists before Qt 6.5; the platform palette tells the same for desktop themes.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return false;
    const QPalette palette = QGuiApplication::palette();
    return palette.color(QPalette::Window).lightness() < palette.color(QPalette::WindowText).lightness();
}

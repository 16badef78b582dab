#include "app/utils/SceneGraphBackend.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QQuickWindow>
#include <QSGRendererInterface>

namespace scenegraph {

bool isSoftwareRasteriser(const QString &renderer) {
    for (const char *name : {"llvmpipe", "softpipe", "swrast", "software rasterizer", "lavapipe"}) {
        if (renderer.contains(QLatin1String(name), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

#ifndef Q_OS_WIN
namespace {

// The renderer of a default OpenGL context, "" when none can be made.
QString openGlRenderer() {
    QOpenGLContext context;
    if (!context.create())
        return QString();
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return QString();
    const auto *name = reinterpret_cast<const char *>(context.functions()->glGetString(GL_RENDERER));
    QString renderer = name ? QString::fromLatin1(name) : QString();
    context.doneCurrent();
    return renderer;
}

} // namespace
#endif

bool chooseBackend() {
#ifdef Q_OS_WIN
    // Windows draws through Direct3D, which has its own fallback.
    return false;
#else
    if (qEnvironmentVariableIsSet("QT_QUICK_BACKEND") || qEnvironmentVariableIsSet("QSG_RHI_BACKEND"))
        return false;
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return false;
    if (!isSoftwareRasteriser(openGlRenderer()))
        return false;
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    return true;
#endif
}

} // namespace scenegraph

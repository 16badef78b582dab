#pragma once

#include <QString>

// Where the only OpenGL is a software rasteriser (a machine without a GPU driver, a remote X display, Xvfb),
// Qt Quick's OpenGL renderer redraws the whole window on the CPU for every frame: with live tiles and the
// plot that is a third of a core. Qt Quick's own software renderer repaints only what changed and costs a
// fraction of that, so it is chosen there. A renderer the user chose (QT_QUICK_BACKEND, QSG_RHI_BACKEND)
// is left alone.
namespace scenegraph {

// Whether an OpenGL renderer name (GL_RENDERER) is a software rasteriser.
bool isSoftwareRasteriser(const QString &renderer);

// To be called once the application object exists and before the first window. Returns true when it
// switched Qt Quick to its software renderer.
bool chooseBackend();

} // namespace scenegraph

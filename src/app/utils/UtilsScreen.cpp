#include "app/utils/UtilsScreen.h"

#include <QGuiApplication>
#include <QScreen>

UtilsScreen *UtilsScreen::getInstance() {
    // Deliberately leaked, like the other utility singletons.
    static UtilsScreen *instance = new UtilsScreen();
    return instance;
}

UtilsScreen::UtilsScreen() {
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!app)
        return;
    connect(app, &QGuiApplication::primaryScreenChanged, this, &UtilsScreen::followPrimaryScreen);
    followPrimaryScreen(QGuiApplication::primaryScreen());
}

void UtilsScreen::followPrimaryScreen(QScreen *screen) {
    if (m_screen)
        disconnect(m_screen, nullptr, this, nullptr);
    m_screen = screen;
    if (m_screen) {
        connect(m_screen, &QScreen::physicalDotsPerInchChanged, this, &UtilsScreen::refresh);
        connect(m_screen, &QScreen::logicalDotsPerInchChanged, this, &UtilsScreen::refresh);
        connect(m_screen, &QObject::destroyed, this, &UtilsScreen::refresh);
    }
    refresh();
}

void UtilsScreen::refresh() {
    int dpi = -1;
    double par = -1.0;
    if (m_screen) {
        dpi = static_cast<int>(m_screen->physicalDotsPerInch());
        par = m_screen->devicePixelRatio();
    }
    if (dpi == m_screenDpi && par == m_screenPar)
        return;
    m_screenDpi = dpi;
    m_screenPar = par;
    emit screenChanged();
}

#pragma once

#include <QObject>
#include <QPointer>

class QScreen;

// Metrics of the primary screen that the main window sizes itself by. Both read -1 until a screen is known
// and follow the primary screen when it changes. One process-wide instance, never destroyed.
class UtilsScreen : public QObject {
    Q_OBJECT

    Q_PROPERTY(int screenDpi READ getScreenDpi NOTIFY screenChanged)
    Q_PROPERTY(double screenPar READ getScreenPar NOTIFY screenChanged)

public:
    static UtilsScreen *getInstance();

    // Physical dots per inch, truncated.
    int getScreenDpi() const { return m_screenDpi; }
    // Device pixel ratio.
    double getScreenPar() const { return m_screenPar; }

signals:
    void screenChanged();

private:
    UtilsScreen();
    void followPrimaryScreen(QScreen *screen);
    void refresh();

    QPointer<QScreen> m_screen;
    int m_screenDpi = -1;
    double m_screenPar = -1.0;
};

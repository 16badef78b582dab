#pragma once

#include <QObject>

// Placeholder singleton that the screens may reach as `utilsWiFi`. This desktop program does not use
// wireless networks, so it carries no operations of its own. One process-wide instance, never destroyed.
class UtilsWiFi : public QObject {
    Q_OBJECT

public:
    static UtilsWiFi *getInstance();

private:
    UtilsWiFi() = default;
};

#pragma once

#include <QObject>

// Status-bar and orientation control of phones and tablets. On the desktop there is nothing to control, so
// `available` is false; the type and its enumerations exist so that shared QML documents load everywhere.
class MobileUI : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool available READ isAvailable CONSTANT)

public:
    enum Theme { Light = 0, Dark = 1 };
    Q_ENUM(Theme)

    enum ScreenOrientation {
        Unlocked = 0,
        Portrait = 1,
        PortraitInverted = 2,
        Landscape = 3,
        LandscapeInverted = 4,
    };
    Q_ENUM(ScreenOrientation)

    explicit MobileUI(QObject *parent = nullptr);

    // Makes `MobileUI` creatable from QML (module "MobileUI" 1.0) and its enumerations known to the
    // meta-type system under their qualified names.
    static void registerQML();

    static bool isAvailable() { return false; }
};

import QtQuick
import QtQuick.Templates as T

import ComponentLibrary

// A scroll bar that stays shown while there is more to see than fits, so that no row is hidden without the
// user knowing; it disappears when everything fits. Attach it as ScrollBar.vertical of a Flickable.
T.ScrollBar {
    id: control

    readonly property bool needed: size < 1

    implicitWidth: 10
    implicitHeight: 10
    padding: 2
    visible: needed
    policy: T.ScrollBar.AlwaysOn
    minimumSize: 0.1

    contentItem: Rectangle {
        implicitWidth: 6
        implicitHeight: 6
        radius: 3
        color: control.pressed ? Theme.colorPrimary : Theme.colorSubText
        opacity: control.pressed || control.hovered ? 0.9 : 0.6
    }

    background: Rectangle {
        color: Theme.colorSeparator
        opacity: 0.5
        radius: 5
    }
}

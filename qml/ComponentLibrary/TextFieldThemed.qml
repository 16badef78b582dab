import QtQuick
import QtQuick.Controls.Basic

import ComponentLibrary

TextField {
    id: control

    implicitHeight: Theme.componentHeight
    font.pixelSize: Theme.fontSizeContent
    color: Theme.colorText
    placeholderTextColor: Theme.colorSubText
    selectByMouse: true
    opacity: enabled ? 1 : 0.4

    background: Rectangle {
        radius: Theme.componentRadius
        color: Theme.colorForeground
        border.width: 1
        border.color: control.activeFocus ? Theme.colorPrimary : Theme.colorSeparator
    }
}

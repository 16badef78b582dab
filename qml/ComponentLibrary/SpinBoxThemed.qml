import QtQuick
import QtQuick.Controls.Basic

import ComponentLibrary

SpinBox {
    id: control

    implicitHeight: Theme.componentHeight
    font.pixelSize: Theme.fontSizeContent
    editable: true
    opacity: enabled ? 1 : 0.4

    contentItem: TextInput {
        z: 2
        text: control.displayText
        font: control.font
        color: Theme.colorText
        selectionColor: Theme.colorPrimary
        selectedTextColor: "white"
        horizontalAlignment: Qt.AlignHCenter
        verticalAlignment: Qt.AlignVCenter
        readOnly: !control.editable
        validator: control.validator
        inputMethodHints: Qt.ImhFormattedNumbersOnly
    }

    background: Rectangle {
        implicitWidth: 140
        radius: Theme.componentRadius
        color: Theme.colorForeground
        border.width: 1
        border.color: control.activeFocus ? Theme.colorPrimary : Theme.colorSeparator
    }
}

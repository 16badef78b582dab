import QtQuick
import QtQuick.Templates as T

import ComponentLibrary

T.CheckBox {
    id: control

    implicitWidth: implicitIndicatorWidth + (text.length > 0 ? spacing + implicitContentWidth : 0)
                   + leftPadding + rightPadding
    implicitHeight: Theme.componentHeight
    spacing: 8
    font.pixelSize: Theme.fontSizeContent
    opacity: enabled ? 1 : 0.4

    indicator: Rectangle {
        implicitWidth: 22
        implicitHeight: 22
        x: control.leftPadding
        anchors.verticalCenter: parent.verticalCenter
        radius: 3
        color: control.checked ? Theme.colorPrimary : Theme.colorForeground
        border.width: 1
        border.color: control.checked ? Theme.colorPrimary : Theme.colorSubText

        Text {
            anchors.centerIn: parent
            visible: control.checked
            text: "\u2713"
            color: "white"
            font.pixelSize: 16
            font.bold: true
        }
    }

    contentItem: Text {
        leftPadding: control.indicator.width + control.spacing
        text: control.text
        font: control.font
        color: Theme.colorText
        verticalAlignment: Text.AlignVCenter
    }
}

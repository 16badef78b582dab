import QtQuick
import QtQuick.Templates as T

import ComponentLibrary

T.Switch {
    id: control

    implicitWidth: implicitIndicatorWidth + (text.length > 0 ? spacing + implicitContentWidth : 0)
                   + leftPadding + rightPadding
    implicitHeight: Theme.componentHeight
    spacing: 10
    font.pixelSize: Theme.fontSizeContent
    opacity: enabled ? 1 : 0.4

    indicator: Rectangle {
        implicitWidth: 44
        implicitHeight: 24
        x: control.leftPadding
        anchors.verticalCenter: parent.verticalCenter
        radius: height / 2
        color: control.checked ? Theme.colorPrimary : Theme.colorSeparator

        Rectangle {
            width: 20
            height: 20
            radius: 10
            anchors.verticalCenter: parent.verticalCenter
            x: control.checked ? parent.width - width - 2 : 2
            color: "white"
            border.color: Theme.colorSeparator
            Behavior on x { NumberAnimation { duration: 100 } }
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

import QtQuick
import QtQuick.Controls.Basic

import ComponentLibrary

ComboBox {
    id: control

    implicitHeight: Theme.componentHeight
    font.pixelSize: Theme.fontSizeContent
    opacity: enabled ? 1 : 0.4

    background: Rectangle {
        radius: Theme.componentRadius
        color: Theme.colorForeground
        border.width: 1
        border.color: control.activeFocus ? Theme.colorPrimary : Theme.colorSeparator
    }

    contentItem: Text {
        leftPadding: 12
        rightPadding: control.indicator.width + control.spacing
        text: control.displayText
        font: control.font
        color: Theme.colorText
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }

    delegate: ItemDelegate {
        required property int index
        required property var modelData
        width: control.width
        highlighted: control.highlightedIndex === index
        contentItem: Text {
            text: control.textRole ? modelData[control.textRole] : modelData
            font: control.font
            color: Theme.colorText
            elide: Text.ElideRight
            verticalAlignment: Text.AlignVCenter
        }
        background: Rectangle {
            color: highlighted ? Theme.colorSeparator : Theme.colorForeground
        }
    }
}

import QtQuick

import ComponentLibrary

// A row of joined segments of which one is marked. `model` holds objects { idx, txt }: `idx` is what the
// segment reports and what `currentSelection` holds. Clicking a segment only reports it (menuSelected); the
// owner decides whether to mark it, so the marking always shows what is really in force.
Rectangle {
    id: selector

    property var model: []
    property int currentSelection: -1

    signal menuSelected(int index)

    implicitWidth: row.implicitWidth + 2
    implicitHeight: Theme.componentHeight
    radius: Theme.componentRadius
    color: Theme.colorForeground
    border.width: 1
    border.color: Theme.colorSeparator
    opacity: enabled ? 1 : 0.4

    Row {
        id: row
        anchors.fill: parent
        anchors.margins: 1

        Repeater {
            model: selector.model

            Rectangle {
                required property var modelData
                readonly property bool marked: modelData.idx === selector.currentSelection

                objectName: selector.objectName + "_" + modelData.txt
                width: Math.max(56, label.implicitWidth + 24)
                height: row.height
                radius: Theme.componentRadius
                color: marked ? Theme.colorPrimary : (area.containsMouse ? Theme.colorSeparator : "transparent")

                Text {
                    id: label
                    anchors.centerIn: parent
                    text: parent.modelData.txt
                    font.pixelSize: Theme.fontSizeContent
                    font.bold: parent.marked
                    color: parent.marked ? "white" : Theme.colorText
                }

                MouseArea {
                    id: area
                    anchors.fill: parent
                    hoverEnabled: true
                    onClicked: selector.menuSelected(parent.modelData.idx)
                }
            }
        }
    }
}

import QtQuick

import ComponentLibrary

// A line of a list: an optional icon, a text and an optional smaller text below it.
Item {
    id: item

    property string text
    property string description
    property url source

    implicitWidth: 320
    implicitHeight: Math.max(48, column.implicitHeight + 16)

    Image {
        id: icon
        anchors.left: parent.left
        anchors.leftMargin: Theme.componentMargin
        anchors.verticalCenter: parent.verticalCenter
        width: 24
        height: 24
        sourceSize: Qt.size(24, 24)
        source: item.source
        visible: item.source.toString().length > 0
    }

    Column {
        id: column
        anchors.left: icon.visible ? icon.right : parent.left
        anchors.leftMargin: Theme.componentMargin
        anchors.right: parent.right
        anchors.rightMargin: Theme.componentMargin
        anchors.verticalCenter: parent.verticalCenter
        spacing: 2

        Text {
            width: parent.width
            text: item.text
            color: Theme.colorText
            font.pixelSize: Theme.fontSizeContent
            wrapMode: Text.WordWrap
        }
        Text {
            width: parent.width
            visible: item.description.length > 0
            text: item.description
            color: Theme.colorSubText
            font.pixelSize: Theme.fontSizeContent - 2
            wrapMode: Text.WordWrap
        }
    }
}

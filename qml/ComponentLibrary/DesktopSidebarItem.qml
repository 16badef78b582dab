import QtQuick

import ComponentLibrary

// One entry of the main window's sidebar: an icon and a label, marked while its screen is shown.
Item {
    id: control

    property string text
    property url source
    property bool highlighted: false
    property bool indented: false

    signal clicked()

    implicitWidth: 200
    implicitHeight: 48

    Accessible.role: Accessible.Button
    Accessible.name: text
    Accessible.onPressAction: control.clicked()

    Rectangle {
        anchors.fill: parent
        color: Theme.colorSidebarHighlight
        opacity: control.highlighted ? 1 : (mouseArea.containsMouse ? 0.33 : 0)
        Behavior on opacity { NumberAnimation { duration: 133 } }
    }

    Image {
        id: icon
        anchors.left: parent.left
        anchors.leftMargin: control.indented ? 40 : 16
        anchors.verticalCenter: parent.verticalCenter
        width: 24
        height: 24
        sourceSize: Qt.size(24, 24)
        source: control.source
        visible: control.source.toString().length > 0
    }

    Text {
        anchors.left: icon.right
        anchors.leftMargin: 16
        anchors.right: parent.right
        anchors.rightMargin: 8
        anchors.verticalCenter: parent.verticalCenter
        text: control.text
        color: Theme.colorSidebarContent
        font.pixelSize: Theme.fontSizeContent
        font.bold: control.highlighted
        // A long label (French) takes a second line rather than being cut.
        wrapMode: Text.WordWrap
        maximumLineCount: 2
        elide: Text.ElideRight
        lineHeight: 0.9
    }

    MouseArea {
        id: mouseArea
        anchors.fill: parent
        hoverEnabled: true
        onClicked: control.clicked()
    }
}

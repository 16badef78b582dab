import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Templates as T

import ComponentLibrary

// A message dialog: a title, a text and, when there is one, the reason in a smaller line below it, with an
// "OK" button. Modal and centred on the window. show(title, text, detail) fills and opens it.
Popup {
    id: dialog

    property string title
    property string text
    property string detail

    function show(newTitle, newText, newDetail) {
        title = newTitle
        text = newText
        detail = newDetail === undefined ? "" : newDetail
        open()
    }

    parent: T.Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(480, parent ? parent.width - 32 : 480)
    modal: true
    focus: true
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
    padding: 20

    background: Rectangle {
        radius: Theme.componentRadius
        color: Theme.colorBackground
        border.width: 1
        border.color: Theme.colorSeparator
    }

    contentItem: Column {
        spacing: 12

        Text {
            objectName: "dialogTitle"
            width: parent.width
            text: dialog.title
            color: Theme.colorText
            font.pixelSize: Theme.fontSizeTitle
            font.bold: true
            wrapMode: Text.WordWrap
        }
        Text {
            objectName: "dialogText"
            width: parent.width
            visible: dialog.text.length > 0
            text: dialog.text
            color: Theme.colorText
            font.pixelSize: Theme.fontSizeContent
            wrapMode: Text.WordWrap
        }
        Text {
            objectName: "dialogDetail"
            width: parent.width
            visible: dialog.detail.length > 0
            text: dialog.detail
            color: Theme.colorSubText
            font.pixelSize: Theme.fontSizeContent - 1
            wrapMode: Text.WordWrap
        }
        ButtonSolid {
            objectName: "dialogOk"
            anchors.right: parent.right
            width: 96
            text: qsTr("OK")
            onClicked: dialog.close()
        }
    }
}

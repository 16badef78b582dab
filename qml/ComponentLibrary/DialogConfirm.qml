import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Templates as T

import ComponentLibrary

// A question with two answers: the dialog closes on either, and `confirmed` follows only the first.
// ask(title, text, confirmText) fills and opens it; Escape or a press outside count as the second answer.
Popup {
    id: dialog

    property string title
    property string text
    property string confirmText: qsTr("OK")

    signal confirmed()

    function ask(newTitle, newText, newConfirmText) {
        title = newTitle
        text = newText
        if (newConfirmText !== undefined)
            confirmText = newConfirmText
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
            width: parent.width
            text: dialog.title
            color: Theme.colorText
            font.pixelSize: Theme.fontSizeTitle
            font.bold: true
            wrapMode: Text.WordWrap
        }
        Text {
            objectName: "confirmText"
            width: parent.width
            text: dialog.text
            color: Theme.colorText
            font.pixelSize: Theme.fontSizeContent
            wrapMode: Text.WrapAnywhere
        }
        Row {
            anchors.right: parent.right
            spacing: 8
            ButtonOutline {
                objectName: "confirmCancel"
                width: 112
                text: qsTr("Cancel")
                onClicked: dialog.close()
            }
            ButtonSolid {
                objectName: "confirmAccept"
                width: 112
                text: dialog.confirmText
                onClicked: {
                    dialog.close()
                    dialog.confirmed()
                }
            }
        }
    }
}

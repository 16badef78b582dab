import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T

import ComponentLibrary
import com.example.amplifiers

// Protocol and model of the amplifier to add. "Select" opens the calibration page with both choices; this
// popup stays in existence and keeps them for its next opening.
Popup {
    id: instrumentSelection
    objectName: "instrumentSelectionPopup"

    property string selectedProtocol: ""
    property string selectedModel: ""
    // Key order is the button order; the protocol text is what the amplifier factory accepts.
    readonly property var protocolModelMap: {
        var map = {}
        var names = InputRules.protocolNames()
        for (var i = 0; i < names.length; i++)
            map[names[i]] = InputRules.protocolModels(names[i])
        return map
    }
    property var calibrationPage: null

    // What the popup tells before it lets the user on ("" when nothing is missing).
    property string status: ""

    function select() {
        // A page without a protocol could connect nothing and would not even show its Device ID row.
        if (selectedProtocol.length === 0) {
            status = qsTr("Choose a protocol first.")
            return
        }
        status = ""
        if (!calibrationPage) {
            var component = Qt.createComponent("PopupCalibrationPage.qml")
            if (component.status !== Component.Ready) {
                console.debug("Error loading PopupCalibrationPage.qml: " + component.errorString())
                return
            }
            calibrationPage = component.createObject(instrumentSelection.parent, {
                "selectedProtocol": selectedProtocol,
                "selectedModel": selectedModel
            })
        }
        calibrationPage.open()
        close()
    }

    parent: T.Overlay.overlay
    anchors.centerIn: parent
    width: parent ? parent.width * 2 / 3 : Theme.wideWideModeWidth
    modal: true
    dim: true
    focus: true
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
    padding: Theme.pagePadding

    background: Rectangle {
        radius: Theme.componentRadius
        color: Theme.colorBackground
        border.color: Theme.colorSeparator
    }

    contentItem: RowLayout {
        spacing: Theme.pagePadding

        ColumnLayout {
            Layout.alignment: Qt.AlignTop
            Layout.preferredWidth: 1
            Layout.fillWidth: true
            spacing: Theme.spacingNormal

            Text {
                text: qsTr("Protocol")
                color: Theme.colorText
                font.pixelSize: Theme.fontSizeTitle
            }
            Repeater {
                model: Object.keys(instrumentSelection.protocolModelMap)
                ButtonChoice {
                    required property string modelData
                    objectName: "protocol_" + modelData
                    Layout.fillWidth: true
                    text: modelData
                    selected: modelData === instrumentSelection.selectedProtocol
                    onClicked: {
                        instrumentSelection.selectedProtocol = modelData
                        instrumentSelection.status = ""
                    }
                }
            }
            Item { Layout.preferredHeight: Theme.componentMargin }
            ButtonOutline {
                objectName: "cancelButton"
                Layout.fillWidth: true
                text: qsTr("Cancel")
                onClicked: instrumentSelection.close()
            }
        }

        ColumnLayout {
            Layout.alignment: Qt.AlignTop
            Layout.preferredWidth: 1
            Layout.fillWidth: true
            spacing: Theme.spacingNormal

            Text {
                text: qsTr("Model")
                color: Theme.colorText
                font.pixelSize: Theme.fontSizeTitle
            }
            Repeater {
                model: instrumentSelection.protocolModelMap[instrumentSelection.selectedProtocol] || []
                ButtonChoice {
                    required property string modelData
                    required property int index
                    objectName: "model_" + index
                    Layout.fillWidth: true
                    text: modelData
                    selected: modelData === instrumentSelection.selectedModel
                    onClicked: instrumentSelection.selectedModel = modelData
                }
            }
            Item { Layout.preferredHeight: Theme.componentMargin }
            Text {
                objectName: "selectionStatus"
                Layout.fillWidth: true
                visible: text.length > 0
                text: instrumentSelection.status
                color: Theme.colorError
                font.pixelSize: Theme.fontSizeContent
                wrapMode: Text.WordWrap
            }
            ButtonSolid {
                objectName: "selectButton"
                Layout.fillWidth: true
                text: qsTr("Select")
                onClicked: instrumentSelection.select()
            }
        }
    }
}

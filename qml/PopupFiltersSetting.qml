import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts

import ComponentLibrary

// One set of filter, auto-zero-tracking, stability and zero-point settings for every selected amplifier.
// Created once by the Weight Plot screen and reused; it reaches the screen as `screenPlayground`.
//
// Apply writes every field, so that an untouched field does not overwrite the amplifier's setting with a
// default, each opening fills the fields with what the first selected amplifier holds, where it can tell.
// What each amplifier reports while its settings are written decides what the user is told afterwards.
Popup {
    id: filterPopup
    objectName: "filterSettingsPopup"

    // Names of the amplifiers to write to, as selected on the Weight Plot screen.
    property var selectedAmplifiers: []
    // What the fields show: read from which amplifier, or why not ("" before the first opening).
    property string sourceNote: ""
    // Between the press on Apply and the end of the writes.
    property bool applying: false

    // The writes' outcome, shown after the popup has closed.
    property alias resultDialog: resultDialog

    // Field, setter and the value an empty or unreadable field stands for, in the order they are written.
    readonly property var numberFields: [
        { field: levelField, setter: "setFilteringLevel", key: "filteringLevel", fallback: 0 },
        { field: bandwidthField, setter: "setFilteringBandwidth", key: "filteringBandwidth", fallback: 0 },
        { field: trackingTimeField, setter: "setAutoZeroTrackingTime", key: "autoZeroTrackingTime", fallback: 0 },
        { field: trackingBandwidthField, setter: "setAutoZeroTrackingBandwidth", key: "autoZeroTrackingBandwidth",
          fallback: 0 },
        { field: stabilityField, setter: "setStabilityDeterminationTime", key: "stabilityDeterminationTime",
          fallback: 1 },
        { field: zeroPointField, setter: "setZeroPoint", key: "zeroPoint", fallback: 0 }
    ]

    function chosenAmplifiers() {
        var list = screenPlayground.amplifierList
        var chosen = []
        for (var i = 0; i < list.length; i++) {
            if (selectedAmplifiers.indexOf(list[i].getName()) >= 0)
                chosen.push(list[i])
        }
        return chosen
    }

    // A stability time of 0 means "not set" to the amplifier, so it is written as 1 like an empty field.
    function valueOf(entry) {
        var value = parseInt(entry.field.text, 10)
        if (isNaN(value) || (entry.setter === "setStabilityDeterminationTime" && value === 0))
            return entry.fallback
        return value
    }

    function prefill() {
        var chosen = chosenAmplifiers()
        if (chosen.length === 0)
            return
        var first = chosen[0]
        if (typeof first.readFilterSettings !== "function") {
            sourceNote = qsTr("Amplifier %1 cannot report its current settings: the fields keep what was last entered, and empty fields write the defaults.").arg(first.getName())
            return
        }
        var held = first.readFilterSettings()
        if (held.error !== undefined) {
            sourceNote = qsTr("The current settings of amplifier %1 could not be read (%2): the fields keep what was last entered, and empty fields write the defaults.").arg(first.getName()).arg(held.error)
            return
        }
        firCheck.checked = held.firFiltering !== 0
        for (var i = 0; i < numberFields.length; i++)
            numberFields[i].field.text = String(held[numberFields[i].key])
        sourceNote = qsTr("The fields show the current settings of amplifier %1.").arg(first.getName())
    }

    function apply() {
        if (selectedAmplifiers.length === 0 || applying)
            return
        var chosen = chosenAmplifiers()
        applying = true
        // The press returns at once; the writes, which wait for the amplifiers, follow.
        Qt.callLater(function() { filterPopup.writeTo(chosen) })
    }

    function writeTo(chosen) {
        var applied = []
        var failed = []
        for (var a = 0; a < chosen.length; a++) {
            var amplifier = chosen[a]
            var reasons = []
            var collect = function(reason) {
                if (reasons.indexOf(reason) < 0)
                    reasons.push(reason)
            }
            amplifier.readErrorOccurred.connect(collect)
            try {
                // An amplifier that failed one write is not sent the rest: each further write would only wait
                // out its own time-out (seconds on a silent CANopen node) while the window stands still.
                amplifier.setFIRFiltering(firCheck.checked)
                for (var i = 0; i < numberFields.length && reasons.length === 0; i++)
                    amplifier[numberFields[i].setter](valueOf(numberFields[i]))
            } finally {
                amplifier.readErrorOccurred.disconnect(collect)
            }
            if (reasons.length === 0)
                applied.push(amplifier.getName())
            else
                failed.push(qsTr("Amplifier %1: %2").arg(amplifier.getName()).arg(reasons.join(" ")))
        }
        applying = false
        close()
        if (failed.length === 0) {
            resultDialog.show(qsTr("Success"), qsTr("Filter settings applied successfully."))
            return
        }
        var summary = applied.length > 0
                ? qsTr("Settings applied to amplifiers %1; not applied to the others.").arg(applied.join(", "))
                : qsTr("No amplifier took the settings.")
        resultDialog.show(qsTr("Filter Settings Failed"), summary, failed.join("\n"))
    }

    // Wide enough for the labels beside their fields, high enough for every row, never beyond the screen.
    anchors.centerIn: parent
    width: parent ? Math.min(parent.width - 2 * Theme.componentMargin, Math.max(Theme.formPopupWidth, parent.width / 2))
                  : Theme.formPopupWidth
    height: parent ? Math.min(parent.height - 2 * Theme.componentMargin,
                              Math.max(500, parent.height * 0.7, implicitHeight)) : 500
    modal: true
    dim: true
    focus: true
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
    padding: 20

    onAboutToShow: prefill()

    background: Rectangle {
        radius: Theme.componentRadius
        color: Theme.colorBackground
        border.color: Theme.colorSeparator
    }

    component SettingField: TextFieldThemed {
        Layout.preferredWidth: 12 * Theme.fontSizeContent
        validator: IntValidator { bottom: 0 }
    }

    component FieldLabel: Text {
        Layout.fillWidth: true
        color: Theme.colorText
        font.pixelSize: Theme.fontSizeContent
        wrapMode: Text.WordWrap
    }

    contentItem: ColumnLayout {
        spacing: 8

        DialogMessage {
            id: resultDialog
            objectName: "filterResultDialog"
        }

        Text {
            text: qsTr("Filter Settings")
            color: Theme.colorText
            font.pixelSize: Theme.fontSizeTitle
            font.bold: true
        }
        Text {
            objectName: "selectedAmplifiersText"
            Layout.fillWidth: true
            text: qsTr("Selected Amplifiers: ") + filterPopup.selectedAmplifiers.join(", ")
            color: Theme.colorText
            font.pixelSize: Theme.fontSizeContent
            wrapMode: Text.WordWrap
        }
        Text {
            objectName: "sourceNote"
            Layout.fillWidth: true
            visible: text.length > 0
            text: filterPopup.sourceNote
            color: Theme.colorSubText
            font.pixelSize: Theme.fontSizeContent - 2
            font.italic: true
            wrapMode: Text.WordWrap
        }

        CheckBoxThemed {
            id: firCheck
            objectName: "firCheck"
            text: qsTr("Enable FIR Filtering")
            checked: false
        }

        // A label beside each field, so that a filled field still says what it holds.
        GridLayout {
            Layout.fillWidth: true
            columns: 2
            columnSpacing: 12
            rowSpacing: 6

            FieldLabel { text: levelField.placeholderText }
            SettingField {
                id: levelField
                objectName: "levelField"
                placeholderText: qsTr("Filtering Level (0-5)")
                validator: IntValidator { bottom: 0; top: 5 }
            }
            FieldLabel { text: bandwidthField.placeholderText }
            SettingField {
                id: bandwidthField
                objectName: "bandwidthField"
                placeholderText: qsTr("Filtering Bandwidth (0-1000)")
                validator: IntValidator { bottom: 0; top: 1000 }
            }
            FieldLabel { text: trackingTimeField.placeholderText }
            SettingField {
                id: trackingTimeField
                objectName: "trackingTimeField"
                placeholderText: qsTr("Auto Zero Tracking Time (0-50)")
                validator: IntValidator { bottom: 0; top: 50 }
            }
            FieldLabel { text: trackingBandwidthField.placeholderText }
            SettingField {
                id: trackingBandwidthField
                objectName: "trackingBandwidthField"
                placeholderText: qsTr("Auto Zero Tracking Bandwidth (0-10000)")
                validator: IntValidator { bottom: 0; top: 10000 }
            }
            FieldLabel { text: stabilityField.placeholderText }
            SettingField {
                id: stabilityField
                objectName: "stabilityField"
                placeholderText: qsTr("Stability Determination Time (1-50)")
                validator: IntValidator { bottom: 0; top: 50 }
            }
            FieldLabel { text: zeroPointField.placeholderText }
            SettingField {
                id: zeroPointField
                objectName: "zeroPointField"
                placeholderText: qsTr("Zero Point")
                validator: IntValidator { bottom: 0; top: 1000000 }
            }
        }

        Item { Layout.fillHeight: true }

        RowLayout {
            Layout.fillWidth: true
            spacing: 12
            ButtonOutline {
                objectName: "filterCancelButton"
                Layout.fillWidth: true
                text: qsTr("Cancel")
                onClicked: filterPopup.close()
            }
            ButtonSolid {
                objectName: "applyButton"
                Layout.fillWidth: true
                text: qsTr("Apply")
                enabled: !filterPopup.applying
                onClicked: filterPopup.apply()
            }
        }
    }
}

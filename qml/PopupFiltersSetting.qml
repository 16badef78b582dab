import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts

import ComponentLibrary
import com.example.amplifiers

import "Amplifiers.js" as Amplifiers

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

    // Field, setter and the driver's key, in the order they are written.
    readonly property var numberFields: [
        { field: levelField, setter: "setFilteringLevel", key: "filteringLevel" },
        { field: bandwidthField, setter: "setFilteringBandwidth", key: "filteringBandwidth" },
        { field: trackingTimeField, setter: "setAutoZeroTrackingTime", key: "autoZeroTrackingTime" },
        { field: trackingBandwidthField, setter: "setAutoZeroTrackingBandwidth", key: "autoZeroTrackingBandwidth" },
        { field: stabilityField, setter: "setStabilityDeterminationTime", key: "stabilityDeterminationTime" },
        { field: zeroPointField, setter: "setZeroPoint", key: "zeroPoint" }
    ]

    // The protocols of the selected amplifiers: their ranges are the ones the fields show and enforce.
    readonly property var protocols: protocolsOf(chosenAmplifiers())
    // Why each field's text cannot be written, by key ("" when it can): the value must suit every selected
    // amplifier's protocol. Judged by InputRules as the user types.
    readonly property var refusals: {
        var out = {}
        for (var i = 0; i < numberFields.length; i++) {
            var entry = numberFields[i]
            out[entry.key] = InputRules.settingRefusal(entry.key, entry.field.text, protocols)
        }
        return out
    }
    readonly property bool fieldsValid: {
        for (var key in refusals) {
            if (refusals[key].length > 0)
                return false
        }
        return true
    }

    // The protocols of `amplifiers`, each once; none (the serial rules) when none is selected.
    function protocolsOf(amplifiers) {
        var protocols = []
        for (var i = 0; i < amplifiers.length; i++) {
            var protocol = AmplifierFactory.protocolOf(amplifiers[i])
            if (protocols.indexOf(protocol) < 0)
                protocols.push(protocol)
        }
        return protocols
    }

    function chosenAmplifiers() {
        var list = screenPlayground.amplifiersOnScreen()
        var chosen = []
        for (var i = 0; i < list.length; i++) {
            if (selectedAmplifiers.indexOf(list[i].getName()) >= 0)
                chosen.push(list[i])
        }
        return chosen
    }

    // Only for fields whose refusal is empty.
    function valueOf(entry) {
        return InputRules.settingValue(entry.field.text)
    }

    function prefill() {
        var chosen = chosenAmplifiers()
        if (chosen.length === 0)
            return
        var first = chosen[0]
        if (!first.supportsFilterReadBack) {
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
        if (selectedAmplifiers.length === 0 || applying || !fieldsValid)
            return
        var chosen = chosenAmplifiers()
        applying = true
        // The press returns at once; the writes, which wait for the amplifiers, follow.
        Qt.callLater(function() { filterPopup.writeTo(chosen) })
    }

    function writeTo(chosen) {
        var applied = []
        var failed = []
        var settings = { firFiltering: firCheck.checked ? 1 : 0 }
        for (var i = 0; i < numberFields.length; i++)
            settings[numberFields[i].key] = valueOf(numberFields[i])
        for (var a = 0; a < chosen.length; a++) {
            var amplifier = chosen[a]
            // All or nothing per amplifier: its outcome says what it holds when a write was refused.
            var outcome = Amplifiers.outcomeOf(amplifier, "filters", function() {
                amplifier.writeFilterSettings(settings)
            })
            if (outcome !== null && outcome.ok)
                applied.push(amplifier.getName())
            else
                failed.push(qsTr("Load cell %1: %2").arg(amplifier.getName())
                            .arg(outcome !== null ? outcome.message : qsTr("it did not report back.")))
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
                              Math.max(Theme.filterPopupMinHeight, parent.height * 0.7, implicitHeight)) : Theme.filterPopupMinHeight
    modal: true
    dim: true
    focus: true
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
    padding: Theme.popupPadding

    onAboutToShow: prefill()

    background: Rectangle {
        radius: Theme.componentRadius
        color: Theme.colorBackground
        border.color: Theme.colorSeparator
    }

    // The text stays as typed: what cannot be written is refused beside it, never clamped or cut.
    component SettingField: TextFieldThemed {
        Layout.fillWidth: true
        inputMethodHints: Qt.ImhDigitsOnly
    }

    // Its line is kept when it is empty and it shrinks rather than wrap, so that a refusal appearing while the
    // user types moves no field and no button under the mouse.
    component FieldRefusal: Text {
        Layout.fillWidth: true
        // Nor does its length widen a column of the grid.
        Layout.preferredWidth: 0
        Layout.columnSpan: 2
        readonly property real line: Math.ceil(font.pixelSize * 1.4)
        Layout.minimumHeight: line
        Layout.preferredHeight: line
        Layout.maximumHeight: line
        color: Theme.colorError
        font.pixelSize: Theme.fontSizeCaption
        fontSizeMode: Text.HorizontalFit
        minimumPixelSize: Theme.fontSizeFitFloor
        verticalAlignment: Text.AlignVCenter
    }

    component FieldLabel: Text {
        Layout.fillWidth: true
        color: Theme.colorText
        font.pixelSize: Theme.fontSizeContent
        wrapMode: Text.WordWrap
    }

    contentItem: ColumnLayout {
        spacing: Theme.spacingNormal

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
            font.pixelSize: Theme.fontSizeSmall
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
            rowSpacing: 2

            FieldLabel { text: levelField.placeholderText }
            SettingField {
                id: levelField
                objectName: "levelField"
                placeholderText: qsTr("Filtering Level (%1)").arg(InputRules.settingRangeText("filteringLevel", filterPopup.protocols))
            }
            FieldRefusal {
                objectName: "levelFieldRefusal"
                text: filterPopup.refusals["filteringLevel"]
            }
            FieldLabel { text: bandwidthField.placeholderText }
            SettingField {
                id: bandwidthField
                objectName: "bandwidthField"
                placeholderText: qsTr("Filtering Bandwidth (%1)").arg(InputRules.settingRangeText("filteringBandwidth", filterPopup.protocols))
            }
            FieldRefusal {
                objectName: "bandwidthFieldRefusal"
                text: filterPopup.refusals["filteringBandwidth"]
            }
            FieldLabel { text: trackingTimeField.placeholderText }
            SettingField {
                id: trackingTimeField
                objectName: "trackingTimeField"
                placeholderText: qsTr("Auto Zero Tracking Time (%1)").arg(InputRules.settingRangeText("autoZeroTrackingTime", filterPopup.protocols))
            }
            FieldRefusal {
                objectName: "trackingTimeFieldRefusal"
                text: filterPopup.refusals["autoZeroTrackingTime"]
            }
            FieldLabel { text: trackingBandwidthField.placeholderText }
            SettingField {
                id: trackingBandwidthField
                objectName: "trackingBandwidthField"
                placeholderText: qsTr("Auto Zero Tracking Bandwidth (%1)").arg(InputRules.settingRangeText("autoZeroTrackingBandwidth", filterPopup.protocols))
            }
            FieldRefusal {
                objectName: "trackingBandwidthFieldRefusal"
                text: filterPopup.refusals["autoZeroTrackingBandwidth"]
            }
            FieldLabel { text: stabilityField.placeholderText }
            SettingField {
                id: stabilityField
                objectName: "stabilityField"
                placeholderText: qsTr("Stability Determination Time (%1)").arg(InputRules.settingRangeText("stabilityDeterminationTime", filterPopup.protocols))
            }
            FieldRefusal {
                objectName: "stabilityFieldRefusal"
                text: filterPopup.refusals["stabilityDeterminationTime"]
            }
            FieldLabel { text: zeroPointField.placeholderText }
            SettingField {
                id: zeroPointField
                objectName: "zeroPointField"
                placeholderText: qsTr("Zero Point")
            }
            FieldRefusal {
                objectName: "zeroPointFieldRefusal"
                text: filterPopup.refusals["zeroPoint"]
            }
        }

        Item { Layout.fillHeight: true }

        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.spacingWide
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
                enabled: !filterPopup.applying && filterPopup.fieldsValid
                onClicked: filterPopup.apply()
            }
        }
    }
}

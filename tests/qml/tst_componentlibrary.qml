import QtQuick
import QtTest

import ComponentLibrary

// The themed controls as the screens use them: clicks reach the right handlers, disabled controls stay
// silent, the selector marks only what its owner accepted, the message dialog shows what it was given.
Item {
    id: root
    width: 800
    height: 600

    Column {
        ButtonDesktop { id: desktopButton; text: "Desktop" }
        ButtonSolid { id: solidButton; text: "Solid"; enabled: false }
        ButtonChoice { id: choiceButton; text: "RS485"; selected: true }
        SwitchThemed { id: themedSwitch; text: "Auto Scale" }
        CheckBoxThemed { id: themedCheck; text: "Pre-Calibrated" }
        TextFieldThemed { id: themedField; placeholderText: "Weight (g)" }
        SelectorMenu {
            id: selector
            objectName: "unit"
            model: [{ idx: 1, txt: "lb" }, { idx: 2, txt: "g" }, { idx: 3, txt: "kg" }]
            currentSelection: 2
        }
    }
    DialogMessage { id: dialog }

    SignalSpy { id: desktopClicks; target: desktopButton; signalName: "clicked" }
    SignalSpy { id: solidClicks; target: solidButton; signalName: "clicked" }
    SignalSpy { id: selections; target: selector; signalName: "menuSelected" }

    TestCase {
        name: "ComponentLibrary"
        when: windowShown

        function test_controls() {
            mouseClick(desktopButton)
            compare(desktopClicks.count, 1)
            mouseClick(solidButton)
            compare(solidClicks.count, 0, "a disabled button reports no click")
            compare(choiceButton.background.color, Theme.colorChoiceSelected)
            compare(choiceButton.contentItem.color, Qt.color("white"))

            mouseClick(themedSwitch)
            verify(themedSwitch.checked)
            mouseClick(themedCheck)
            verify(themedCheck.checked)

            themedField.forceActiveFocus()
            keyClick(Qt.Key_1)
            keyClick(Qt.Key_2)
            compare(themedField.text, "12")
        }

        function test_selectorReportsAndMarksWhatItIsTold() {
            var kg = findChild(selector, "unit_kg")
            verify(kg)
            mouseClick(kg)
            compare(selections.count, 1)
            compare(selections.signalArguments[0][0], 3)
            verify(!kg.marked, "the owner decides the marking")
            selector.currentSelection = 3
            verify(kg.marked)
            verify(!findChild(selector, "unit_g").marked)
        }

        function test_dialogShowsTextAndReasonAndCloses() {
            dialog.show("Connection Error", "Failed to connect to amplifier. Please check your connection.",
                        "Port busy")
            tryCompare(dialog, "opened", true)
            compare(findChild(dialog, "dialogTitle").text, "Connection Error")
            compare(findChild(dialog, "dialogDetail").text, "Port busy")
            verify(findChild(dialog, "dialogDetail").visible)
            mouseClick(findChild(dialog, "dialogOk"))
            tryCompare(dialog, "visible", false)
            dialog.show("No Selection", "Please select at least one amplifier to remove.")
            tryCompare(dialog, "opened", true)
            verify(!findChild(dialog, "dialogDetail").visible, "no reason line without a reason")
            dialog.close()
        }
    }
}

import QtQuick
import QtTest

import ComponentLibrary

// What the screens' tests do not show of the themed controls: a disabled button stays silent, and the
// selector reports a click without marking it, so the marking always shows what its owner put in force.
Item {
    width: 400
    height: 200

    Column {
        ButtonSolid { id: solidButton; text: "Solid"; enabled: false }
        SelectorMenu {
            id: selector
            objectName: "unit"
            model: [{ idx: 1, txt: "lb" }, { idx: 2, txt: "g" }, { idx: 3, txt: "kg" }]
            currentSelection: 2
        }
    }

    SignalSpy { id: solidClicks; target: solidButton; signalName: "clicked" }
    SignalSpy { id: selections; target: selector; signalName: "menuSelected" }

    TestCase {
        name: "ComponentLibrary"
        when: windowShown

        function test_disabledButtonAndSelector() {
            mouseClick(solidButton)
            compare(solidClicks.count, 0)

            var kg = findChild(selector, "unit_kg")
            mouseClick(kg)
            compare(selections.count, 1)
            compare(selections.signalArguments[0][0], 3)
            verify(!kg.marked)
            selector.currentSelection = 3
            verify(kg.marked && !findChild(selector, "unit_g").marked)
        }
    }
}

import QtQuick

import ComponentLibrary

// One option of a group of which one is chosen (protocols, models): the chosen one is filled.
ButtonBase {
    property bool selected: false
    fillColor: selected ? Theme.colorChoiceSelected : Theme.colorChoiceIdle
    borderColor: selected ? Theme.colorChoiceSelected : Theme.colorChoiceIdleBorder
    labelColor: selected ? "white" : Theme.colorChoiceIdleText
}

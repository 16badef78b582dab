import QtQuick

import ComponentLibrary

// The plain desktop button; `highlighted` fills it with the theme's primary colour.
ButtonBase {
    fillColor: highlighted ? Theme.colorPrimary : Theme.colorForeground
    borderColor: highlighted ? Theme.colorPrimary : Theme.colorSeparator
    labelColor: highlighted ? "white" : Theme.colorText
}

import QtQuick

import ComponentLibrary

// A button filled with a strong colour (the theme's primary colour unless `color` says otherwise).
ButtonBase {
    property color color: Theme.colorPrimary
    fillColor: color
    borderColor: color
    labelColor: "white"
}

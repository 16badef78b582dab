import QtQuick

import ComponentLibrary

// A light button drawn by its outline, for secondary actions.
ButtonBase {
    property color color: Theme.colorPrimary
    fillColor: Theme.colorBackground
    borderColor: color
    labelColor: color
}

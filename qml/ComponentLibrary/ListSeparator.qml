import QtQuick

import ComponentLibrary

Rectangle {
    implicitWidth: 320
    implicitHeight: 1
    color: Theme.colorSeparator
}

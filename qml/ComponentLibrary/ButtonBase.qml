import QtQuick
import QtQuick.Templates as T

import ComponentLibrary

// The one drawing of every push button: the named styles (ButtonDesktop, ButtonSolid, ButtonOutline,
// ButtonChoice) only choose its colours.
T.Button {
    id: control

    property color fillColor: Theme.colorForeground
    property color borderColor: Theme.colorSeparator
    property color labelColor: Theme.colorText

    implicitWidth: Math.max(implicitBackgroundWidth + leftInset + rightInset,
                            implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Theme.componentHeight
    leftPadding: 12
    rightPadding: 12
    font.pixelSize: Theme.fontSizeContent
    focusPolicy: Qt.StrongFocus
    // A disabled button must look it: the user should not wonder why a click does nothing.
    opacity: enabled ? 1 : 0.4

    background: Rectangle {
        radius: Theme.componentRadius
        color: control.down ? Qt.darker(control.fillColor, 1.15)
                            : (control.hovered ? Qt.darker(control.fillColor, 1.05) : control.fillColor)
        border.width: 1
        border.color: control.visualFocus ? Theme.colorPrimary : control.borderColor
    }

    contentItem: Text {
        text: control.text
        font: control.font
        color: control.labelColor
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        // A label a little too long for a narrow window shrinks rather than losing its end.
        fontSizeMode: Text.HorizontalFit
        minimumPixelSize: control.font.pixelSize - 4
        elide: Text.ElideRight
    }
}

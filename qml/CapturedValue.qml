import QtQuick
import QtQuick.Layouts

import ComponentLibrary

// A captured AD value, and the note that it was taken with "capture anyway", while the readings were not
// at rest: the technician sees which point to trust less.
RowLayout {
    id: captured

    property alias text: valueText.text
    property bool anyway: false

    spacing: Theme.spacingTight

    Text {
        id: valueText
        color: Theme.colorText
        font.pixelSize: Theme.fontSizeContent
    }
    Text {
        objectName: "capturedAnywayNote"
        Layout.fillWidth: true
        visible: captured.anyway
        text: qsTr("(captured anyway)")
        color: Theme.colorWarning
        font.pixelSize: Theme.fontSizeSmall
        font.italic: true
        wrapMode: Text.WordWrap
    }
}

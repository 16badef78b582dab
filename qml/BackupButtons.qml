import QtQuick
import QtQuick.Layouts

import ComponentLibrary

// Backup…, Compare… and Restore… for one amplifier: `amplifier`, or the selected tile when it is null. The
// Weight Plot screen (`screenPlayground`) opens the popup, wherever the buttons are.
RowLayout {
    id: row

    property var amplifier: null
    // Distinguishes the buttons of the screen from those of a page ("backupTileButton", "backupPageButton").
    property string place: "Tile"
    property bool available: true

    spacing: Theme.spacingNormal

    Repeater {
        model: [{ mode: "backup", label: qsTr("Backup…") }, { mode: "compare", label: qsTr("Compare…") },
                { mode: "restore", label: qsTr("Restore…") }]
        delegate: ButtonOutline {
            required property var modelData
            objectName: modelData.mode + row.place + "Button"
            Layout.fillWidth: true
            text: modelData.label
            enabled: row.available
            onClicked: screenPlayground.openBackup(modelData.mode, row.amplifier)
        }
    }
}

import QtQuick
import QtQuick.Layouts

import ComponentLibrary
import com.example.amplifiers

// Finds the device ids that answer on an RS485 line or a CANopen bus: progress while the scan runs, then
// one choice per id that answered. Choosing one reports it through `chosen`. The scan itself runs in the
// library, off the GUI thread; this only starts, cancels and shows it.
ColumnLayout {
    id: scanPanel
    objectName: "deviceIdScan"

    property string protocol: ""
    property string port: ""
    readonly property bool running: scanner.running
    readonly property bool offered: scanner.canScan(protocol)

    signal chosen(int deviceId)

    function toggle() {
        if (scanner.running)
            scanner.cancel()
        else
            scanner.start(protocol, port, sharedBus, canLink)
    }

    // A page that closes mid-scan must not leave the line probed on its behalf.
    Component.onDestruction: scanner.cancel()

    visible: offered && (scanner.running || scanner.total > 0 || scanner.error.length > 0)
    spacing: Theme.spacingTight

    BusScanner { id: scanner }

    Text {
        objectName: "scanProgress"
        Layout.fillWidth: true
        wrapMode: Text.Wrap
        color: scanner.error.length > 0 ? Theme.colorError : Theme.colorSubText
        font.pixelSize: Theme.fontSizeContent
        text: {
            if (scanner.error.length > 0)
                return qsTr("Scan failed: %1").arg(scanner.error)
            var counts = qsTr("%1 / %2 ids probed, %3 found").arg(scanner.probed).arg(scanner.total)
                                                              .arg(scanner.found.length)
            if (scanner.running)
                return qsTr("Scanning: %1").arg(counts)
            return scanner.cancelled ? qsTr("Scan cancelled: %1").arg(counts) : qsTr("Scan done: %1").arg(counts)
        }
    }

    Flow {
        objectName: "scanResults"
        Layout.fillWidth: true
        spacing: Theme.spacingTight
        Repeater {
            model: scanner.found
            ButtonChoice {
                objectName: "scanResult" + modelData.id
                text: modelData.duplicate ? qsTr("%1 (duplicate: two devices answer this id)").arg(modelData.id)
                      : modelData.refused ? qsTr("%1 (refuses: %2)").arg(modelData.id).arg(modelData.detail)
                                          : qsTr("%1 (AD %2)").arg(modelData.id).arg(modelData.adValue)
                onClicked: scanPanel.chosen(modelData.id)
            }
        }
    }
}

import QtQuick
import QtQuick.Layouts

import ComponentLibrary

// A capture that waits for the readings to come to rest: what it waits for, or why it gave up, and the way
// out for a reading that will not settle ("capture anyway", which the page notes with the value). Keeps its
// room when idle, so that nothing below it moves when a wait starts.
ColumnLayout {
    id: wait
    objectName: "captureWait"

    // A StableCapture.
    property var capture: null
    // What is being captured ("ZERO", "Point 3"); empty when nothing is.
    property string subject: ""
    // Why the last wait ended without a capture ("" while none did).
    property string failure: ""
    readonly property bool shown: subject.length > 0 && capture !== null && (capture.waiting || failure.length > 0)

    signal cancelled()

    spacing: Theme.spacingTight
    opacity: shown ? 1 : 0
    enabled: shown

    Text {
        objectName: "captureWaitText"
        Layout.fillWidth: true
        text: !wait.shown ? "" : wait.failure.length > 0 ? qsTr("%1: %2").arg(wait.subject).arg(wait.failure)
                                                         : qsTr("%1: waiting for a stable reading…").arg(wait.subject)
        color: wait.failure.length > 0 ? Theme.colorError : Theme.colorSubText
        font.pixelSize: Theme.fontSizeSmall
        font.italic: wait.failure.length === 0
        wrapMode: Text.WordWrap
        // Two lines' room whatever it says, so that a longer reason moves nothing.
        Layout.preferredHeight: 2 * Math.ceil(fontMetrics.height)
        verticalAlignment: Text.AlignTop
        FontMetrics { id: fontMetrics; font.pixelSize: Theme.fontSizeSmall }
    }
    RowLayout {
        spacing: Theme.spacingNormal
        ButtonOutline {
            objectName: "captureAnywayButton"
            text: qsTr("capture anyway")
            onClicked: {
                if (!wait.capture.captureAnyway())
                    wait.failure = qsTr("No reading has come yet: there is nothing to capture.")
            }
        }
        ButtonOutline {
            objectName: "cancelCaptureButton"
            text: qsTr("Cancel")
            onClicked: {
                wait.capture.cancel()
                wait.cancelled()
            }
        }
    }
}

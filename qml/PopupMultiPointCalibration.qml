import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T

import ComponentLibrary
import com.example.check

import "Amplifiers.js" as Amplifiers

// Up to nine captured AD values paired with known weights in grams, written to one RS485 amplifier of the
// Weight Plot screen. Rows without a capture are left out; every close forgets what was captured.
Popup {
    id: multiPoint
    objectName: "multiPointPopup"

    property string amplifierName: ""
    // Per point row 0 to 8: the captured AD value (undefined without a capture) and the typed weight text.
    property var adPoints: []
    property var weightPoints: []
    // Per point row: true where the point was taken with "capture anyway", while the readings moved.
    property var anywayPoints: []
    property real lastAd: -1
    property string status: ""
    // The row a capture waits for (-1: none) and why its last wait ended without one.
    property int pendingRow: -1
    property string captureFailure: ""
    // How long a capture waits for the readings to come to rest before it gives up and says why.
    property int captureTimeoutMs: 15000

    readonly property var amplifier: findAmplifier()
    readonly property int pointRows: 9

    function findAmplifier() {
        if (amplifierName.length === 0)
            return null
        var list = screenPlayground.amplifiersOnScreen()
        for (var i = 0; i < list.length; i++) {
            if (list[i].getName() === amplifierName)
                return list[i]
        }
        return null
    }

    // A point is the mean of a window of AD values at rest (the library's stability rule); the capture
    // waits for it up to captureTimeoutMs.
    function capture(row) {
        status = ""
        captureFailure = ""
        if (lastAd < 0) {
            status = qsTr("No AD value has arrived yet: press Start Calibration and wait until the read-out counts.")
            return
        }
        pendingRow = row
        adCapture.capture(captureTimeoutMs)
    }

    function pointCaptured(mean, anyway) {
        var row = pendingRow
        pendingRow = -1
        captureFailure = ""
        if (row < 0)
            return
        var points = adPoints.slice()
        points[row] = Math.round(mean)
        adPoints = points
        var notes = anywayPoints.slice()
        notes[row] = anyway
        anywayPoints = notes
    }

    function stopWaiting() {
        adCapture.cancel()
        pendingRow = -1
        captureFailure = ""
    }

    function setWeight(row, text) {
        var weights = weightPoints.slice()
        weights[row] = text
        weightPoints = weights
    }

    // `force`: the technician confirmed points that lie within the noise of each other.
    function calibrateMultiPoint(force) {
        status = ""
        stopWaiting()
        if (!amplifier) {
            console.debug("Amplifier not found. Cannot calibrate.")
            return
        }
        if (!amplifier.supportsMultiPointCalibration)
            return
        var adValues = []
        var weights = []
        for (var row = 0; row < pointRows; row++) {
            if (adPoints[row] === undefined)
                continue
            var grams = Amplifiers.wholeGrams(weightPoints[row] === undefined ? "" : weightPoints[row])
            if (grams < 0) {
                status = qsTr("Point %1: enter its weight in grams as a number of 0 or more.").arg(row + 1)
                return
            }
            adValues.push(adPoints[row])
            weights.push(grams)
        }
        if (adValues.length < 2) {
            pointsDialog.show(qsTr("Multi-Point Calibration"),
                              qsTr("Please capture at least two points before calibrating."))
            return
        }
        var target = amplifier
        var warning = force ? "" : target.calibrationWarning(adValues)
        if (warning.length > 0) {
            closePointsDialog.ask(qsTr("Calibration Points Close Together"), warning, qsTr("Calibrate Anyway"))
            return
        }
        var failure = Amplifiers.failureOf(target, function() { target.calibrateMultiPoints(adValues, weights) })
        if (failure.length > 0) {
            status = failure
            return
        }
        target.stopContinuousADRead()
        close()
    }

    parent: T.Overlay.overlay
    anchors.centerIn: parent
    width: parent ? parent.width * 3 / 4 : Theme.windowDefaultSizeHdpi.width
    // Tall enough for all nine rows where the window allows; otherwise they scroll. A message takes its room
    // from the rows, so that it never moves the buttons.
    height: parent ? Math.min(parent.height - 2 * Theme.componentMargin, Math.max(parent.height * 3 / 4,
                              pointList.implicitHeight + 2 * (Theme.componentHeight + column.spacing)
                              + topPadding + bottomPadding)) : Theme.windowDefaultSizeHdpi.height
    modal: true
    dim: true
    focus: true
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
    padding: Theme.popupPadding

    onVisibleChanged: {
        if (visible)
            return
        if (amplifier)
            amplifier.stopContinuousADRead()
        stopWaiting()
        adCapture.clear()
        adPoints = []
        weightPoints = []
        anywayPoints = []
        lastAd = -1
        status = ""
    }

    Connections {
        target: multiPoint.amplifier
        ignoreUnknownSignals: true
        function onAdValueReceived(adValue) {
            multiPoint.lastAd = adValue
        }
    }

    StableCapture {
        id: adCapture
        onCaptured: (value, anyway) => multiPoint.pointCaptured(value, anyway)
        onTimedOut: (reason) => multiPoint.captureFailure = reason
    }
    Component.onCompleted: adCapture.followAdValues(amplifier)

    DialogMessage {
        id: pointsDialog
        objectName: "pointsDialog"
    }

    DialogConfirm {
        id: closePointsDialog
        objectName: "closePointsDialog"
        onConfirmed: multiPoint.calibrateMultiPoint(true)
    }

    background: Rectangle {
        radius: Theme.componentRadius
        color: Theme.colorBackground
        border.color: Theme.colorSeparator
    }

    contentItem: ColumnLayout {
        id: column
        spacing: Theme.spacingNormal

        RowLayout {
            spacing: Theme.componentMargin
            ButtonSolid {
                objectName: "startCalibrationButton"
                text: qsTr("Start Calibration")
                enabled: multiPoint.amplifier !== null
                onClicked: multiPoint.amplifier.startContinuousADRead(100)
            }
            Text {
                objectName: "multiPointAdReadout"
                text: multiPoint.lastAd < 0 ? "AD: -" : "AD: " + multiPoint.lastAd
                color: Theme.colorText
                font.pixelSize: Theme.fontSizeTitle
            }
            StabilityIndicator {
                id: stabilityIndicator
                capture: adCapture
                active: multiPoint.lastAd >= 0
            }
            Text {
                objectName: "stabilityDetail"
                Layout.fillWidth: true
                text: stabilityIndicator.detail
                color: Theme.colorSubText
                font.pixelSize: Theme.fontSizeSmall
                wrapMode: Text.WordWrap
            }
        }

        StableCaptureWait {
            Layout.fillWidth: true
            capture: adCapture
            subject: multiPoint.pendingRow >= 0 ? qsTr("Point %1").arg(multiPoint.pendingRow + 1) : ""
            failure: multiPoint.captureFailure
            onCancelled: multiPoint.stopWaiting()
        }

        ListView {
            id: pointList
            Layout.fillWidth: true
            Layout.fillHeight: true
            // From the rows' own height: a list's content height depends on what it has created.
            implicitHeight: multiPoint.pointRows * (Theme.componentHeight + spacing) - spacing
            clip: true
            spacing: Theme.spacingTight
            model: multiPoint.pointRows
            T.ScrollBar.vertical: ScrollBarThemed {}
            delegate: RowLayout {
                id: pointRow
                required property int index
                width: ListView.view.width
                spacing: Theme.spacingWide

                Text {
                    Layout.preferredWidth: Theme.columnNarrow
                    text: qsTr("Point %1").arg(pointRow.index + 1)
                    color: Theme.colorText
                    font.pixelSize: Theme.fontSizeContent
                }
                ButtonDesktop {
                    objectName: "captureButton_" + (pointRow.index + 1)
                    text: qsTr("Capture AD")
                    enabled: multiPoint.amplifier !== null
                    onClicked: multiPoint.capture(pointRow.index)
                }
                CapturedValue {
                    objectName: "capturedText_" + (pointRow.index + 1)
                    Layout.preferredWidth: Theme.columnWide
                    text: multiPoint.adPoints[pointRow.index] === undefined ? qsTr("Not Captured")
                                                                           : String(multiPoint.adPoints[pointRow.index])
                    anyway: multiPoint.anywayPoints[pointRow.index] === true
                }
                TextFieldThemed {
                    objectName: "weightField_" + (pointRow.index + 1)
                    Layout.fillWidth: true
                    placeholderText: qsTr("Weight (g)")
                    text: multiPoint.weightPoints[pointRow.index] === undefined ? ""
                                                                              : multiPoint.weightPoints[pointRow.index]
                    onTextEdited: multiPoint.setWeight(pointRow.index, text)
                }
            }
        }

        Text {
            objectName: "multiPointStatus"
            Layout.fillWidth: true
            visible: text.length > 0
            text: multiPoint.status
            color: Theme.colorError
            font.pixelSize: Theme.fontSizeContent
            wrapMode: Text.WordWrap
        }

        RowLayout {
            spacing: Theme.componentMargin
            ButtonSolid {
                objectName: "calibrateMultiPointButton"
                text: qsTr("Calibrate Multi-Point")
                enabled: multiPoint.amplifier !== null
                onClicked: multiPoint.calibrateMultiPoint()
            }
            ButtonOutline {
                objectName: "multiPointCancelButton"
                text: qsTr("Cancel")
                onClicked: {
                    if (multiPoint.amplifier)
                        multiPoint.amplifier.stopContinuousADRead()
                    multiPoint.close()
                }
            }
        }
    }
}

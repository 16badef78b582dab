import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import QtQuick.Templates as T

import ComponentLibrary
import CustomComponents
import com.example.amplifiers
import com.example.check

import "Amplifiers.js" as Amplifiers

// Port and device id, connection, the raw AD read-out and the two-point calibration of one amplifier. The
// page hands the amplifier to the Weight Plot screen when it is calibrated (or marked pre-calibrated) and
// destroys itself whenever it closes. At most one amplifier is connected on its behalf at a time.
Popup {
    id: calibrationPage
    objectName: "calibrationPage"

    property string selectedProtocol: ""
    property string selectedModel: ""
    property var currentAmplifier: null

    // The amplifier takes each point as it is captured (SPAN sends the weight), not all at Calibrate.
    readonly property bool pointByPoint: InputRules.calibratesPointByPoint(selectedProtocol)
    readonly property bool needsDeviceId: InputRules.takesDeviceId(selectedProtocol)
    readonly property var portList: portHelper.getAvailablePorts()

    // The last AD value shown in the read-out, -1 while none has arrived from the current amplifier.
    property real lastAd: -1
    // Milliseconds since the amplifier's last good reading (-1: none, or it does not say) and why it has had
    // none lately, in its words. A value older than a second is not what the amplifier reads now: it is
    // neither shown as the read-out nor captured.
    property real adSilentMs: -1
    property string adStaleReason: ""
    readonly property bool adStale: lastAd >= 0 && adSilentMs > 1000
    property string zeroValue: "0"
    property string spanValue: "0"
    property bool zeroCaptured: false
    property bool spanCaptured: false
    // A point taken with "capture anyway", while the readings were not at rest: said beside its value.
    property bool zeroAnyway: false
    property bool spanAnyway: false
    // The point a capture waits for ("ZERO" or "SPAN", "" when none) and why its last wait ended without
    // one; a CANopen SPAN sends the weight typed when it was pressed.
    property string pendingPoint: ""
    property string captureFailure: ""
    property int pendingSpanGrams: 0
    // How long a capture waits for the readings to come to rest before it gives up and says why.
    property int captureTimeoutMs: 15000
    // What the page tells the user about the last action that did not go through ("" when all is well).
    property string status: ""

    SerialPortHelper { id: portHelper }

    function connectionError(reason) {
        connectionErrorDialog.show(qsTr("Connection Error"),
                                   qsTr("Failed to connect to amplifier. Please check your connection."), reason)
    }

    // What was typed or chosen cannot be used: nothing was tried on the link.
    function inputError(reason) {
        connectionErrorDialog.show(qsTr("Invalid Input"), reason)
    }

    // The amplifier on the Weight Plot screen that this page's choices address, or null.
    function amplifierOnScreen(port, deviceId) {
        var list = screenPlayground.amplifiersOnScreen()
        for (var i = 0; i < list.length; i++) {
            if (AmplifierFactory.addresses(list[i], selectedProtocol, port, deviceId))
                return list[i]
        }
        return null
    }

    // The page's previous amplifier stops reading and gives its link back before another connects, so a
    // second connect to the same RS232 port can open it.
    function releaseCurrent() {
        if (!currentAmplifier)
            return
        Amplifiers.release(currentAmplifier)
        stopWaiting()
        adCapture.followAdValues(null)
        currentAmplifier = null
        lastAd = -1
        adSilentMs = -1
        adStaleReason = ""
        zeroValue = "0"
        spanValue = "0"
        zeroCaptured = false
        spanCaptured = false
        zeroAnyway = false
        spanAnyway = false
    }

    function connectAmplifier() {
        status = ""
        var deviceId = 0
        if (needsDeviceId) {
            var refusal = InputRules.deviceIdRefusal(selectedProtocol, deviceIdField.text)
            if (refusal.length > 0) {
                inputError(refusal)
                return
            }
            deviceId = Number(deviceIdField.text.trim())
        }
        var port = portSelector.currentIndex >= 0 ? portSelector.currentText : ""
        var twin = amplifierOnScreen(port, deviceId)
        if (twin) {
            inputError(qsTr("This amplifier is already on the Weight Plot screen as amplifier %1; it is not added twice.")
                       .arg(twin.getName()))
            return
        }

        releaseCurrent()
        // The chosen model names the amplifier where it is recorded.
        var amplifier = AmplifierFactory.createAmplifier(selectedProtocol, selectedModel || "AmplifierModel", port,
                                                         9600, deviceId, sharedBus)
        if (!amplifier) {
            connectionError(selectedProtocol.length === 0 ? qsTr("No protocol was chosen.")
                                                          : qsTr("Unknown protocol \"%1\".").arg(selectedProtocol))
            return
        }

        var reason = ""
        var onFailed = function(why) { reason = why }
        amplifier.connectionFailed.connect(onFailed)
        try {
            amplifier.connect()
        } catch (error) {
            reason = String(error)
        }
        amplifier.connectionFailed.disconnect(onFailed)
        if (!amplifier.isConnected()) {
            Amplifiers.release(amplifier)
            connectionError(reason.length > 0 ? reason : qsTr("The amplifier did not answer."))
            return
        }

        currentAmplifier = amplifier
        adCapture.followAdValues(amplifier)
        amplifier.startContinuousADRead(100)
        storedCalibration.read()
    }

    function noAdYet(button) {
        status = qsTr("No AD value has arrived yet: wait until the read-out counts, then press %1 again.").arg(button)
    }

    function refreshAdState() {
        var amplifier = currentAmplifier
        if (!amplifier)
            return
        adSilentMs = amplifier.getMsSinceLastReading()
        adStaleReason = amplifier.getStaleReason()
    }

    function adStaleText() {
        return adStaleReason.length > 0 ? adStaleReason : qsTr("no answer for %1 s").arg(Math.floor(adSilentMs / 1000))
    }

    // False, with the reason in `status`, when there is no current AD value to capture.
    function adReady(button) {
        refreshAdState()
        if (lastAd < 0) {
            noAdYet(button)
            return false
        }
        if (adStale) {
            status = qsTr("The AD read-out is not current (%1): wait until it counts again, then press %2 again.")
                    .arg(adStaleText()).arg(button)
            return false
        }
        return true
    }

    // ZERO and SPAN take the mean of a window of AD values at rest (the library's stability rule), waiting
    // for it up to captureTimeoutMs; the value is stored by pointCaptured.
    function startCapture(point) {
        status = ""
        captureFailure = ""
        if (!adReady(point))
            return
        if (point === "SPAN" && pointByPoint) {
            var grams = spanWeightGrams()
            if (grams < 0)
                return
            pendingSpanGrams = grams
        }
        pendingPoint = point
        adCapture.capture(captureTimeoutMs)
    }

    function captureZero() {
        startCapture("ZERO")
    }

    function captureSpan() {
        startCapture("SPAN")
    }

    function stopWaiting() {
        adCapture.cancel()
        pendingPoint = ""
        captureFailure = ""
    }

    function pointCaptured(mean, anyway) {
        var point = pendingPoint
        pendingPoint = ""
        captureFailure = ""
        if (!currentAmplifier || point.length === 0)
            return
        var ad = Math.round(mean)
        if (pointByPoint) {
            // The amplifier takes its own reading now, which is at rest unless captured anyway.
            var amplifier = currentAmplifier
            var grams = pendingSpanGrams
            var failure = Amplifiers.failureOf(amplifier, function() {
                if (point === "ZERO")
                    amplifier.calibrateZero()
                else
                    amplifier.calibrateSpan(grams)
            })
            if (failure.length > 0) {
                status = failure
                return
            }
        }
        if (point === "ZERO") {
            zeroValue = String(ad)
            zeroAnyway = anyway
            zeroCaptured = true
        } else {
            spanValue = String(ad)
            spanAnyway = anyway
            spanCaptured = true
        }
    }

    // The span weight in whole grams, or -1 (and the page says why) when the field holds no usable weight.
    // Only the page sees the text; the amplifier would get a number that hides what was typed.
    function spanWeightGrams() {
        var refusal = InputRules.spanWeightRefusal(spanWeightField.text)
        if (refusal.length > 0) {
            status = refusal
            return -1
        }
        return InputRules.spanWeightGrams(spanWeightField.text)
    }

    function handOver() {
        var amplifier = currentAmplifier
        currentAmplifier = null
        screenPlayground.addAmplifier(amplifier)
        close()
    }

    // The amplifier joins the Weight Plot screen only when its calibration went through; otherwise the page
    // shows the amplifier's own reason and stays open for another try (or "Pre-Calibrated").
    // `force`: the technician confirmed points that lie within the noise of each other.
    function calibrate(force) {
        status = ""
        stopWaiting()
        var amplifier = currentAmplifier
        if (!amplifier) {
            status = qsTr("Connect an amplifier first.")
            return
        }
        if (preCalibratedCheck.checked) {
            amplifier.stopContinuousADRead()
            handOver()
            return
        }
        // Without both points a calibration would overwrite the amplifier's own with nothing.
        if (!zeroCaptured || !spanCaptured) {
            status = qsTr("Press ZERO with the scale empty and SPAN with the known weight on it before Calibrate, "
                          + "or tick Pre-Calibrated to keep the amplifier's own calibration.")
            return
        }
        var grams = spanWeightGrams()
        if (grams < 0)
            return
        var warning = force ? "" : amplifier.calibrationWarning([Number(zeroValue), Number(spanValue)])
        if (warning.length > 0) {
            closePointsDialog.ask(qsTr("Calibration Points Close Together"), warning, qsTr("Calibrate Anyway"))
            return
        }
        var failure = Amplifiers.failureOf(amplifier, function() {
            if (pointByPoint)
                amplifier.finalizeCalibration(2)
            amplifier.stopContinuousADRead()
            if (!pointByPoint)
                amplifier.calibrateTwoPoints(Number(zeroValue), Number(spanValue), grams)
        })
        if (failure.length > 0) {
            status = failure
            amplifier.startContinuousADRead(100)
            return
        }
        handOver()
    }

    parent: T.Overlay.overlay
    // The top edge stays where it is while messages, scan results and the stored calibration appear below,
    // so nothing the user is about to click moves; what does not fit above the window's bottom scrolls.
    x: parent ? (parent.width - width) / 2 : 0
    y: parent ? parent.height / 20 : 0
    width: parent ? parent.width * 2 / 3 : Theme.columnContent
    height: parent ? Math.min(implicitHeight, parent.height - y - Theme.componentMargin) : implicitHeight
    modal: true
    dim: true
    focus: true
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
    padding: Theme.pagePadding

    // However the page closes, its amplifier (unless handed over) stops and gives its link back.
    onVisibleChanged: {
        if (visible)
            return
        releaseCurrent()
        destroy()
    }

    Connections {
        target: calibrationPage.currentAmplifier
        ignoreUnknownSignals: true
        function onAdValueReceived(adValue) {
            calibrationPage.lastAd = adValue
            calibrationPage.adSilentMs = 0
        }
    }

    StableCapture {
        id: adCapture
        onCaptured: (value, anyway) => calibrationPage.pointCaptured(value, anyway)
        onTimedOut: (reason) => calibrationPage.captureFailure = reason
    }

    Timer {
        interval: 250
        repeat: true
        running: calibrationPage.visible && calibrationPage.currentAmplifier !== null
        onTriggered: calibrationPage.refreshAdState()
    }

    DialogMessage {
        id: connectionErrorDialog
        objectName: "connectionErrorDialog"
    }

    DialogConfirm {
        id: closePointsDialog
        objectName: "closePointsDialog"
        onConfirmed: calibrationPage.calibrate(true)
    }

    background: Rectangle {
        radius: Theme.componentRadius
        color: Theme.colorBackground
        border.color: Theme.colorSeparator
    }

    // What the amplifier holds and the scan's results may not fit a small window: they scroll, while the
    // message about the last action stays in view below them.
    contentItem: ColumnLayout {
        spacing: Theme.componentMargin

        Flickable {
            id: pageFlick
            objectName: "pageFlick"
            Layout.fillWidth: true
            Layout.fillHeight: true
            implicitHeight: pageColumn.implicitHeight
            contentHeight: pageColumn.implicitHeight
            boundsBehavior: Flickable.StopAtBounds
            clip: true
            T.ScrollBar.vertical: ScrollBarThemed { id: pageScrollBar }

            ColumnLayout {
                id: pageColumn
                // The scroll bar's room is kept when it is hidden, so that its coming and going moves nothing.
                width: pageFlick.width - pageScrollBar.width - Theme.spacingTight
                spacing: Theme.componentMargin

                RowLayout {
                    Layout.fillWidth: true
                    Text {
                        Layout.fillWidth: true
                        text: (calibrationPage.selectedProtocol + " " + calibrationPage.selectedModel).trim()
                        color: Theme.colorText
                        font.pixelSize: Theme.fontSizeTitle
                        font.bold: true
                        wrapMode: Text.WordWrap
                    }
                    ButtonOutline {
                        objectName: "closeButton"
                        text: qsTr("Close")
                        onClicked: calibrationPage.close()
                    }
                }

                GridLayout {
                    Layout.fillWidth: true
                    columns: 2
                    columnSpacing: 24
                    rowSpacing: 16

                    // Top left: where and how to connect.
                    ColumnLayout {
                        Layout.fillWidth: true
                        Layout.preferredWidth: 1
                        Layout.alignment: Qt.AlignTop
                        spacing: Theme.spacingNormal

                        ComboBoxThemed {
                            id: portSelector
                            objectName: "portSelector"
                            Layout.fillWidth: true
                            model: calibrationPage.portList
                            currentIndex: count > 0 ? 0 : -1
                        }
                        RowLayout {
                            objectName: "deviceIdRow"
                            visible: calibrationPage.needsDeviceId
                            Layout.fillWidth: true
                            Text {
                                text: qsTr("Device ID")
                                color: Theme.colorText
                                font.pixelSize: Theme.fontSizeContent
                            }
                            TextFieldThemed {
                                id: deviceIdField
                                objectName: "deviceIdField"
                                Layout.fillWidth: true
                            }
                            ButtonOutline {
                                objectName: "scanButton"
                                // One width for "Scan" and "Cancel", so that the button stays under the mouse.
                                Layout.preferredWidth: 7 * Theme.fontSizeContent
                                visible: deviceIdScan.offered
                                text: deviceIdScan.running ? qsTr("Cancel") : qsTr("Scan")
                                onClicked: deviceIdScan.toggle()
                            }
                        }
                        ButtonSolid {
                            objectName: "connectButton"
                            Layout.fillWidth: true
                            text: qsTr("Connect")
                            onClicked: calibrationPage.connectAmplifier()
                        }
                    }

                    // Top right: what the amplifier reads now.
                    ColumnLayout {
                        Layout.fillWidth: true
                        Layout.preferredWidth: 1
                        Layout.alignment: Qt.AlignTop
                        spacing: Theme.spacingNormal

                        RowLayout {
                            spacing: Theme.componentMargin
                            Text {
                                objectName: "adReadout"
                                text: calibrationPage.lastAd < 0 ? "AD:" : calibrationPage.adStale ? "AD: —"
                                                                                                  : "AD: " + calibrationPage.lastAd
                                color: Theme.colorText
                                font.pixelSize: Theme.fontSizeTitle
                            }
                            StabilityIndicator {
                                id: stabilityIndicator
                                capture: adCapture
                                active: calibrationPage.lastAd >= 0 && !calibrationPage.adStale
                            }
                        }
                        // Why the read-out is not current, or how much it moves. Keeps its line when empty, so that
                        // the check box below never moves.
                        Text {
                            objectName: "adStaleText"
                            Layout.fillWidth: true
                            text: calibrationPage.adStale ? calibrationPage.adStaleText() : stabilityIndicator.detail
                            color: calibrationPage.adStale ? Theme.colorError : Theme.colorSubText
                            font.pixelSize: Theme.fontSizeSmall
                            font.italic: true
                            wrapMode: Text.WordWrap
                        }
                        CheckBoxThemed {
                            id: preCalibratedCheck
                            objectName: "preCalibratedCheck"
                            text: qsTr("Pre-Calibrated")
                            enabled: calibrationPage.currentAmplifier !== null
                        }
                    }

                    // Bottom left: capture the two points.
                    ColumnLayout {
                        Layout.fillWidth: true
                        Layout.preferredWidth: 1
                        Layout.alignment: Qt.AlignTop
                        spacing: Theme.spacingNormal

                        Text {
                            text: qsTr("Calibration Type")
                            color: Theme.colorText
                            font.pixelSize: Theme.fontSizeTitle
                        }
                        ButtonDesktop {
                            objectName: "zeroButton"
                            Layout.fillWidth: true
                            text: qsTr("ZERO")
                            enabled: calibrationPage.currentAmplifier !== null && !preCalibratedCheck.checked
                            onClicked: calibrationPage.captureZero()
                        }
                        ButtonDesktop {
                            objectName: "spanButton"
                            Layout.fillWidth: true
                            text: qsTr("SPAN")
                            enabled: calibrationPage.zeroCaptured
                            onClicked: calibrationPage.captureSpan()
                        }
                        StableCaptureWait {
                            Layout.fillWidth: true
                            capture: adCapture
                            subject: calibrationPage.pendingPoint
                            failure: calibrationPage.captureFailure
                            onCancelled: calibrationPage.stopWaiting()
                        }
                    }

                    // Bottom right: the captured values, the known weight and the calibration itself.
                    GridLayout {
                        Layout.fillWidth: true
                        Layout.preferredWidth: 1
                        Layout.alignment: Qt.AlignTop
                        columns: 2
                        rowSpacing: 8

                        Text {
                            text: qsTr("Zero Calibration")
                            color: Theme.colorText
                            font.pixelSize: Theme.fontSizeContent
                        }
                        CapturedValue {
                            objectName: "zeroValueText"
                            text: calibrationPage.zeroValue
                            anyway: calibrationPage.zeroAnyway
                        }
                        Text {
                            text: qsTr("Span Calibration")
                            color: Theme.colorText
                            font.pixelSize: Theme.fontSizeContent
                        }
                        CapturedValue {
                            objectName: "spanValueText"
                            text: calibrationPage.spanValue
                            anyway: calibrationPage.spanAnyway
                        }
                        Text {
                            text: qsTr("Span Weight(g): ")
                            color: Theme.colorText
                            font.pixelSize: Theme.fontSizeContent
                        }
                        TextFieldThemed {
                            id: spanWeightField
                            objectName: "spanWeightField"
                            Layout.fillWidth: true
                            enabled: calibrationPage.currentAmplifier !== null && !preCalibratedCheck.checked
                        }
                        // A CANopen amplifier takes the weight with SPAN itself, not with Calibrate.
                        Text {
                            objectName: "spanWeightHint"
                            Layout.columnSpan: 2
                            Layout.fillWidth: true
                            visible: calibrationPage.pointByPoint
                            text: qsTr("CANopen: type the span weight before pressing SPAN; SPAN sends it to the amplifier.")
                            color: Theme.colorSubText
                            font.pixelSize: Theme.fontSizeSmall
                            wrapMode: Text.WordWrap
                        }
                        ButtonSolid {
                            objectName: "calibrateButton"
                            Layout.columnSpan: 2
                            Layout.fillWidth: true
                            text: qsTr("Calibrate")
                            onClicked: calibrationPage.calibrate()
                        }
                    }
                }

                StoredCalibration {
                    id: storedCalibration
                    Layout.fillWidth: true
                    amplifier: calibrationPage.currentAmplifier
                }

                // The connected amplifier's settings and calibration to a file, against one, or back from one.
                BackupButtons {
                    Layout.fillWidth: true
                    place: "Page"
                    amplifier: calibrationPage.currentAmplifier
                    available: calibrationPage.currentAmplifier !== null
                }

                // Below every button of the page, so that its progress and results never push one away.
                DeviceIdScan {
                    id: deviceIdScan
                    Layout.fillWidth: true
                    protocol: calibrationPage.selectedProtocol
                    port: portSelector.currentIndex >= 0 ? portSelector.currentText : ""
                    onChosen: (deviceId) => deviceIdField.text = deviceId
                }
            }
        }

        Text {
            objectName: "statusText"
            Layout.fillWidth: true
            visible: text.length > 0
            text: calibrationPage.status
            color: Theme.colorError
            font.pixelSize: Theme.fontSizeContent
            wrapMode: Text.WordWrap
        }
    }
}

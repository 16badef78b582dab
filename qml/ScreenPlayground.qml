import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T

import ComponentLibrary
import CustomPlot
import com.example.filehandler

import "Amplifiers.js" as Amplifiers

// The Weight Plot screen: a tile with the live weight of every connected amplifier, the live plot, the
// unit selector and the buttons that add, remove, zero, tare, configure and record amplifiers.
//
// The popups it opens are created in this document's context: they reach this screen as `screenPlayground`
// (addAmplifier, amplifiersOnScreen, findAmplifier). The amplifiers, their names, colours, selection and
// staleness are the model `amplifiers` holds.
Rectangle {
    id: screenPlayground
    objectName: "weightPlotScreen"

    color: Theme.colorBackground

    readonly property alias amplifiers: amplifierModel
    // Asks the window for the Link screen showing the amplifier named `name`.
    signal linkRequested(string name)
    readonly property string selectedUnit: amplifierModel.unit
    property var instrumentSelectionPopup: null
    property var filterSettingsPopup: null
    property var csvLoggingPopup: null
    // The last backup popup opened (null once it is gone).
    property var backupPopup: null
    readonly property int tileCount: amplifierModel.count
    // A recording takes the selected amplifiers when it starts and keeps them for the whole run.
    readonly property bool recording: recorder.running
    readonly property int remainingSeconds: Math.max(0, recorder.secondsLeft)
    property var recordedNames: []
    property var recordedAmplifiers: []
    // Where the last calibration's automatic backup went ("" when none was taken).
    property string safetyCopyNote: ""

    readonly property var unitEntries: [{ idx: 1, txt: "lb" }, { idx: 2, txt: "g" }, { idx: 3, txt: "kg" }]
    // A tile never gets smaller than its four lines need; rows that do not fit scroll.
    readonly property real minTileHeight: 2 * Theme.componentHeight + Theme.componentMargin

    AmplifierListModel {
        id: amplifierModel
        objectName: "amplifierModel"
        plot: customPlot
        palette: Theme.curveColors
    }

    function addAmplifier(amplifier) {
        if (amplifierModel.add(amplifier).length > 0)
            noteSafetyCopy(amplifier, "")
    }

    // A calibration saved what the amplifier held before (unless that copy was `previous`, already told);
    // the footer says where.
    function noteSafetyCopy(amplifier, previous) {
        var copy = amplifier.lastSafetyCopy ? amplifier.lastSafetyCopy() : ""
        if (copy.length > 0 && copy !== previous)
            safetyCopyNote = qsTr("Load cell %1: what it held before its calibration is saved as %2").arg(amplifier.getName()).arg(copy)
    }

    // The amplifiers that have a tile now.
    function amplifiersOnScreen() {
        return amplifierModel.amplifiers()
    }

    function findAmplifier(name) {
        return amplifierModel.find(name)
    }

    function selectUnit(index) {
        var entry = unitEntries.filter(function(e) { return e.idx === index })[0]
        if (!entry)
            return
        unitSelector.currentSelection = index
        amplifierModel.unit = entry.txt
        amplifierModel.refresh()
    }

    // A removed amplifier stops reading and gives its link back (an RS232 port can be opened again); its
    // name is never given again.
    function removeSelected() {
        if (amplifierModel.selectedNames.length === 0) {
            messageDialog.show(qsTr("No Selection"), qsTr("Please select at least one amplifier to remove."))
            return
        }
        amplifierModel.removeSelected().forEach(function(amplifier) {
            recorder.removeAmplifier(amplifier)
            Amplifiers.release(amplifier)
        })
    }

    // Runs `command` on every selected amplifier and tells what each reported, as Write Filters does: a
    // failure says what the amplifier holds now.
    function runOnSelected(command, doneTitle, failedTitle) {
        var outcomes = amplifierModel.runOnSelected(command)
        if (outcomes.length === 0)
            return
        var done = []
        var failed = []
        for (var i = 0; i < outcomes.length; i++) {
            var outcome = outcomes[i]
            var line = qsTr("Load cell %1: %2").arg(outcome.name)
            if (outcome.reported && outcome.ok)
                done.push(line.arg(outcome.message))
            else
                failed.push(line.arg(outcome.reported ? outcome.message : qsTr("it did not report back.")))
        }
        if (failed.length === 0)
            messageDialog.show(doneTitle, done.join("\n"))
        else if (done.length === 0)
            messageDialog.show(failedTitle, failed.join("\n"))
        else
            messageDialog.show(failedTitle, done.join("\n"), failed.join("\n"))
    }

    function zeroSelected() {
        runOnSelected("zero", qsTr("Zero Done"), qsTr("Zero Failed"))
    }

    function tareSelected() {
        runOnSelected("tare", qsTr("Tare Done"), qsTr("Tare Failed"))
    }

    // A popup document that cannot be loaded is reported and the button does nothing further.
    function createPopup(fileName, properties) {
        var component = Qt.createComponent(fileName)
        if (component.status !== Component.Ready) {
            console.debug("Error loading " + fileName + ": " + component.errorString())
            return null
        }
        return component.createObject(screenPlayground, properties)
    }

    function centre(popup) {
        popup.x = (width - popup.width) / 2
        popup.y = (height - popup.height) / 2
    }

    function openInstrumentSelection() {
        if (!instrumentSelectionPopup)
            instrumentSelectionPopup = createPopup("PopupInstrumentSelection.qml", {})
        if (instrumentSelectionPopup)
            instrumentSelectionPopup.open()
    }

    function openFilterSettings() {
        var selection = amplifierModel.selectedNames
        if (selection.length === 0)
            return
        if (!filterSettingsPopup)
            filterSettingsPopup = createPopup("PopupFiltersSetting.qml", { "selectedAmplifiers": selection })
        else
            filterSettingsPopup.selectedAmplifiers = selection
        if (filterSettingsPopup) {
            centre(filterSettingsPopup)
            filterSettingsPopup.open()
        }
    }

    // Ends the run at once; the rows taken so far are written and the file closed.
    function stopRecording() {
        recorder.stop()
    }

    function openCsvLogging() {
        if (recording)
            return
        if (amplifierModel.selectedNames.length === 0) {
            messageDialog.show(qsTr("No Selection"), qsTr("Please select at least one amplifier to record."))
            return
        }
        if (!csvLoggingPopup)
            csvLoggingPopup = createPopup("PopupOutputLogging.qml", { "unit": selectedUnit })
        if (csvLoggingPopup) {
            csvLoggingPopup.unit = selectedUnit
            csvLoggingPopup.recordedNames = selectedNames()
            csvLoggingPopup.open()
        }
    }

    function selectedNames() {
        return amplifierModel.selectedNames.map(function(name) { return qsTr("Load cell %1").arg(name) })
    }

    // Records the selected amplifiers; false with the reason in `recorder.lastError` when refused.
    function startRecording(periodMs, durationS, filePath, unit) {
        var names = selectedNames()
        var chosen = amplifierModel.selectedAmplifiers()
        if (!recorder.start(chosen, periodMs, durationS, filePath, unit))
            return false
        recordedNames = names
        recordedAmplifiers = chosen
        paceReading(chosen, recorder.readingInterval(periodMs))
        return true
    }

    // Restarts the weight reading of those amplifiers still on the screen at `intervalMs` (a tile paused for
    // a multi-point calibration stays paused).
    function paceReading(amplifiers, intervalMs) {
        var shown = amplifierModel.amplifiers()
        for (var i = 0; i < shown.length; i++) {
            var amplifier = shown[i]
            if (amplifiers.indexOf(amplifier) < 0 || amplifier.getName() === amplifierModel.pausedName)
                continue
            amplifier.stopContinuousADRead()
            amplifier.startContinuousMeasuringValueRead(intervalMs)
        }
    }

    function recordingError() {
        return recorder.lastError
    }

    // Multi-point calibration works on one RS485 amplifier of the screen. Its tile stops reading weights
    // while the popup is open, so that the popup's AD reading can run; it resumes when the popup closes.
    function openMultiPointCalibration() {
        var chosen = amplifierModel.selectedAmplifiers()
        if (chosen.length !== 1 || !chosen[0].supportsMultiPointCalibration) {
            messageDialog.show(qsTr("Multi-Point Calibration"),
                               qsTr("Select exactly one RS485 amplifier to calibrate with several points."))
            return
        }
        var amplifier = chosen[0]
        var popup = createPopup("PopupMultiPointCalibration.qml", { "amplifierName": amplifier.getName() })
        if (!popup)
            return
        amplifierModel.pausedName = amplifier.getName()
        amplifier.stopContinuousADRead()
        var copyBefore = amplifier.lastSafetyCopy()
        popup.visibleChanged.connect(function() {
            if (popup.visible)
                return
            noteSafetyCopy(amplifier, copyBefore)
            amplifierModel.pausedName = ""
            popup.destroy()
        })
        popup.open()
    }

    // Backup, compare or restore ("backup", "compare", "restore") of `amplifier`, or of the one selected tile.
    // The calibration page opens it for the amplifier it has connected.
    function openBackup(mode, amplifier) {
        if (!amplifier) {
            var chosen = amplifierModel.selectedAmplifiers()
            if (chosen.length !== 1) {
                messageDialog.show(qsTr("Backup"), qsTr("Select exactly one amplifier to back up, compare or restore."))
                return null
            }
            amplifier = chosen[0]
        }
        var popup = createPopup("PopupBackup.qml", { "mode": mode, "amplifier": amplifier })
        if (popup)
            popup.open()
        backupPopup = popup
        return popup
    }

    // Closing the window while a backup popup reads or writes: a restore stops before its next write and
    // puts back what it wrote, and the window closes once the amplifier has answered. True when the close
    // must wait.
    function finishBackupBeforeClose() {
        var popup = backupPopup
        if (!popup || !popup.busy)
            return false
        popup.session.stop()
        popup.session.finished.connect(function() { Qt.callLater(function() { screenPlayground.Window.window.close() }) })
        return true
    }

    // The plot as shown, legend included, into the folder recordings go to; the user is told where.
    function exportPlot() {
        var appData = plotFiles.getAppDataPath()
        var folder = appData.length > 0 ? appData : LOGS_FOLDER
        var path = folder + "/plot_" + Qt.formatDateTime(new Date(), "yyyyMMdd_hhmmss") + ".png"
        if (customPlot.exportPng(path))
            messageDialog.show(qsTr("Plot Exported"), qsTr("The plot was saved as %1").arg(path))
        else
            messageDialog.show(qsTr("Plot Not Exported"), qsTr("The plot could not be written to %1").arg(path))
    }

    FileHandler { id: plotFiles }

    // A field left empty keeps its end of the range.
    function applyWeightRange() {
        var low = weightRangeFields.itemAt(0)
        var high = weightRangeFields.itemAt(1)
        var typed = function(field, shown) {
            try {
                return field.text.length > 0 ? Number.fromLocaleString(Qt.locale(), field.text) : shown
            } catch (e) {
                return NaN
            }
        }
        var from = typed(low, customPlot.weightLow)
        var to = typed(high, customPlot.weightHigh)
        if (!(to > from)) {
            messageDialog.show(qsTr("Weight Range"), qsTr("The upper weight must be above the lower one."))
            return
        }
        customPlot.setWeightRange(from, to)
        low.text = ""
        high.text = ""
    }

    function twoDigits(value) {
        return (value < 10 ? "0" : "") + value
    }

    function formatRemaining(seconds) {
        return twoDigits(Math.floor(seconds / 3600)) + ":" + twoDigits(Math.floor(seconds % 3600 / 60)) + ":"
                + twoDigits(seconds % 60)
    }

    DialogMessage {
        id: messageDialog
        objectName: "messageDialog"
    }

    WeightRecorder {
        id: recorder
        objectName: "weightRecorder"
        // The tiles' own pace again once the run is over.
        onRunningChanged: {
            if (!running) {
                screenPlayground.paceReading(screenPlayground.recordedAmplifiers, 100)
                screenPlayground.recordedAmplifiers = []
            }
        }
        onFinished: function(complete) {
            if (!complete)
                messageDialog.show(qsTr("Recording Stopped"), recorder.lastError)
        }
    }

    // A line of a tile: it keeps its place whatever it says, and shrinks to fit rather than being cut.
    component TileLine: Text {
        Layout.fillWidth: true
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        color: Theme.colorOnAccent
        font.pixelSize: Theme.fontSizeCaption
        fontSizeMode: Text.HorizontalFit
        minimumPixelSize: Theme.fontSizeFitFloor
        elide: Text.ElideRight
    }

    // A row of the amplifier model: what it reads and whether that is current come from the model.
    component AmplifierTile: Rectangle {
        id: tile

        required property var amplifier
        required property bool selected
        required property int index
        required property string name
        required property color colour
        required property real weight
        required property string unit
        required property bool tared
        // Milliseconds since the amplifier's last good reading (since its tile appeared when it never answered).
        required property real silentMs
        required property bool stale
        // Why the driver has had no good reading lately, in its words; "" when it only heard nothing.
        required property string staleReason
        // Its reading is paused while it is calibrated with several points.
        required property bool paused
        // Protocol, port and address, so that tiles of like amplifiers can be told apart.
        required property string linkDescription

        objectName: "tile_" + name
        x: (index % 4) * tileGrid.cellWidth
        y: Math.floor(index / 4) * tileGrid.cellHeight
        width: tileGrid.cellWidth
        height: tileGrid.cellHeight
        radius: Theme.tileRadius
        // The colour of its curve, which stays with the amplifier whatever is removed around it.
        color: colour
        border.width: Theme.tileBorder
        border.color: selected ? Theme.colorText : Theme.colorSeparator

        ColumnLayout {
            anchors.fill: parent
            anchors.margins: tile.border.width + Theme.spacingTight
            spacing: 0
            opacity: tile.stale ? 0.55 : 1

            RowLayout {
                Layout.fillWidth: true
                spacing: Theme.spacingTight

                TileLine {
                    objectName: "tileTitle"
                    text: qsTr("Load cell %1").arg(tile.name)
                    font.pixelSize: Theme.fontSizeContent
                    font.bold: true
                    horizontalAlignment: Text.AlignLeft
                }
                Rectangle {
                    objectName: "tileTare"
                    readonly property alias text: tareLabel.text
                    visible: tile.amplifier !== null
                    implicitWidth: tareLabel.implicitWidth + Theme.spacingNormal
                    implicitHeight: tareLabel.implicitHeight + Theme.spacingHairline
                    radius: Theme.tileBorder
                    color: tile.tared ? Theme.colorOnAccent : Theme.colorNone
                    border.color: Theme.colorOnAccent
                    border.width: 1
                    Text {
                        id: tareLabel
                        anchors.centerIn: parent
                        text: tile.tared ? qsTr("net") : qsTr("gross")
                        color: tile.tared ? tile.color : Theme.colorOnAccent
                        font.pixelSize: Theme.fontSizeTag
                        font.bold: true
                    }
                }
            }
            TileLine {
                objectName: "tileIdentity"
                text: tile.linkDescription
                elide: Text.ElideMiddle
            }
            TileLine {
                objectName: "tileWeight"
                Layout.fillHeight: true
                text: tile.amplifier ? tile.weight.toFixed(2) + " " + tile.unit : "0"
                font.pixelSize: Theme.fontSizeTitle
                font.bold: true
                fontSizeMode: Text.Fit
            }
            TileLine {
                objectName: "tileState"
                // Keeps its line when empty, so that a message never shifts the weight.
                Layout.preferredHeight: fontMetrics.height
                text: tile.paused ? qsTr("calibrating")
                                  : (!tile.stale ? ""
                                                 : tile.staleReason.length > 0
                                                   ? tile.staleReason
                                                   : qsTr("no answer for %1 s").arg(Math.floor(tile.silentMs / 1000)))
                font.italic: true
                // The fault it names is a way to the amplifier's link: its counters and its frames.
                font.underline: faultMarker.visible
                FontMetrics {
                    id: fontMetrics
                    font.pixelSize: Theme.fontSizeCaption
                }
                MouseArea {
                    id: faultMarker
                    objectName: "tileFault"
                    anchors.fill: parent
                    visible: tile.stale && !tile.paused
                    cursorShape: Qt.PointingHandCursor
                    onClicked: screenPlayground.linkRequested(tile.name)
                }
            }
        }

        // Under the tile's lines, so that its fault marker takes its own clicks.
        MouseArea {
            anchors.fill: parent
            z: -1
            onClicked: amplifierModel.toggleSelected(tile.index)
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        // Tiles and the buttons that add and remove amplifiers.
        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: Math.max(screenPlayground.height / 4, 2 * screenPlayground.minTileHeight)
            Layout.minimumHeight: screenPlayground.minTileHeight
            color: Theme.colorSeparator

            Flickable {
                id: tileGrid
                objectName: "tileGrid"
                // Room for the scroll bar when there are more rows than fit.
                readonly property real cellWidth: (width - (tileScrollBar.needed ? tileScrollBar.width : 0)) / 4
                readonly property real cellHeight: Math.max(height / 2, screenPlayground.minTileHeight)
                anchors.left: parent.left
                anchors.top: parent.top
                anchors.bottom: parent.bottom
                width: parent.width * 3 / 4
                clip: true
                contentWidth: width
                contentHeight: tiles.height
                boundsBehavior: Flickable.StopAtBounds
                T.ScrollBar.vertical: ScrollBarThemed {
                    id: tileScrollBar
                    objectName: "tileScrollBar"
                }

                // Four tiles a row; a tile's place follows its row in the model.
                Item {
                    id: tiles
                    width: tileGrid.width
                    height: Math.ceil(amplifierModel.count / 4) * tileGrid.cellHeight
                    Repeater {
                        model: amplifierModel
                        delegate: AmplifierTile {}
                    }
                }
            }

            ColumnLayout {
                anchors.left: tileGrid.right
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                anchors.margins: Theme.spacingWide
                spacing: Theme.spacingNormal

                ButtonDesktop {
                    objectName: "addButton"
                    Layout.fillWidth: true
                    text: qsTr("Add")
                    onClicked: screenPlayground.openInstrumentSelection()
                }
                ButtonDesktop {
                    objectName: "removeButton"
                    Layout.fillWidth: true
                    text: qsTr("Remove")
                    onClicked: screenPlayground.removeSelected()
                }
                ButtonOutline {
                    objectName: "multiPointButton"
                    Layout.fillWidth: true
                    text: qsTr("Multi-Point")
                    onClicked: screenPlayground.openMultiPointCalibration()
                }
                // Backup, compare and restore of the selected tile: the popup switches between the three.
                ButtonOutline {
                    objectName: "backupTileButton"
                    Layout.fillWidth: true
                    text: qsTr("Backup…")
                    onClicked: screenPlayground.openBackup("backup")
                }
            }
        }

        // The plot, the pointer's read-out and the legend, where a click hides or shows a curve.
        Item {
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.preferredHeight: screenPlayground.height / 2
            Layout.minimumHeight: 4 * Theme.componentHeight

            CustomPlot {
                id: customPlot
                objectName: "customPlot"
                anchors.left: parent.left
                anchors.top: parent.top
                anchors.bottom: parent.bottom
                anchors.right: plotLegend.left
                unit: screenPlayground.selectedUnit
                timeTitle: qsTr("Time")
                weightTitle: qsTr("Weight (%1)").arg(screenPlayground.selectedUnit)
                curveLabel: qsTr("Load cell %1")
                backgroundColor: Theme.colorBackground
                textColor: Theme.colorText
                gridColor: Theme.colorSeparator
            }
            Rectangle {
                objectName: "plotCursor"
                visible: customPlot.cursorX >= 0
                x: customPlot.x + customPlot.cursorX
                y: customPlot.y + customPlot.plotArea.y
                width: 1
                height: customPlot.plotArea.height
                color: Theme.colorSubText
            }

            Rectangle {
                id: plotLegend
                objectName: "plotLegend"
                anchors.right: parent.right
                anchors.top: parent.top
                anchors.bottom: parent.bottom
                width: Math.min(Theme.legendMaxWidth, parent.width / 4)
                color: Theme.colorBackground
                border.color: Theme.colorSeparator

                Text {
                    id: cursorTimeText
                    objectName: "cursorTime"
                    anchors.left: parent.left
                    anchors.right: parent.right
                    anchors.top: parent.top
                    anchors.margins: Theme.spacingSnug
                    text: customPlot.cursorTime
                    color: Theme.colorText
                    font.pixelSize: Theme.fontSizeSmall
                    font.bold: true
                    elide: Text.ElideRight
                }

                ListView {
                    anchors.left: parent.left
                    anchors.right: parent.right
                    anchors.top: cursorTimeText.bottom
                    anchors.bottom: weightRange.visible ? weightRange.top : parent.bottom
                    anchors.margins: Theme.spacingSnug
                    clip: true
                    spacing: Theme.spacingHairline
                    model: customPlot.curves
                    // Shown only when the entries do not all fit (many curves, each with a note).
                    T.ScrollBar.vertical: ScrollBarThemed {}
                    delegate: Item {
                        id: legendEntry
                        required property var modelData
                        required property int index
                        objectName: "legend_" + index
                        width: ListView.view.width
                        height: legendText.implicitHeight + Theme.spacingTight
                        opacity: modelData.visible ? 1 : 0.4

                        // The curve's line: its colour and its dash.
                        Row {
                            id: legendSample
                            anchors.verticalCenter: parent.verticalCenter
                            spacing: legendEntry.modelData.dash === Qt.DotLine ? Theme.spacingHairline : Theme.legendLine
                            Repeater {
                                model: legendEntry.modelData.dash === Qt.SolidLine ? [22]
                                       : legendEntry.modelData.dash === Qt.DashLine ? [6, 6, 6]
                                       : legendEntry.modelData.dash === Qt.DotLine ? [2, 2, 2, 2, 2, 2]
                                       : [7, 2, 7]
                                delegate: Rectangle {
                                    required property int modelData
                                    width: modelData
                                    height: Theme.legendLine
                                    color: legendEntry.modelData.color
                                }
                            }
                        }
                        // The name, under it where the curve is when the weight range leaves it out of sight,
                        // and the value at the pointer.
                        Text {
                            id: legendText
                            objectName: "legendText"
                            anchors.left: parent.left
                            anchors.leftMargin: Theme.legendIndent
                            anchors.right: parent.right
                            anchors.verticalCenter: parent.verticalCenter
                            readonly property string value: customPlot.cursorValues.length > legendEntry.index
                                                            ? customPlot.cursorValues[legendEntry.index] : ""
                            text: legendEntry.modelData.name
                                  + (legendEntry.modelData.outside.length > 0 ? "\n" + legendEntry.modelData.outside : "")
                                  + (value.length > 0 ? "\n" + value : "")
                            color: Theme.colorText
                            font.pixelSize: Theme.fontSizeCaption
                            font.strikeout: !legendEntry.modelData.visible
                            elide: Text.ElideRight
                        }
                        MouseArea {
                            anchors.fill: parent
                            onClicked: customPlot.setCurveVisible(legendEntry.index, !legendEntry.modelData.visible)
                        }
                    }
                }

                // Without Auto Scale the weight range can be typed; the fields show the one in force.
                // One above the other: side by side a range like -98900.00 does not fit a narrow window.
                Column {
                    id: weightRange
                    anchors.left: parent.left
                    anchors.right: parent.right
                    anchors.bottom: parent.bottom
                    anchors.margins: Theme.spacingSnug
                    spacing: Theme.spacingSnug
                    visible: !customPlot.autoScale
                    Repeater {
                        id: weightRangeFields
                        model: ["weightLowField", "weightHighField"]
                        delegate: TextFieldThemed {
                            required property string modelData
                            required property int index
                            objectName: modelData
                            width: weightRange.width
                            // As many decimals as the range has (up to six): in kg two would round 1.425 to 1.43.
                            placeholderText: String(Number((index === 0 ? customPlot.weightLow
                                                                         : customPlot.weightHigh).toFixed(6)))
                            validator: DoubleValidator {}
                            onAccepted: screenPlayground.applyWeightRange()
                        }
                    }
                }
            }
        }

        RowLayout {
            Layout.fillWidth: true
            Layout.preferredHeight: Math.max(screenPlayground.height / 20, Theme.componentHeight)
            Layout.leftMargin: Theme.spacingWide
            Layout.rightMargin: Theme.spacingWide

            SwitchThemed {
                objectName: "autoScaleSwitch"
                text: qsTr("Auto Scale")
                checked: customPlot.autoScale
                onToggled: customPlot.setAutoScale(checked)
            }
            ButtonOutline {
                objectName: "liveButton"
                text: customPlot.live ? qsTr("Pause") : qsTr("Live")
                onClicked: customPlot.live = !customPlot.live
            }
            ButtonOutline {
                objectName: "exportPlotButton"
                text: qsTr("Export PNG")
                onClicked: screenPlayground.exportPlot()
            }
            Item { Layout.fillWidth: true }
            SelectorMenu {
                id: unitSelector
                objectName: "unitSelector"
                model: screenPlayground.unitEntries
                currentSelection: 2
                onMenuSelected: function(index) { screenPlayground.selectUnit(index) }
            }
        }

        RowLayout {
            id: footerButtons
            // Fixed shares of the row, so that a button's changing text never moves the others. Taken from the
            // screen's width rather than the row's, which the layout itself sets.
            readonly property real share: (screenPlayground.width - 2 * Theme.spacingWide - 3 * spacing) / 11
            Layout.fillWidth: true
            Layout.preferredHeight: Math.max(screenPlayground.height / 10, Theme.componentHeight)
            Layout.minimumHeight: Theme.componentHeight
            Layout.leftMargin: Theme.spacingWide
            Layout.rightMargin: Theme.spacingWide
            spacing: Theme.spacingWide

            ButtonDesktop {
                objectName: "writeFiltersButton"
                Layout.preferredWidth: 3 * footerButtons.share
                text: qsTr("WRITE FILTERS")
                onClicked: screenPlayground.openFilterSettings()
            }
            ButtonDesktop {
                objectName: "zeroButton"
                Layout.preferredWidth: 1.5 * footerButtons.share
                text: qsTr("ZERO")
                onClicked: screenPlayground.zeroSelected()
            }
            ButtonDesktop {
                objectName: "tareButton"
                Layout.preferredWidth: 1.5 * footerButtons.share
                text: qsTr("TARE")
                onClicked: screenPlayground.tareSelected()
            }
            ButtonBase {
                objectName: "recordButton"
                Layout.preferredWidth: 5 * footerButtons.share
                text: screenPlayground.recording ? qsTr("STOP RECORDING") : qsTr("START RECORDING")
                fillColor: screenPlayground.recording ? Theme.colorError : Theme.colorForeground
                borderColor: screenPlayground.recording ? Theme.colorError : Theme.colorPrimary
                labelColor: screenPlayground.recording ? Theme.colorOnAccent : Theme.colorText
                onClicked: screenPlayground.recording ? screenPlayground.stopRecording() : screenPlayground.openCsvLogging()
            }
        }

        // The line's width comes from the screen, not from the layout, so that its wrapped height can size
        // the layout's row without a loop.
        Item {
            Layout.fillWidth: true
            // Room for two lines whatever the text says, so that the recording's longer line moves no button.
            Layout.preferredHeight: Math.max(footerLine.implicitHeight, 2 * footerMetrics.lineSpacing) + Theme.spacingNormal
            FontMetrics {
                id: footerMetrics
                font: footerLine.font
            }
            Text {
                id: footerLine
                objectName: "footerLine"
                anchors.centerIn: parent
                width: screenPlayground.width - 2 * Theme.spacingWide
                horizontalAlignment: Text.AlignHCenter
                text: screenPlayground.recording
                      ? qsTr("Recording %1 — %2 left. An amplifier added now is not in this recording.")
                        .arg(screenPlayground.recordedNames.join(", "))
                        .arg(screenPlayground.formatRemaining(screenPlayground.remainingSeconds))
                      : screenPlayground.safetyCopyNote.length > 0 ? screenPlayground.safetyCopyNote
                      : qsTr("Click a tile to select it; ZERO, TARE, WRITE FILTERS and recording act on the selected amplifiers.")
                color: Theme.colorSubText
                font.pixelSize: Theme.fontSizeCaption
                wrapMode: Text.WordWrap
            }
        }
    }
}

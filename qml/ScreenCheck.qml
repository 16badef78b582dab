import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T

import ComponentLibrary
import CustomPlot
import com.example.check
import com.example.filehandler

// The calibration check of one amplifier of the Weight Plot screen with test weights: the technician enters
// the test loads, the tolerance and the test weights, then places each load as the screen asks; every
// reading is taken at rest. Errors rising and falling, hysteresis, repeatability, the expanded uncertainty
// and the verdict come from the library as they are recorded; the report is written as PDF, the raw
// readings are in the CSV file from the first step on.
Rectangle {
    id: screenCheck
    objectName: "checkScreen"

    // The Weight Plot screen, whose amplifiers can be checked.
    property var weightPlot: null
    // Its amplifiers as the selector offers them: { text, amplifier }.
    property var choices: []
    readonly property bool running: session.running
    readonly property bool ended: session.state === "finished" || session.state === "stopped"

    color: Theme.colorBackground

    function refreshChoices() {
        if (running)
            return
        var list = weightPlot ? weightPlot.amplifiersOnScreen() : []
        choices = list.map(function(amplifier) {
            return { text: qsTr("Load cell %1 — %2").arg(amplifier.getName()).arg(amplifier.getLinkDescription()),
                     amplifier: amplifier }
        })
    }

    function startCheck() {
        var chosen = amplifierSelector.currentIndex >= 0 ? choices[amplifierSelector.currentIndex] : null
        var folder = files.getAppDataPath()
        session.start(chosen ? chosen.amplifier : null, {
            loads: loadsField.text, repeatCount: repeatField.text, tolerance: toleranceField.text,
            weightUncertainty: weightUncertaintyField.text, division: divisionField.text,
            timeoutS: timeoutField.text, operatorName: operatorField.text, weightsId: weightsIdField.text
        }, folder.length > 0 ? folder : LOGS_FOLDER)
    }

    function verdictText(verdict) {
        switch (verdict) {
        case "pass": return qsTr("PASS")
        case "fail": return qsTr("FAIL")
        case "incomplete": return qsTr("INCOMPLETE")
        }
        return ""
    }

    function verdictColor(verdict) {
        return verdict === "pass" ? Theme.colorSuccess : verdict === "fail" ? Theme.colorError : Theme.colorWarning
    }

    onVisibleChanged: if (visible) refreshChoices()
    Component.onCompleted: refreshChoices()
    // A check left running when the window goes ends here; what it recorded stays in its CSV file.
    Component.onDestruction: if (running) session.stop()

    Connections {
        target: screenCheck.weightPlot ? screenCheck.weightPlot.amplifiers : null
        function onCountChanged() { screenCheck.refreshChoices() }
    }

    FileHandler { id: files }

    CheckSession {
        id: session
        plotColors: [Theme.colorPrimary, Theme.colorSecondary, Theme.colorError]
    }

    Flickable {
        id: flick
        anchors.fill: parent
        anchors.margins: Theme.pagePadding
        contentHeight: column.implicitHeight
        boundsBehavior: Flickable.StopAtBounds
        clip: true
        T.ScrollBar.vertical: ScrollBarThemed { id: scrollBar }

        ColumnLayout {
            id: column
            // The scroll bar's room is kept when it is hidden, so that its coming and going moves nothing.
            width: flick.width - scrollBar.width - Theme.spacingTight
            spacing: Theme.componentMargin

            Text {
                text: qsTr("Calibration Check")
                color: Theme.colorText
                font.pixelSize: Theme.fontSizeTitle
                font.bold: true
            }

            // What is checked and how.
            GridLayout {
                Layout.fillWidth: true
                columns: 4
                columnSpacing: Theme.componentMargin
                rowSpacing: Theme.spacingNormal
                enabled: !screenCheck.running

                component Label: Text {
                    color: Theme.colorText
                    font.pixelSize: Theme.fontSizeContent
                }

                Label { text: qsTr("Amplifier") }
                ComboBoxThemed {
                    id: amplifierSelector
                    objectName: "checkAmplifierSelector"
                    Layout.fillWidth: true
                    Layout.columnSpan: 3
                    model: screenCheck.choices
                    textRole: "text"
                    displayText: count > 0 ? currentText : qsTr("No amplifier on the Weight Plot screen: add one there first.")
                }
                Label { text: qsTr("Test loads (g)") }
                TextFieldThemed {
                    id: loadsField
                    objectName: "loadsField"
                    Layout.fillWidth: true
                    Layout.columnSpan: 3
                    placeholderText: qsTr("rising, from near zero to near the maximum: 0, 500, 1000, 1500, 2000")
                }
                Label { text: qsTr("Tolerance") }
                TextFieldThemed {
                    id: toleranceField
                    objectName: "toleranceField"
                    Layout.fillWidth: true
                    placeholderText: qsTr("2 g or 0.1 %")
                }
                Label { text: qsTr("Repeat load placed") }
                TextFieldThemed {
                    id: repeatField
                    objectName: "repeatField"
                    Layout.fillWidth: true
                    text: "5"
                }
                Label { text: qsTr("Scale interval (g)") }
                TextFieldThemed {
                    id: divisionField
                    objectName: "divisionField"
                    Layout.fillWidth: true
                    text: "1"
                }
                Label { text: qsTr("Weights' uncertainty") }
                TextFieldThemed {
                    id: weightUncertaintyField
                    objectName: "weightUncertaintyField"
                    Layout.fillWidth: true
                    text: "0 g"
                }
                Label { text: qsTr("Operator") }
                TextFieldThemed {
                    id: operatorField
                    objectName: "operatorField"
                    Layout.fillWidth: true
                }
                Label { text: qsTr("Test weights") }
                TextFieldThemed {
                    id: weightsIdField
                    objectName: "weightsIdField"
                    Layout.fillWidth: true
                    placeholderText: qsTr("set, class, certificate")
                }
                Label { text: qsTr("Time-out (s)") }
                TextFieldThemed {
                    id: timeoutField
                    objectName: "timeoutField"
                    Layout.fillWidth: true
                    text: "30"
                }
                ButtonSolid {
                    objectName: "startCheckButton"
                    Layout.columnSpan: 2
                    Layout.fillWidth: true
                    text: qsTr("Start Check")
                    onClicked: screenCheck.startCheck()
                }
            }

            Text {
                objectName: "checkError"
                Layout.fillWidth: true
                visible: text.length > 0
                text: session.error
                color: Theme.colorError
                font.pixelSize: Theme.fontSizeContent
                wrapMode: Text.WordWrap
            }

            // The step in progress: what to do, what the scale reads, and the ways on.
            ColumnLayout {
                objectName: "checkStep"
                Layout.fillWidth: true
                visible: screenCheck.running
                spacing: Theme.spacingNormal

                RowLayout {
                    Layout.fillWidth: true
                    spacing: Theme.componentMargin
                    Text {
                        objectName: "checkInstruction"
                        Layout.fillWidth: true
                        text: qsTr("Step %1 of %2: %3").arg(session.sequence.stepIndex + 1).arg(session.sequence.stepCount)
                                                       .arg(session.sequence.instruction)
                        color: Theme.colorText
                        font.pixelSize: Theme.fontSizeTitle
                        wrapMode: Text.WordWrap
                    }
                    Text {
                        objectName: "checkReading"
                        text: session.lastReading.length > 0 ? qsTr("%1 g").arg(session.lastReading) : ""
                        color: Theme.colorText
                        font.pixelSize: Theme.fontSizeTitle
                    }
                    StabilityIndicator {
                        id: checkStability
                        capture: session.capture
                        active: session.lastReading.length > 0
                        decimals: 2
                    }
                }
                Text {
                    objectName: "checkStepStatus"
                    Layout.fillWidth: true
                    text: session.state === "settling" ? qsTr("waiting for a stable reading…")
                          : session.state === "timedOut" ? session.sequence.message
                          : qsTr("Press %1 once the load is in place.").arg(placedButton.text)
                    color: session.state === "timedOut" ? Theme.colorError : Theme.colorSubText
                    font.pixelSize: Theme.fontSizeContent
                    wrapMode: Text.WordWrap
                }
                Flow {
                    Layout.fillWidth: true
                    spacing: Theme.spacingNormal
                    ButtonSolid {
                        id: placedButton
                        objectName: "placedButton"
                        text: session.state === "timedOut" ? qsTr("Try Again") : qsTr("Placed")
                        enabled: session.state !== "settling"
                        onClicked: session.confirmPlaced()
                    }
                    ButtonOutline {
                        objectName: "checkCaptureAnywayButton"
                        text: qsTr("capture anyway")
                        enabled: session.state === "settling" || session.state === "timedOut"
                        onClicked: session.captureAnyway()
                    }
                    ButtonOutline {
                        objectName: "skipStepButton"
                        text: qsTr("Skip Step")
                        onClicked: session.skipStep()
                    }
                    ButtonOutline {
                        objectName: "stopCheckButton"
                        color: Theme.colorError
                        text: qsTr("Stop Check")
                        onClicked: session.stop()
                    }
                }
            }

            // How it ended, and the report.
            RowLayout {
                Layout.fillWidth: true
                visible: screenCheck.ended
                spacing: Theme.componentMargin
                Text {
                    objectName: "checkVerdict"
                    text: screenCheck.verdictText(session.verdict)
                    color: screenCheck.verdictColor(session.verdict)
                    font.pixelSize: Theme.fontSizeHeadline
                    font.bold: true
                }
                Text {
                    objectName: "checkEndMessage"
                    Layout.fillWidth: true
                    text: session.state === "stopped" ? session.sequence.message : ""
                    color: Theme.colorText
                    font.pixelSize: Theme.fontSizeContent
                    wrapMode: Text.WordWrap
                }
                ButtonSolid {
                    objectName: "pdfReportButton"
                    text: qsTr("PDF Report")
                    onClicked: session.writePdf()
                }
                ButtonOutline {
                    objectName: "csvReportButton"
                    text: qsTr("Open CSV")
                    onClicked: Qt.openUrlExternally(session.csvUrl)
                }
            }
            Text {
                objectName: "checkFiles"
                Layout.fillWidth: true
                visible: session.csvPath.length > 0
                text: session.pdfPath.length > 0 ? qsTr("Readings: %1\nReport: %2").arg(session.csvPath).arg(session.pdfPath)
                                                 : qsTr("Readings: %1").arg(session.csvPath)
                color: Theme.colorSubText
                font.pixelSize: Theme.fontSizeSmall
                wrapMode: Text.WrapAnywhere
            }

            // The figures so far, one row per test load, and the errors against the load: the plot goes under
            // the table when beside it the table's headings would run into each other.
            GridLayout {
                id: results
                Layout.fillWidth: true
                visible: session.rows.length > 0
                columns: (width - columnSpacing) * 4 / 6 >= tableHeader.neededWidth ? 2 : 1
                columnSpacing: Theme.componentMargin
                rowSpacing: Theme.componentMargin

                ColumnLayout {
                    Layout.fillWidth: true
                    Layout.preferredWidth: 4
                    Layout.alignment: Qt.AlignTop
                    spacing: Theme.spacingTight

                    component Cell: Text {
                        Layout.fillWidth: true
                        Layout.preferredWidth: 1
                        color: Theme.colorText
                        font.pixelSize: Theme.fontSizeSmall
                        horizontalAlignment: Text.AlignRight
                        wrapMode: Text.WordWrap
                    }

                    RowLayout {
                        id: tableHeader
                        // Every heading on one line: the columns share the width alike.
                        readonly property real neededWidth: {
                            var widest = 0
                            for (var i = 0; i < children.length; i++)
                                widest = Math.max(widest, children[i].implicitWidth)
                            return widest * children.length + spacing * (children.length - 1)
                        }
                        Layout.fillWidth: true
                        spacing: Theme.spacingNormal
                        Cell { text: qsTr("Load (g)"); font.bold: true }
                        Cell { text: qsTr("Error ↑"); font.bold: true }
                        Cell { text: qsTr("Error ↓"); font.bold: true }
                        Cell { text: qsTr("Hysteresis"); font.bold: true }
                        Cell { text: qsTr("U (k = 2)"); font.bold: true }
                        Cell { text: qsTr("Tolerance"); font.bold: true }
                        Cell { text: qsTr("Result"); font.bold: true }
                    }
                    Repeater {
                        model: session.rows
                        RowLayout {
                            required property int index
                            required property var modelData
                            objectName: "checkRow_" + (index + 1)
                            Layout.fillWidth: true
                            spacing: Theme.spacingNormal
                            Cell { objectName: "load"; text: modelData.load }
                            Cell { objectName: "risingError"; text: modelData.risingError }
                            Cell { objectName: "fallingError"; text: modelData.fallingError }
                            Cell { objectName: "hysteresis"; text: modelData.hysteresis }
                            Cell { objectName: "uncertainty"; text: modelData.uncertainty }
                            Cell { objectName: "limit"; text: modelData.limit }
                            Cell {
                                objectName: "verdict"
                                text: screenCheck.verdictText(modelData.verdict)
                                color: screenCheck.verdictColor(modelData.verdict)
                            }
                        }
                    }
                    Text {
                        objectName: "checkRepeatability"
                        Layout.fillWidth: true
                        text: qsTr("Repeatability (standard deviation): %1").arg(session.repeatability)
                        color: Theme.colorText
                        font.pixelSize: Theme.fontSizeSmall
                        wrapMode: Text.WordWrap
                    }
                    Repeater {
                        model: session.remarks
                        Text {
                            required property string modelData
                            Layout.fillWidth: true
                            text: modelData
                            color: Theme.colorWarning
                            font.pixelSize: Theme.fontSizeSmall
                            wrapMode: Text.WordWrap
                        }
                    }
                }

                ColumnLayout {
                    Layout.fillWidth: true
                    Layout.preferredWidth: 2
                    Layout.alignment: Qt.AlignTop
                    spacing: Theme.spacingTight

                    PointsPlot {
                        objectName: "checkErrorPlot"
                        Layout.fillWidth: true
                        Layout.preferredHeight: 5 * Theme.componentHeight
                        series: session.plotSeries
                        xTitle: qsTr("Load (g)")
                        yTitle: qsTr("Error (g)")
                        backgroundColor: Theme.colorBackground
                        textColor: Theme.colorText
                        gridColor: Theme.colorSeparator
                    }
                    Flow {
                        Layout.fillWidth: true
                        spacing: Theme.spacingNormal
                        Repeater {
                            model: [{ text: qsTr("● rising"), color: Theme.colorPrimary },
                                    { text: qsTr("● falling"), color: Theme.colorSecondary },
                                    { text: qsTr("- - tolerance"), color: Theme.colorError }]
                            Text {
                                required property var modelData
                                text: modelData.text
                                color: modelData.color
                                font.pixelSize: Theme.fontSizeSmall
                            }
                        }
                    }
                }
            }
        }
    }
}

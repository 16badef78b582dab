import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T

import ComponentLibrary
import CustomPlot

// The calibration an amplifier holds, read from it: its points (AD value and weight), the zero offset and
// the curve through the points. Nothing is shown that was not read: a read that fails shows only why.
RowLayout {
    id: stored
    objectName: "storedCalibration"

    property var amplifier: null
    // What readStoredCalibration gave: "pointCount", "zeroOffset", "points" or only "error"; empty before
    // the first read.
    property var calibration: ({})
    readonly property bool known: calibration.points !== undefined
    readonly property var points: known ? calibration.points : []

    function read() {
        calibration = amplifier ? amplifier.readStoredCalibration() : ({})
    }

    function grams(weight) {
        return qsTr("%1 g").arg(Number(weight).toLocaleString(Qt.locale(), "f", 2))
    }

    onAmplifierChanged: if (!amplifier) calibration = ({})

    visible: amplifier !== null
    spacing: Theme.componentMargin

    ColumnLayout {
        Layout.fillWidth: true
        Layout.preferredWidth: 1
        Layout.alignment: Qt.AlignTop
        spacing: Theme.spacingTight

        RowLayout {
            Layout.fillWidth: true
            Text {
                Layout.fillWidth: true
                text: qsTr("Calibration held by the amplifier")
                color: Theme.colorText
                font.pixelSize: Theme.fontSizeContent
                font.bold: true
                wrapMode: Text.WordWrap
            }
            ButtonOutline {
                objectName: "readStoredButton"
                text: qsTr("Read Again")
                onClicked: stored.read()
            }
        }
        Text {
            objectName: "storedSummary"
            Layout.fillWidth: true
            text: stored.calibration.error !== undefined ? qsTr("Could not read it: %1").arg(stored.calibration.error)
                  : !stored.known ? ""
                  : qsTr("Points: %1, zero offset: %2").arg(stored.calibration.pointCount)
                                                                    .arg(stored.calibration.zeroOffset)
            color: stored.calibration.error !== undefined ? Theme.colorError : Theme.colorText
            font.pixelSize: Theme.fontSizeSmall
            wrapMode: Text.WordWrap
        }
        ListView {
            id: pointList
            objectName: "storedPoints"
            Layout.fillWidth: true
            // Three rows in view; more scroll.
            readonly property real rowHeight: Math.ceil(rowMetrics.height)
            Layout.preferredHeight: Math.min(count, 3) * (rowHeight + spacing) - spacing
            FontMetrics { id: rowMetrics; font.pixelSize: Theme.fontSizeSmall }
            clip: true
            spacing: Theme.spacingHairline
            model: stored.points
            T.ScrollBar.vertical: ScrollBarThemed {}
            delegate: Text {
                required property int index
                required property var modelData
                objectName: "storedPoint_" + (index + 1)
                width: ListView.view.width
                height: pointList.rowHeight
                text: qsTr("Point %1: AD %2 = %3").arg(index + 1).arg(modelData.ad).arg(stored.grams(modelData.weight))
                color: Theme.colorText
                font.pixelSize: Theme.fontSizeSmall
                elide: Text.ElideRight
            }
        }
    }

    PointsPlot {
        objectName: "storedCurve"
        Layout.fillWidth: true
        Layout.preferredWidth: 1
        Layout.preferredHeight: 3 * Theme.componentHeight
        visible: stored.points.length > 0
        xTitle: qsTr("AD")
        yTitle: qsTr("Weight (g)")
        backgroundColor: Theme.colorBackground
        textColor: Theme.colorText
        gridColor: Theme.colorSeparator
        series: [{ color: Theme.colorPrimary,
                   points: stored.points.map(function(p) { return { x: p.ad, y: p.weight } }) }]
    }
}

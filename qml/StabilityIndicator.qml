import QtQuick
import QtQuick.Layouts

import ComponentLibrary

// Beside a live read-out: whether its readings are at rest by the library's stability rule, as a mark and
// a word, and (as `detail`, for a line of the page's own) the spread the rule looked at. Shows nothing
// while the read-out has no current reading.
RowLayout {
    id: indicator
    objectName: "stabilityIndicator"

    // A StableCapture following the read-out's readings.
    property var capture: null
    // False while the read-out shows no current reading: nothing is judged then.
    property bool active: true
    // Digits after the decimal point of the spread shown (0 for AD counts, 2 for grams).
    property int decimals: 0
    readonly property bool stable: capture !== null && capture.stable
    readonly property string detail: !active || capture === null ? ""
        : qsTr("spread %1 over %2 s (stable below %3)").arg(capture.spread.toFixed(decimals))
                                                        .arg(capture.windowMs / 1000)
                                                        .arg(capture.threshold.toFixed(decimals))

    spacing: Theme.spacingTight
    visible: active && capture !== null

    Rectangle {
        objectName: "stabilityMark"
        Layout.alignment: Qt.AlignVCenter
        implicitWidth: Theme.spacingWide
        implicitHeight: Theme.spacingWide
        radius: width / 2
        color: indicator.stable ? Theme.colorSuccess : Theme.colorWarning
    }
    Text {
        objectName: "stabilityText"
        Layout.alignment: Qt.AlignVCenter
        text: indicator.stable ? qsTr("stable") : qsTr("not stable")
        color: indicator.stable ? Theme.colorSuccess : Theme.colorWarning
        font.pixelSize: Theme.fontSizeContent
        font.bold: true
    }
}

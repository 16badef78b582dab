import QtQuick
import QtQuick.Dialogs
import QtQuick.Layouts
import QtQuick.Templates as T

import ComponentLibrary
import KelvoraLink
import com.example.filehandler

// The Link screen: why an amplifier does not answer. The counters of every amplifier of the Weight Plot
// screen, the frames its link carried lately, and a panel that reads or writes one register or entry.
// Everything it shows is what the models and the register access tell; it judges nothing itself.
Rectangle {
    id: screenLink
    objectName: "linkScreen"

    color: Theme.colorBackground

    // The Weight Plot screen's amplifiers (its AmplifierListModel).
    property var amplifiers: null
    readonly property var amplifierNames: statsModel.names

    // Shows only the frames of the amplifier named `name` ("" for all), as a tile's fault marker asks.
    function showAmplifier(name) {
        var at = name.length > 0 ? amplifierNames.indexOf(name) : -1
        amplifierFilter.currentIndex = at + 1
        frameModel.amplifierFilter = at >= 0 ? name : ""
        if (at >= 0)
            registerAmplifier.currentIndex = at
    }

    // The frames chosen: from the one clicked to the one shift-clicked.
    function selectedRows() {
        if (frameList.currentIndex < 0)
            return []
        var from = Math.min(frameList.anchorRow, frameList.currentIndex)
        var rows = []
        for (var row = Math.max(from, 0); row <= Math.max(frameList.anchorRow, frameList.currentIndex); row++)
            rows.push(row)
        return rows
    }

    function copySelected() {
        var copied = frameModel.copyRows(selectedRows())
        messageDialog.show(qsTr("Frames Copied"), copied > 0 ? qsTr("%n frame(s) copied to the clipboard.", "", copied)
                                                           : qsTr("Click a frame first."))
    }

    function exportTo(url) {
        var error = frameModel.exportCsv(url)
        if (error.length === 0)
            messageDialog.show(qsTr("Frames Exported"), qsTr("%n frame(s) written to %1", "", frameModel.lastExportRows)
                               .arg(frameModel.lastExportPath))
        else
            messageDialog.show(qsTr("Frames Not Exported"), error)
    }

    // The register panel's amplifier.
    readonly property var chosenAmplifier: amplifiers && registerAmplifier.currentIndex >= 0
                                           && registerAmplifier.currentIndex < amplifierNames.length
                                           ? amplifiers.find(amplifierNames[registerAmplifier.currentIndex]) : null

    // What the last read or write said; until then, and again once another target is typed, the target's
    // name and range.
    property string registerMessage: ""
    property bool registerFailed: false

    function tell(outcome) {
        registerMessage = outcome.text
        registerFailed = !outcome.ok
    }

    function readRegister() {
        var outcome = registers.read(chosenAmplifier, registerField.text)
        tell(outcome)
        if (outcome.ok)
            valueField.text = outcome.value
    }

    // The write the question names, written as asked whatever the fields hold by the answer.
    property var pendingWrite: null

    function askWrite() {
        var check = registers.checkWrite(chosenAmplifier, registerField.text, valueField.text)
        if (!check.ok) {
            tell(check)
            return
        }
        pendingWrite = { amplifier: chosenAmplifier, address: registerField.text, value: valueField.text }
        writeDialog.ask(qsTr("Write Register?"), check.text, qsTr("Write"))
    }

    function writeRegister() {
        var asked = pendingWrite
        pendingWrite = null
        if (asked)
            tell(registers.write(asked.amplifier, asked.address, asked.value))
    }

    LinkStatsModel {
        id: statsModel
        objectName: "linkStatsModel"
        amplifiers: screenLink.amplifiers
        active: screenLink.visible
    }
    FrameListModel {
        id: frameModel
        objectName: "frameModel"
        amplifiers: screenLink.amplifiers
        active: screenLink.visible
    }
    LinkRegisters {
        id: registers
    }
    // The chosen frames stay the same frames while the oldest leave the list, and none is chosen once the
    // filters change what the list holds.
    Connections {
        target: frameModel
        function onRowsRemoved(parent, first, last) {
            if (first === 0 && frameList.anchorRow >= 0)
                frameList.anchorRow = Math.max(0, frameList.anchorRow - (last + 1))
        }
        function onModelReset() {
            frameList.anchorRow = -1
            frameList.currentIndex = -1
        }
    }

    DialogMessage {
        id: messageDialog
        objectName: "linkMessageDialog"
    }
    DialogConfirm {
        id: writeDialog
        objectName: "writeDialog"
        onConfirmed: screenLink.writeRegister()
    }
    FileHandler { id: files }
    // Proposes a new file in the folder recordings go to, named by the time of the export.
    FileDialog {
        id: exportDialog
        objectName: "exportDialog"
        title: qsTr("Export Frames")
        fileMode: FileDialog.SaveFile
        nameFilters: [qsTr("CSV files (*.csv)")]
        acceptLabel: qsTr("Save")
        onAccepted: screenLink.exportTo(selectedFile)
    }
    function openExport() {
        var folder = files.getAppDataPath().length > 0 ? files.getAppDataPath() : LOGS_FOLDER
        exportDialog.currentFolder = "file://" + folder
        exportDialog.selectedFile = "file://" + folder + "/frames_" + Qt.formatDateTime(new Date(), "yyyyMMdd_hhmmss") + ".csv"
        exportDialog.open()
    }

    // A heading or a figure of the counters' table; its width is the column's.
    component Cell: Text {
        Layout.preferredWidth: Theme.columnLinkFigure
        horizontalAlignment: Text.AlignRight
        color: Theme.colorText
        font.pixelSize: Theme.fontSizeSmall
        // A heading wider than its column takes two lines.
        wrapMode: Text.Wrap
    }
    // The amplifier column of the counters' table.
    component NameCell: Cell {
        Layout.preferredWidth: Theme.columnLinkName
        horizontalAlignment: Text.AlignLeft
    }
    component Heading: Cell {
        Layout.fillHeight: true
        verticalAlignment: Text.AlignBottom
        color: Theme.colorSubText
        font.pixelSize: Theme.fontSizeCaption
    }
    // A line of a frame or of the register panel.
    component Line: Text {
        color: Theme.colorText
        font.pixelSize: Theme.fontSizeSmall
        wrapMode: Text.WrapAnywhere
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: Theme.pagePadding
        spacing: Theme.spacingNormal

        // The counters: one row per amplifier, its last error under it. Headings may take two lines.
        FontMetrics {
            id: headingMetrics
            font.pixelSize: Theme.fontSizeCaption
        }
        RowLayout {
            Layout.fillWidth: true
            Layout.preferredHeight: 2 * headingMetrics.lineSpacing
            Layout.maximumHeight: 2 * headingMetrics.lineSpacing
            spacing: Theme.spacingHairline
            Heading { text: qsTr("Load cell"); Layout.preferredWidth: Theme.columnLinkName; horizontalAlignment: Text.AlignLeft }
            Heading { text: qsTr("Requests") }
            Heading { text: qsTr("Good") }
            Heading { text: qsTr("Time-outs") }
            Heading { text: qsTr("Bad CRC") }
            Heading { text: qsTr("Other id") }
            Heading { text: qsTr("Exc. / abort") }
            Heading { text: qsTr("Late") }
            Heading { text: qsTr("Duplicates") }
            Heading { text: qsTr("Median ms") }
            Heading { text: qsTr("p99 ms") }
            Item { Layout.fillWidth: true }
        }
        ListSeparator { Layout.fillWidth: true }
        ListView {
            id: statsList
            objectName: "statsList"
            Layout.fillWidth: true
            // As high as its rows, up to a few; then it scrolls.
            Layout.preferredHeight: Math.max(Theme.componentHeight, Math.min(contentHeight, Theme.linkStatsHeight))
            clip: true
            model: statsModel
            T.ScrollBar.vertical: ScrollBarThemed {}
            delegate: ColumnLayout {
                required property string name
                required property var figures
                required property string lastError
                objectName: "stats_" + name
                width: ListView.view.width
                spacing: 0
                RowLayout {
                    Layout.fillWidth: true
                    spacing: Theme.spacingHairline
                    NameCell { text: name }
                    Repeater {
                        model: figures
                        delegate: Cell {
                            required property string modelData
                            required property int index
                            objectName: "figure_" + index
                            text: modelData
                        }
                    }
                    Item { Layout.fillWidth: true }
                }
                Line {
                    objectName: "lastError"
                    Layout.fillWidth: true
                    Layout.leftMargin: Theme.columnLinkName
                    text: lastError
                    color: Theme.colorSubText
                    visible: text.length > 0
                }
            }
        }

        // The frames: what to show, then the list itself.
        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.spacingNormal
            ButtonOutline {
                objectName: "pauseButton"
                text: frameModel.paused ? qsTr("Resume") : qsTr("Pause")
                onClicked: frameModel.paused = !frameModel.paused
            }
            ComboBoxThemed {
                id: amplifierFilter
                objectName: "amplifierFilter"
                Layout.fillWidth: true
                Layout.maximumWidth: Theme.columnCombo
                model: [qsTr("All amplifiers")].concat(screenLink.amplifierNames.map(function(n) { return qsTr("Load cell %1").arg(n) }))
                onActivated: function(index) {
                    frameModel.amplifierFilter = index > 0 ? screenLink.amplifierNames[index - 1] : ""
                }
            }
            ComboBoxThemed {
                id: verdictFilter
                objectName: "verdictFilter"
                Layout.fillWidth: true
                Layout.maximumWidth: Theme.columnCombo
                model: [qsTr("All verdicts")].concat(frameModel.verdictNames)
                onActivated: function(index) { frameModel.verdictFilter = index - 1 }
            }
            Item { Layout.fillWidth: true }
            ButtonOutline {
                objectName: "copyButton"
                text: qsTr("Copy")
                onClicked: screenLink.copySelected()
            }
            ButtonOutline {
                objectName: "exportButton"
                text: qsTr("Export CSV")
                onClicked: screenLink.openExport()
            }
        }
        Rectangle {
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.minimumHeight: Theme.linkFramesMinHeight
            color: Theme.colorForeground
            border.color: Theme.colorSeparator
            radius: Theme.componentRadius

            ListView {
                id: frameList
                objectName: "frameList"
                anchors.fill: parent
                anchors.margins: Theme.spacingTight
                clip: true
                model: frameModel
                currentIndex: -1
                // Where the chosen frames start; currentIndex is where they end.
                property int anchorRow: -1
                // Rows scrolled out are used again for the rows scrolled in: thousands of frames scroll without
                // making a row each.
                reuseItems: true
                // New frames come at the end; the view follows them unless the user scrolled back.
                property bool followsEnd: true
                onMovementEnded: followsEnd = atYEnd
                // Once the new rows are laid out, so that the end is where their heights put it.
                onCountChanged: if (followsEnd) Qt.callLater(frameList.positionViewAtEnd)
                T.ScrollBar.vertical: ScrollBarThemed {}
                delegate: Rectangle {
                    id: frameRow
                    required property int index
                    required property string time
                    required property string direction
                    required property string amplifier
                    required property string verdictText
                    required property bool good
                    required property string hex
                    required property string decoded
                    objectName: "frame_" + index
                    width: ListView.view.width
                    implicitHeight: frameHex.y + frameHex.height + Theme.spacingHairline
                    color: index >= Math.min(frameList.anchorRow, frameList.currentIndex)
                           && index <= Math.max(frameList.anchorRow, frameList.currentIndex) && frameList.currentIndex >= 0
                           ? Theme.colorSeparator : Theme.colorNone
                    // Time, direction, amplifier and verdict in fixed columns, then the frame in words (none
                    // when its bytes do not decode), and under them the bytes as they went over the wire.
                    Row {
                        id: frameHead
                        spacing: Theme.spacingNormal
                        Line { text: frameRow.time; font.family: Theme.fontFamilyMono }
                        Line { text: frameRow.direction; font.family: Theme.fontFamilyMono }
                        Line { objectName: "frameAmplifier"; text: frameRow.amplifier; width: Theme.columnMedium }
                        Line {
                            objectName: "frameVerdict"
                            text: frameRow.verdictText
                            color: frameRow.good ? Theme.colorText : Theme.colorError
                            width: Theme.columnMedium
                        }
                    }
                    Line {
                        id: frameDecoded
                        objectName: "frameDecoded"
                        x: frameHead.width + Theme.spacingNormal
                        width: parent.width - x
                        text: frameRow.decoded
                        wrapMode: Text.WordWrap
                    }
                    Line {
                        id: frameHex
                        objectName: "frameHex"
                        x: Theme.columnMedium
                        y: Math.max(frameHead.height, frameDecoded.height)
                        width: parent.width - x
                        text: frameRow.hex
                        color: Theme.colorSubText
                        font.family: Theme.fontFamilyMono
                    }
                    MouseArea {
                        anchors.fill: parent
                        onClicked: function(mouse) {
                            if (!(mouse.modifiers & Qt.ShiftModifier) || frameList.anchorRow < 0)
                                frameList.anchorRow = frameRow.index
                            frameList.currentIndex = frameRow.index
                        }
                    }
                }
            }
        }

        // One register or entry of one amplifier: read it, or write it once confirmed.
        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.spacingNormal
            ComboBoxThemed {
                id: registerAmplifier
                objectName: "registerAmplifier"
                Layout.preferredWidth: Theme.columnCombo
                model: screenLink.amplifierNames.map(function(n) { return qsTr("Load cell %1").arg(n) })
            }
            ComboBoxThemed {
                id: knownRegisters
                objectName: "knownRegisters"
                Layout.fillWidth: true
                textRole: "label"
                model: registers.known(screenLink.chosenAmplifier)
                // Names what the field holds when the register map knows it.
                displayText: {
                    for (var i = 0; i < model.length; i++)
                        if (model[i].address === registerField.text.trim())
                            return model[i].label
                    return qsTr("Registers the map knows…")
                }
                onActivated: function(index) { registerField.text = model[index].address }
            }
        }
        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.spacingNormal
            TextFieldThemed {
                id: registerField
                objectName: "registerField"
                Layout.preferredWidth: Theme.columnMedium
                placeholderText: registers.addressHint(screenLink.chosenAmplifier)
                onTextChanged: screenLink.registerMessage = ""
            }
            ButtonDesktop {
                objectName: "readButton"
                text: qsTr("Read")
                onClicked: screenLink.readRegister()
            }
            TextFieldThemed {
                id: valueField
                objectName: "valueField"
                Layout.preferredWidth: Theme.columnMedium
                placeholderText: qsTr("value")
            }
            ButtonDesktop {
                objectName: "writeButton"
                text: qsTr("Write…")
                onClicked: screenLink.askWrite()
            }
            Item { Layout.fillWidth: true }
        }
        Line {
            objectName: "registerOutcome"
            Layout.fillWidth: true
            text: screenLink.registerMessage.length > 0 ? screenLink.registerMessage
                                                        : registers.describe(screenLink.chosenAmplifier, registerField.text)
            color: screenLink.registerMessage.length > 0 && screenLink.registerFailed ? Theme.colorError : Theme.colorText
            wrapMode: Text.WordWrap
        }
    }
}

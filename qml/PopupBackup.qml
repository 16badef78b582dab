import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Dialogs
import QtQuick.Layouts
import QtQuick.Templates as T

import ComponentLibrary
import com.example.amplifiers
import com.example.filehandler

import "Amplifiers.js" as Amplifiers

// Backup, compare and restore of one amplifier's settings and calibration against a file, and its automatic
// backups. Created afresh for each use by the Weight Plot screen or the calibration page, destroyed when it
// closes.
//
// A restore always shows what it would write first: the button that writes is offered only after a dry run
// of the same file on the same amplifier. Everything long (reading every setting, writing) runs in the
// session, off the window's thread; the table shows what the session reports, setting by setting.
Popup {
    id: backupPopup
    objectName: "backupPopup"

    // "backup", "compare" or "restore".
    property string mode: "backup"
    property var amplifier: null
    property string filePath: ""
    // The file the last dry run was made with: the restore is offered for that file only.
    property string dryRunPath: ""
    // Compare: a second backup to hold the file against instead of the amplifier ("" for the amplifier), and
    // whether the table shows two files.
    property string secondPath: ""
    property bool comparedFiles: false

    readonly property bool busy: session.busy
    readonly property alias session: session
    // An amplifier not yet on the Weight Plot screen (the calibration page's) has no name: its link names it.
    readonly property string amplifierTitle: !amplifier ? ""
                                             : amplifier.getName().length > 0 ? qsTr("Load cell %1").arg(amplifier.getName())
                                             : amplifier.getLinkDescription()

    FileHandler { id: files }

    BackupSession {
        id: session
        objectName: "backupSession"
        onFinished: function(operation, ok) {
            if (operation === "restore" || operation === "backup")
                copies.model = session.safetyCopies(backupPopup.amplifier)
        }
    }

    function title() {
        if (mode === "compare")
            return qsTr("Compare %1 with a Backup").arg(amplifierTitle)
        if (mode === "restore")
            return qsTr("Restore %1 from a Backup").arg(amplifierTitle)
        return qsTr("Back Up %1").arg(amplifierTitle)
    }

    // The table and the dry run belong to the mode they were made in.
    function switchTo(newMode) {
        if (busy || newMode === mode)
            return
        mode = newMode
        comparedFiles = false
        session.clear()
        dryRunPath = ""
        // A new backup never overwrites the file just compared or restored.
        if (mode === "backup")
            filePath = session.suggestedPath(amplifier)
    }

    // What an automatic backup was taken before.
    function takenBefore(reason) {
        if (reason === "calibrate")
            return qsTr("before a calibration")
        if (reason === "selfTest")
            return qsTr("before a self-test")
        if (reason === "restore")
            return qsTr("before a restore")
        return reason
    }

    function choose(url) {
        if (fileDialog.forSecond)
            secondPath = Amplifiers.localPath(url)
        else
            filePath = Amplifiers.localPath(url)
    }

    // A file that exists is replaced only when the user says so: it may be the only copy of another amplifier.
    function runBackup(replace) {
        if (!replace && files.fileSize(filePath) >= 0) {
            replaceDialog.ask(qsTr("Replace File?"), qsTr("%1 exists already. Replace it with this backup?").arg(filePath),
                              qsTr("Replace"))
            return
        }
        session.backup(amplifier, filePath)
    }

    function runCompare() {
        comparedFiles = secondPath.length > 0
        session.compare(amplifier, filePath, secondPath)
    }

    function runDryRun(path) {
        if (path !== undefined)
            filePath = path
        dryRunPath = filePath
        session.dryRun(amplifier, filePath)
    }

    function runRestore() {
        if (filePath !== dryRunPath || !session.dryRunReady)
            return
        session.restore(amplifier, filePath)
    }

    // A backup proposes a new file each time; compare and restore wait for the user's choice.
    Component.onCompleted: {
        filePath = mode === "backup" ? session.suggestedPath(amplifier) : ""
        copies.model = session.safetyCopies(amplifier)
    }

    parent: T.Overlay.overlay
    anchors.centerIn: parent
    width: parent ? parent.width - 2 * Theme.componentMargin : Theme.columnContent
    height: parent ? parent.height - 2 * Theme.componentMargin : Theme.columnContent
    modal: true
    dim: true
    focus: true
    // A write in progress is not left behind by a stray click: only Close (when it is over) ends the popup.
    closePolicy: busy ? Popup.NoAutoClose : Popup.CloseOnEscape
    padding: Theme.popupPadding

    // Typing into a field ends its binding; a file chosen otherwise (Browse, Restore this) still shows there.
    onFilePathChanged: pathField.text = filePath
    onSecondPathChanged: secondPathField.text = secondPath

    onVisibleChanged: {
        if (!visible)
            destroy()
    }

    background: Rectangle {
        radius: Theme.componentRadius
        color: Theme.colorBackground
        border.color: Theme.colorSeparator
    }

    DialogConfirm {
        id: replaceDialog
        objectName: "backupReplaceDialog"
        onConfirmed: backupPopup.runBackup(true)
    }

    FileDialog {
        id: fileDialog
        title: backupPopup.mode === "backup" ? qsTr("Save Backup As") : qsTr("Open Backup")
        fileMode: backupPopup.mode === "backup" ? FileDialog.SaveFile : FileDialog.OpenFile
        nameFilters: [qsTr("Amplifier backups (*.json *.dcf)"), qsTr("All files (*)")]
        // Whether the file chosen is the second one of a comparison.
        property bool forSecond: false
        currentFolder: "file://" + (backupPopup.filePath.length > 0
                                    ? backupPopup.filePath.substring(0, backupPopup.filePath.lastIndexOf("/"))
                                    : session.backupFolder())
        onAccepted: backupPopup.choose(selectedFile)
    }

    // A cell of the table: one line, shrunk rather than cut.
    component Cell: Text {
        Layout.fillWidth: true
        Layout.preferredWidth: 1
        color: Theme.colorText
        font.pixelSize: Theme.fontSizeSmall
        fontSizeMode: Text.HorizontalFit
        minimumPixelSize: Theme.fontSizeFitFloor
        elide: Text.ElideRight
        verticalAlignment: Text.AlignVCenter
    }

    contentItem: ColumnLayout {
        spacing: Theme.spacingNormal

        RowLayout {
            Layout.fillWidth: true
            Text {
                objectName: "backupTitle"
                Layout.fillWidth: true
                text: backupPopup.title()
                color: Theme.colorText
                font.pixelSize: Theme.fontSizeTitle
                font.bold: true
                elide: Text.ElideRight
            }
            Text {
                objectName: "backupIdentity"
                text: backupPopup.amplifier ? backupPopup.amplifier.getLinkDescription() : ""
                color: Theme.colorSubText
                font.pixelSize: Theme.fontSizeSmall
            }
        }

        SelectorMenu {
            objectName: "backupModeSelector"
            enabled: !backupPopup.busy
            model: [{ idx: 0, txt: qsTr("Backup"), mode: "backup" }, { idx: 1, txt: qsTr("Compare"), mode: "compare" },
                    { idx: 2, txt: qsTr("Restore"), mode: "restore" }]
            currentSelection: backupPopup.mode === "compare" ? 1 : backupPopup.mode === "restore" ? 2 : 0
            onMenuSelected: function(index) { backupPopup.switchTo(model[index].mode) }
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.spacingNormal
            Text {
                text: qsTr("File:")
                color: Theme.colorText
                font.pixelSize: Theme.fontSizeContent
            }
            TextFieldThemed {
                id: pathField
                objectName: "backupPathField"
                Layout.fillWidth: true
                text: backupPopup.filePath
                placeholderText: qsTr("Choose a backup file")
                enabled: !backupPopup.busy
                onEditingFinished: backupPopup.filePath = text.trim()
            }
            ButtonOutline {
                objectName: "backupBrowseButton"
                text: qsTr("Browse…")
                enabled: !backupPopup.busy
                onClicked: {
                    fileDialog.forSecond = false
                    fileDialog.open()
                }
            }
            ButtonSolid {
                objectName: "backupRunButton"
                visible: backupPopup.mode === "backup"
                text: qsTr("Back Up")
                enabled: !backupPopup.busy && backupPopup.filePath.length > 0
                onClicked: backupPopup.runBackup()
            }
            ButtonSolid {
                objectName: "compareButton"
                visible: backupPopup.mode === "compare"
                text: qsTr("Compare")
                enabled: !backupPopup.busy && backupPopup.filePath.length > 0
                onClicked: backupPopup.runCompare()
            }
            ButtonOutline {
                objectName: "dryRunButton"
                visible: backupPopup.mode === "restore"
                text: qsTr("Dry Run")
                enabled: !backupPopup.busy && backupPopup.filePath.length > 0
                onClicked: backupPopup.runDryRun()
            }
            ButtonOutline {
                objectName: "backupStopButton"
                visible: backupPopup.busy && backupPopup.mode === "restore"
                text: qsTr("Stop")
                onClicked: session.stop()
            }
            ButtonSolid {
                objectName: "restoreButton"
                visible: backupPopup.mode === "restore"
                text: session.dryRunReady && backupPopup.dryRunPath === backupPopup.filePath
                      ? qsTr("Write Differences (%1)").arg(session.pendingWrites) : qsTr("Restore")
                enabled: !backupPopup.busy && session.dryRunReady && backupPopup.dryRunPath === backupPopup.filePath
                         && session.pendingWrites > 0
                onClicked: backupPopup.runRestore()
            }
        }

        RowLayout {
            Layout.fillWidth: true
            visible: backupPopup.mode === "compare"
            spacing: Theme.spacingNormal
            Text {
                text: qsTr("Against:")
                color: Theme.colorText
                font.pixelSize: Theme.fontSizeContent
            }
            TextFieldThemed {
                id: secondPathField
                objectName: "secondPathField"
                Layout.fillWidth: true
                text: backupPopup.secondPath
                placeholderText: qsTr("the amplifier (or choose a second backup file)")
                enabled: !backupPopup.busy
                onEditingFinished: backupPopup.secondPath = text.trim()
            }
            ButtonOutline {
                objectName: "secondBrowseButton"
                text: qsTr("Browse…")
                enabled: !backupPopup.busy
                onClicked: {
                    fileDialog.forSecond = true
                    fileDialog.open()
                }
            }
        }

        // What the session is doing now, or what its last operation came to.
        Text {
            objectName: "backupMessage"
            Layout.fillWidth: true
            text: session.busy ? session.progressText : session.message
            visible: text.length > 0
            color: session.busy ? Theme.colorSubText : session.failed ? Theme.colorError : Theme.colorSuccess
            font.pixelSize: Theme.fontSizeContent
            wrapMode: Text.WordWrap
            maximumLineCount: 4
            elide: Text.ElideRight
        }
        // The operation runs on; its length depends on the link, so the bar only shows that it does.
        Rectangle {
            id: progressTrack
            objectName: "backupProgress"
            Layout.fillWidth: true
            Layout.preferredHeight: Theme.spacingTight
            visible: session.busy
            color: Theme.colorSeparator
            clip: true
            Rectangle {
                width: progressTrack.width / 4
                height: parent.height
                color: Theme.colorPrimary
                NumberAnimation on x {
                    running: session.busy
                    loops: Animation.Infinite
                    from: -progressTrack.width / 4
                    to: progressTrack.width
                    duration: 1500
                }
            }
        }

        // One row per setting: what the file says, what the amplifier held and what became of it.
        RowLayout {
            Layout.fillWidth: true
            visible: table.count > 0
            Cell { text: qsTr("Setting"); font.bold: true }
            Cell { text: backupPopup.comparedFiles ? qsTr("In the first file") : qsTr("In the file"); font.bold: true }
            Cell { text: backupPopup.comparedFiles ? qsTr("In the second file") : qsTr("In the amplifier"); font.bold: true }
            Cell { text: qsTr("Outcome"); font.bold: true; Layout.preferredWidth: 2 }
        }
        ListView {
            id: table
            objectName: "backupTable"
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.minimumHeight: Theme.componentHeight
            clip: true
            model: session.rows
            T.ScrollBar.vertical: ScrollBarThemed {}
            delegate: RowLayout {
                required property var modelData
                required property int index
                objectName: "backupRow_" + modelData.name
                width: ListView.view.width - Theme.spacingNormal
                height: Theme.componentHeight * 2 / 3
                Cell { objectName: "cellName"; text: modelData.label }
                Cell { objectName: "cellFile"; text: modelData.fileValue }
                Cell { objectName: "cellAmplifier"; text: modelData.amplifierValue }
                Cell {
                    objectName: "cellOutcome"
                    Layout.preferredWidth: 2
                    text: modelData.outcome
                    color: modelData.bad ? Theme.colorError : Theme.colorText
                }
            }
        }

        // The copies taken before calibrations, self-tests and restores of this amplifier, newest first.
        Text {
            Layout.fillWidth: true
            visible: backupPopup.mode === "restore"
            text: copies.count > 0 ? qsTr("Automatic backups of this amplifier (taken before each calibration, self-test and restore):")
                                   : qsTr("No automatic backup of this amplifier yet.")
            color: Theme.colorText
            font.pixelSize: Theme.fontSizeSmall
            wrapMode: Text.WordWrap
        }
        ListView {
            id: copies
            objectName: "safetyCopyList"
            Layout.fillWidth: true
            Layout.preferredHeight: Math.min(count, 3) * Theme.componentHeight
            visible: backupPopup.mode === "restore" && count > 0
            clip: true
            T.ScrollBar.vertical: ScrollBarThemed {}
            delegate: RowLayout {
                required property var modelData
                required property int index
                objectName: "safetyCopy_" + index
                width: ListView.view.width - Theme.spacingNormal
                height: Theme.componentHeight
                Text {
                    Layout.fillWidth: true
                    text: modelData.when + " — " + backupPopup.takenBefore(modelData.reason) + " — " + modelData.fileName
                    color: Theme.colorText
                    font.pixelSize: Theme.fontSizeSmall
                    elide: Text.ElideMiddle
                }
                ButtonOutline {
                    objectName: "restoreThisButton"
                    text: qsTr("Restore this")
                    enabled: !backupPopup.busy
                    onClicked: backupPopup.runDryRun(modelData.path)
                }
            }
        }

        ButtonOutline {
            objectName: "backupCloseButton"
            Layout.alignment: Qt.AlignRight
            text: qsTr("Close")
            enabled: !backupPopup.busy
            onClicked: backupPopup.close()
        }
    }
}

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Dialogs
import QtQuick.Layouts

import ComponentLibrary
import com.example.filehandler

import "Amplifiers.js" as Amplifiers

// Period, duration and output file of a CSV recording of the selected amplifiers. Created once by the
// Weight Plot screen and reused; it reaches the screen as `screenPlayground`.
//
// Each opening proposes a new file (unless the user chose one with Browse), so that a second recording never
// empties the first, and a file that already holds data is only emptied after the user agreed.
Popup {
    id: loggingPopup
    objectName: "csvLoggingPopup"

    // The unit of the recording, fixed for the whole run.
    property string unit: "g"
    // The tiles the recording takes (the selection when the popup was opened).
    property var recordedNames: []
    property string defaultFileName: ""
    readonly property string defaultFolder: {
        var appData = fileHandler.getAppDataPath()
        return appData.length > 0 ? appData : LOGS_FOLDER
    }
    property string filePath: ""
    // True once the user chose a file with Browse: later openings keep it instead of proposing a new one.
    property bool fileChosen: false
    property bool isPathWritable: false
    property string pathMessage: ""
    property bool pathMessageIsError: false

    readonly property int minFrequency: 10
    readonly property int maxFrequency: 10000
    readonly property int minDuration: 1
    readonly property int maxDuration: 3600

    FileHandler { id: fileHandler }

    // "data_log_<time>.csv", with a number added when that file exists already (two openings in a second).
    function freshFilePath() {
        var base = "data_log_" + Qt.formatDateTime(new Date(), "yyyyMMdd_hhmmss")
        var name = base + ".csv"
        for (var n = 2; fileHandler.fileSize(defaultFolder + "/" + name) >= 0; n++)
            name = base + "_" + n + ".csv"
        defaultFileName = name
        return defaultFolder + "/" + name
    }

    function checkPath() {
        var result = fileHandler.isPathWritable(filePath)
        isPathWritable = result.isWritable
        showMessage(result.message, !result.isWritable)
    }

    function showMessage(text, isError) {
        pathMessage = text
        pathMessageIsError = isError
    }

    function chooseFile(url) {
        fileChosen = true
        filePath = Amplifiers.localPath(url)
    }

    // A typed name lands where the user means it: an absolute path as it is, a bare name in the default folder.
    function typePath(text) {
        var path = fileHandler.resolveTypedPath(text, defaultFolder)
        if (path.length === 0) {
            pathField.text = filePath
            return
        }
        fileChosen = true
        filePath = path
        pathField.text = path
    }

    // A number typed into `field` within [low, high], or NaN.
    function fieldValue(field, low, high) {
        var text = field.text.trim()
        var value = /^[0-9]+$/.test(text) ? parseInt(text, 10) : NaN
        return (value >= low && value <= high) ? value : NaN
    }

    function startLogging() {
        // A path typed but not yet confirmed with Enter is the one the user sees, so it is the one used.
        if (pathField.text !== filePath)
            typePath(pathField.text)
        if (!isPathWritable)
            return
        var frequency = fieldValue(frequencyField, minFrequency, maxFrequency)
        if (isNaN(frequency)) {
            showMessage(qsTr("Enter a logging frequency from %1 to %2 ms.").arg(minFrequency).arg(maxFrequency), true)
            return
        }
        var duration = fieldValue(durationField, minDuration, maxDuration)
        if (isNaN(duration)) {
            showMessage(qsTr("Enter a duration from %1 to %2 seconds.").arg(minDuration).arg(maxDuration), true)
            return
        }
        if (fileHandler.fileSize(filePath) > 0) {
            replaceDialog.frequency = frequency
            replaceDialog.duration = duration
            replaceDialog.ask(qsTr("Replace File?"),
                              qsTr("%1 already holds data. Starting the recording empties it.").arg(filePath),
                              qsTr("Replace"))
            return
        }
        begin(frequency, duration)
    }

    function begin(frequency, duration) {
        if (!fileHandler.createEmptyFile(filePath)) {
            showMessage(qsTr("Failed to create file. Please try another location."), true)
            return
        }
        if (!screenPlayground.startRecording(frequency, duration, filePath, unit)) {
            showMessage(screenPlayground.recordingError(), true)
            return
        }
        close()
    }

    onFilePathChanged: {
        pathField.text = filePath
        checkPath()
    }
    onAboutToShow: {
        if (!fileChosen)
            filePath = freshFilePath()
        else
            checkPath()
    }
    Component.onCompleted: filePath = freshFilePath()

    parent: screenPlayground
    anchors.centerIn: parent
    // Wide enough for each field to show what it asks for beside its label.
    width: parent ? Math.min(parent.width - 2 * Theme.componentMargin, Math.max(Theme.formPopupWidth, parent.width * 0.4))
                  : Theme.formPopupWidth
    height: Math.max(Theme.recordingPopupMinHeight, parent ? parent.height / 2 : Theme.recordingPopupMinHeight)
    modal: true
    dim: true
    focus: true
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
    padding: Theme.popupPadding

    background: Rectangle {
        radius: Theme.componentRadius
        color: Theme.colorBackground
        border.color: Theme.colorSeparator
    }

    FileDialog {
        id: browseDialog
        objectName: "browseDialog"
        title: qsTr("Select Output File")
        fileMode: FileDialog.SaveFile
        nameFilters: [qsTr("CSV files (*.csv)")]
        acceptLabel: qsTr("Save")
        currentFolder: "file://" + loggingPopup.filePath.substring(0, loggingPopup.filePath.lastIndexOf("/"))
        selectedFile: "file://" + loggingPopup.filePath
        onAccepted: loggingPopup.chooseFile(selectedFile)
    }

    contentItem: ColumnLayout {
        spacing: Theme.spacingRoomy

        DialogConfirm {
            id: replaceDialog
            objectName: "replaceDialog"
            property int frequency: 0
            property int duration: 0
            onConfirmed: loggingPopup.begin(frequency, duration)
        }

        Text {
            text: qsTr("CSV Logging Settings")
            color: Theme.colorText
            font.pixelSize: Theme.fontSizeTitle
            font.bold: true
        }
        Text {
            objectName: "recordedAmplifiers"
            Layout.fillWidth: true
            text: qsTr("Records: %1 (the selected amplifiers), in %2.").arg(loggingPopup.recordedNames.join(", "))
                  .arg(loggingPopup.unit)
            color: Theme.colorText
            font.pixelSize: Theme.fontSizeContent
            wrapMode: Text.WordWrap
        }
        // A label beside each field, so that a filled field still says what it holds.
        GridLayout {
            Layout.fillWidth: true
            columns: 2
            columnSpacing: 12
            Text {
                text: frequencyField.placeholderText
                color: Theme.colorText
                font.pixelSize: Theme.fontSizeContent
            }
            TextFieldThemed {
                id: frequencyField
                objectName: "frequencyField"
                Layout.fillWidth: true
                placeholderText: qsTr("Logging Frequency (ms)")
                validator: IntValidator { bottom: loggingPopup.minFrequency; top: loggingPopup.maxFrequency }
            }
            Text {
                text: durationField.placeholderText
                color: Theme.colorText
                font.pixelSize: Theme.fontSizeContent
            }
            TextFieldThemed {
                id: durationField
                objectName: "durationField"
                Layout.fillWidth: true
                placeholderText: qsTr("Duration (seconds)")
                validator: IntValidator { bottom: loggingPopup.minDuration; top: loggingPopup.maxDuration }
            }
        }
        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.spacingNormal
            Text {
                text: qsTr("Output File:")
                color: Theme.colorText
                font.pixelSize: Theme.fontSizeContent
            }
            TextFieldThemed {
                id: pathField
                objectName: "filePathText"
                Layout.fillWidth: true
                onEditingFinished: loggingPopup.typePath(text)
            }
            ButtonOutline {
                objectName: "browseButton"
                text: qsTr("Browse")
                onClicked: browseDialog.open()
            }
        }
        Text {
            objectName: "pathMessage"
            Layout.fillWidth: true
            visible: text.length > 0
            text: loggingPopup.pathMessage
            color: loggingPopup.pathMessageIsError ? Theme.colorBad : Theme.colorGood
            font.pixelSize: Theme.fontSizeContent
            font.italic: true
            wrapMode: Text.WordWrap
        }

        Item { Layout.fillHeight: true }

        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.spacingWide
            ButtonOutline {
                objectName: "loggingCancelButton"
                Layout.fillWidth: true
                text: qsTr("Cancel")
                onClicked: loggingPopup.close()
            }
            ButtonSolid {
                objectName: "startLoggingButton"
                Layout.fillWidth: true
                text: qsTr("Start Logging")
                enabled: loggingPopup.isPathWritable
                onClicked: loggingPopup.startLogging()
            }
        }
    }
}

import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts

import ComponentLibrary
import CustomComponents
import com.example.amplifiers

import "Amplifiers.js" as Amplifiers

// The Amplifier QA screen: connects one amplifier on the bench and runs its register self-test, showing the
// test's lines as they come and a summary. Its texts are Chinese, like the self-test's own narration.
//
// Each test connects the chosen port and model afresh and gives the port back when it ends, however it
// ends, so that the amplifier can be added on the Weight Plot screen right after; each run starts with an
// empty log. While a test runs, the screen calls nothing else on the amplifier (the self-test lets events
// through between its steps, so a second start would run inside the first).
Rectangle {
    id: screenHostInfos
    objectName: "amplifierQaScreen"

    color: Theme.colorBackground

    property var amplifier: null
    // Port and model `amplifier` was created for.
    property string amplifierPort: ""
    property string amplifierModel: ""
    property bool testing: false
    property string summary: "放大器功能测试: 未开始"
    property color summaryColor: Theme.colorVerdictPending
    readonly property var models: InputRules.typeNames()

    SerialPortHelper { id: portHelper }

    ListModel { id: logModel }

    // Fail words first: a line that reports both a finished step and an error is a failure.
    function classify(message) {
        // The narration comes in the user's language: Chinese, English or French.
        if (/失败|出错|错误|未能恢复|fail|error|NOT restored|échec|échoué|erreur|NON restauré/i.test(message))
            return "fail"
        if (/通过|完成|passed|finished|restored|réussi|terminé|restauré/i.test(message))
            return "pass"
        return "normal"
    }

    function appendLog(message) {
        logModel.append({ "message": message, "status": classify(message) })
        logView.positionViewAtEnd()
        if (message.indexOf("放大器功能测试全部完成") >= 0) {
            summary = "放大器功能测试已完成"
            summaryColor = Theme.colorVerdictPassed
        }
    }

    function releaseAmplifier() {
        if (!amplifier)
            return
        Amplifiers.release(amplifier)
        amplifier = null
        amplifierPort = ""
        amplifierModel = ""
    }

    function startTest() {
        if (testing)
            return
        // What the previous run said belongs to that run, whatever this one comes to.
        logModel.clear()
        var port = portSelector.currentIndex >= 0 ? portSelector.currentText : ""
        var model = modelSelector.currentIndex >= 0 ? modelSelector.currentText : ""
        var protocol = InputRules.protocolOfType(model)
        if (protocol !== "" && !InputRules.selfTests(protocol)) {
            summary = "TC-7002 (CANopen) 放大器没有寄存器自检功能，无法测试"
            return
        }
        if (port.length === 0 || model.length === 0) {
            summary = "请选择COM串口和放大器型号"
            return
        }
        if (protocol === "") {
            summary = "未知的放大器型号"
            return
        }
        releaseAmplifier()
        if (!amplifier) {
            var created = AmplifierFactory.createAmplifier(protocol, model, port, 9600, 1, sharedBus)
            if (!created) {
                summary = "创建放大器失败"
                return
            }
            amplifier = created
            amplifierPort = port
            amplifierModel = model
        }
        testing = true
        // The test runs on in the driver once started; selfTestFinished ends it.
        var started = false
        try {
            if (!amplifier.isConnected()) {
                summary = "放大器未连接，正在尝试连接..."
                var reason = ""
                var onFailed = function(error) { reason = error }
                amplifier.connectionFailed.connect(onFailed)
                try {
                    amplifier.connect()
                } finally {
                    amplifier.connectionFailed.disconnect(onFailed)
                }
                if (reason.length > 0) {
                    summary = "连接失败: " + reason
                    summaryColor = Theme.colorVerdictPending
                    return
                }
                if (!amplifier.isConnected()) {
                    summary = "放大器连接失败"
                    return
                }
            }
            summary = "正在测试 " + model + " (" + protocol + ") on " + port + "..."
            summaryColor = Theme.colorVerdictPending
            started = true
            amplifier.testAllRegisters()
        } finally {
            if (!started)
                endTest()
        }
    }

    // The test has ended or never started: the port goes back, and a close that waited for it goes on.
    function endTest() {
        testing = false
        releaseAmplifier()
        if (closeWhenDone)
            Qt.callLater(function() { screenHostInfos.Window.window.close() })
    }


    Connections {
        target: screenHostInfos.amplifier
        function onLogMessage(msg) { screenHostInfos.appendLog(msg) }
        // Before the test changes anything, what the amplifier held is saved; the log says where.
        function onSafetyCopyWritten(command, path) {
            screenHostInfos.appendLog(qsTr("Automatic backup before the test: %1").arg(path))
        }
        function onSafetyCopyFailed(command, reason) {
            screenHostInfos.appendLog(qsTr("No automatic backup could be made, so the test did not start: %1").arg(reason))
        }
        // The test's verdict and its own summary, in the user's language: what passed and whether
        // everything came back.
        function onSelfTestFinished(passed, message) {
            screenHostInfos.summary = message
            screenHostInfos.summaryColor = passed ? Theme.colorVerdictPassed : Theme.colorVerdictFailed
            screenHostInfos.endTest()
        }
    }

    // Leaving the screen or closing the window stops a running test, which writes back what it saved
    // before it ends; the window closes once it has.
    property bool closeWhenDone: false
    // Leaving the screen gives the port back; a test in progress gives it back once it has ended.
    onVisibleChanged: {
        if (visible)
            return
        if (testing && amplifier)
            amplifier.stopSelfTest()
        else if (!testing)
            releaseAmplifier()
    }
    function stopTestBeforeClose() {
        if (!testing || !amplifier)
            return false
        closeWhenDone = true
        amplifier.stopSelfTest()
        return true
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: Theme.pagePadding
        spacing: Theme.componentMargin

        RowLayout {
            Layout.fillWidth: true
            spacing: Theme.spacingWide

            Text {
                text: "COM 串口:"
                color: Theme.colorText
                font.pixelSize: Theme.fontSizeContent
            }
            ComboBoxThemed {
                id: portSelector
                objectName: "qaPortSelector"
                Layout.preferredWidth: Theme.columnWide
                // Read once, when the screen is first shown.
                model: portHelper.getAvailablePorts()
                enabled: !screenHostInfos.testing
            }
            Text {
                text: "放大器型号:"
                color: Theme.colorText
                font.pixelSize: Theme.fontSizeContent
            }
            ComboBoxThemed {
                id: modelSelector
                objectName: "qaModelSelector"
                Layout.preferredWidth: Theme.columnSelector
                model: screenHostInfos.models
                currentIndex: 0
                enabled: !screenHostInfos.testing
            }
            ButtonSolid {
                objectName: "qaStartButton"
                text: "开始测试"
                enabled: !screenHostInfos.testing
                onClicked: screenHostInfos.startTest()
            }
            Item { Layout.fillWidth: true }
        }

        // The log stays black on white in every theme, so that its green, red and black lines read alike.
        Rectangle {
            Layout.fillWidth: true
            Layout.fillHeight: true
            color: Theme.colorLogBackground
            border.color: Theme.colorSeparator
            radius: Theme.componentRadius

            ListView {
                id: logView
                objectName: "qaLog"
                anchors.fill: parent
                anchors.margins: Theme.spacingNormal
                clip: true
                model: logModel
                ScrollBar.vertical: ScrollBarThemed {}
                // Shown to its end unless the user scrolled back: the summary appearing below at the end of a
                // run, or a smaller window, takes room from the log without hiding its last lines.
                property bool followsEnd: true
                onMovementEnded: followsEnd = atYEnd
                onHeightChanged: {
                    if (followsEnd)
                        positionViewAtEnd()
                }
                delegate: Text {
                    required property string message
                    required property string status
                    width: ListView.view.width
                    text: message
                    color: status === "pass" ? Theme.colorGood : (status === "fail" ? Theme.colorBad : Theme.colorLogText)
                    font.pixelSize: Theme.fontSizeContent
                    wrapMode: Text.WrapAnywhere
                }
            }
        }

        Rectangle {
            objectName: "qaSummaryBox"
            Layout.fillWidth: true
            Layout.preferredHeight: summaryText.implicitHeight + 2 * Theme.spacingWide
            color: screenHostInfos.summaryColor
            radius: Theme.componentRadius

            Text {
                id: summaryText
                objectName: "qaSummary"
                anchors.fill: parent
                anchors.margins: Theme.spacingWide
                verticalAlignment: Text.AlignVCenter
                text: screenHostInfos.summary
                color: Theme.colorLogText
                font.pointSize: Theme.fontPointSizeSummary
                font.bold: true
                wrapMode: Text.WordWrap
            }
        }
    }
}

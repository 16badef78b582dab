import QtQuick
import QtTest

import com.example.amplifiers

// The Amplifier QA screen in the real main window, running the real self-test against simulated RS232
// amplifiers.
WindowTestCase {
    id: testCase
    name: "AmplifierQA"

    property string portA: ""
    property string portB: ""
    property var qa: null
    readonly property string passed: "9 of 9 registers passed; all settings restored and read back"

    function initTestCase() {
        portA = simulators.startSerial("1")
        portB = simulators.startSerial("1")
        verify(portA.length > 0 && portB.length > 0, "simulated RS232 amplifiers")
    }

    function init() {
        openMain()
        mouseClick(findChild(window.contentItem, "sidebarAmplifierQA"))
        qa = findChild(window.contentItem, "amplifierQaScreen")
        tryCompare(qa, "visible", true)
    }

    function cleanup() {
        if (qa)
            qa.releaseAmplifier()
        qa = null
        releaseAll()
    }

    function choose(port, model) {
        var ports = findChild(qa, "qaPortSelector")
        ports.currentIndex = ports.find(port)
        verify(ports.currentIndex >= 0, port + " offered")
        var models = findChild(qa, "qaModelSelector")
        models.currentIndex = models.find(model)
    }

    function runTest() {
        mouseClick(findChild(qa, "qaStartButton"))
        tryCompare(findChild(qa, "qaSummary"), "text", passed, 20000)
        compare(findChild(qa, "qaSummaryBox").color, Qt.color("#e0ffe0"))
    }

    function logLines() {
        var model = findChild(qa, "qaLog").model
        var lines = []
        for (var i = 0; i < model.count; i++)
            lines.push(model.get(i))
        return lines
    }

    // Calls `step` once, at the first log line for which `when` holds, during the next test run.
    function duringTest(when, step) {
        var done = false
        qa.amplifierChanged.connect(function() {
            if (qa && qa.amplifier)
                qa.amplifier.logMessage.connect(function(line) { if (!done && when(line)) { done = true; step() } })
        })
    }

    function test_classify_data() {
        return [
            { tag: "done", line: "→ 写入完成，正在验证数据...", status: "pass" },
            { tag: "done and error", line: "写入完成，但校验错误", status: "fail" },
            { tag: "plain", line: "【测试】正在读取原始AD值...", status: "normal" },
            { tag: "English summary", line: "9 of 9 registers passed; NOT restored: 0x0056 = 3 (was 2)", status: "fail" },
        ]
    }
    function test_classify(data) {
        compare(qa.classify(data.line), data.status)
    }

    // A healthy amplifier: green lines, a green summary and its own settings back afterwards; while it runs
    // the start button is off and a press starts nothing. The port is free once the test ends (an amplifier can be added on it at once), the next run starts with an empty
    // log, and another port means another amplifier: nothing is written to the first.
    function test_run_releasesThePort_runsAgainWithAFreshLog_onTheChosenPort() {
        simulators.serial(portA, "set 1 0x0056 4")
        choose(portA, "TX-7001")
        var button = findChild(qa, "qaStartButton")
        var enabledDuringTest = []
        duringTest(function() { return true }, function() { enabledDuringTest.push(button.enabled); mouseClick(button) })
        runTest()
        compare(enabledDuringTest, [false])
        window.height -= 120 // less room for the log, as when the summary wraps: its end stays in view
        waitForRendering(qa)
        verify(findChild(qa, "qaLog").atYEnd)
        var first = logLines()
        // Where the automatic backup went comes first, before the test changes anything.
        verify(first[0].message.indexOf("Automatic backup before the test: ") === 0, first[0].message)
        verify(testFiles.readText(first[0].message.split(": ")[1]).indexOf("\"filteringLevel\"") > 0)
        compare(first[1].message, "启动放大器功能测试程序...")
        compare(first.filter(function(l) { return l.message === first[1].message }).length, 1)
        verify(first.filter(function(l) { return l.status === "pass" }).length >= 9, "passed steps")
        compare(first.filter(function(l) { return l.status === "fail" }).length, 0)
        compare(simulators.serial(portA, "get 1 0x0056"), "OK 4", "the filter level is as before")
        compare(qa.amplifier, null)
        var other = AmplifierFactory.createAmplifier("RS232", "AmplifierModel", portA, 9600, 0, sharedBus)
        other.connect()
        verify(other.isConnected(), "the port is free after the test")
        other.disconnect()

        runTest()
        compare(logLines().length, first.length, "the log was cleared first")
        simulators.serial(portA, "log 1")
        simulators.serial(portB, "log 1")
        choose(portB, "TX-7001")
        runTest()
        compare(simulators.serial(portA, "log 1"), "OK", "nothing written to the first amplifier")
        verify(simulators.serial(portB, "log 1").length > 3, "the second amplifier was tested")
    }

    // Leaving the screen during a test stops it; it writes back what it changed first, says so, and gives
    // the port back once it has ended.
    function test_leavingDuringTest_restoresFirst_andReleasesThePort() {
        choose(portA, "TX-7001")
        simulators.serial(portA, "words 1 on")
        var before = simulators.serial(portA, "get 1 6") + simulators.serial(portA, "get 1 8")
        duringTest(function(line) { return line.indexOf("[AVP1] 参数数据") >= 0 },
                   function() { mouseClick(findChild(window.contentItem, "sidebarWeightPlot")) })
        mouseClick(findChild(qa, "qaStartButton"))
        tryCompare(qa, "testing", false, 20000)
        compare(qa.visible, false)
        // The test runs on its own thread: it may finish the register it is on before the stop reaches it.
        var summary = findChild(qa, "qaSummary").text
        verify(/^Stopped after ([1-8]) of 9 registers \(\1 passed\); all settings restored and read back$/.test(summary),
               summary)
        compare(simulators.serial(portA, "get 1 6") + simulators.serial(portA, "get 1 8"), before)
        compare(qa.amplifier, null)
        simulators.serial(portA, "words 1 off")
    }

    function test_refusals_data() {
        return [
            { tag: "TC-7002", port: "portA", model: "TC-7002", summary: "TC-7002 (CANopen) 放大器没有寄存器自检功能，无法测试" },
            { tag: "no port", port: "", model: "TX-7001", summary: "请选择COM串口和放大器型号" },
        ]
    }
    function test_refusals(data) {
        if (data.port.length > 0)
            choose(testCase[data.port], data.model)
        else
            findChild(qa, "qaPortSelector").currentIndex = -1
        mouseClick(findChild(qa, "qaStartButton"))
        compare(findChild(qa, "qaSummary").text, data.summary)
        compare(qa.amplifier, null)
    }
}

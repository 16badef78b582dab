import QtQuick
import QtTest

import ComponentLibrary

// The road of an amplifier through the real main window: Add, Select, Connect, calibrate, the tile on the
// Weight Plot screen and what its buttons do, with the real drivers against simulated amplifiers (an RS485
// line, an RS232 amplifier and CANopen nodes).
WindowTestCase {
    id: testCase
    name: "WeightPlot"

    property string rs485Port: ""
    property string rs232Port: ""
    readonly property bool pageGone: screen !== null && screen.instrumentSelectionPopup !== null
                                     && screen.instrumentSelectionPopup.calibrationPage === null

    function initTestCase() {
        rs485Port = simulators.startSerial("1,2,3,4,5,6,7,8,9,247")
        rs232Port = simulators.startSerial("1")
        verify(rs485Port.length > 0 && rs232Port.length > 0, "simulated serial amplifiers")
        verify(simulators.startCan([1, 2]), "simulated CANopen nodes")
    }

    function init() {
        simulators.serial(rs485Port, "fault all none")
        simulators.serial(rs485Port, "load all 250000")
        simulators.serial(rs232Port, "fault all none")
        openMain()
    }

    function cleanup() {
        if (page())
            page().close()
        releaseAll()
    }

    function page() {
        return screen.instrumentSelectionPopup ? screen.instrumentSelectionPopup.calibrationPage : null
    }

    function pageItem(name) { return inside(page(), name) }

    // Add → protocol → first model → Select: the calibration page, open.
    function openPage(protocol) {
        mouseClick(findChild(screen, "addButton"))
        var selection = screen.instrumentSelectionPopup
        tryCompare(selection, "opened", true)
        if (protocol.length > 0) {
            mouseClick(inside(selection, "protocol_" + protocol))
            mouseClick(inside(selection, "model_0"))
        }
        mouseClick(inside(selection, "selectButton"))
        tryVerify(function() { return page() !== null && page().opened })
        return page()
    }

    function connectOn(port, deviceId) {
        if (port !== null) {
            var selector = pageItem("portSelector")
            selector.currentIndex = selector.find(port)
            verify(selector.currentIndex >= 0, "port " + port + " offered")
        }
        if (deviceId !== undefined)
            typeInto(pageItem("deviceIdField"), deviceId)
        mouseClick(pageItem("connectButton"))
    }

    function waitForAd(value) {
        tryVerify(function() { return value !== undefined ? pageItem("adReadout").text === "AD: " + value
                                                          : /^AD: \d+$/.test(pageItem("adReadout").text) }, 5000)
        return Number(pageItem("adReadout").text.substring(4))
    }

    // A connected amplifier handed over pre-calibrated; returns its tile.
    function addPreCalibrated(protocol, port, deviceId) {
        openPage(protocol)
        connectOn(port, deviceId)
        waitForAd()
        mouseClick(pageItem("preCalibratedCheck"))
        mouseClick(pageItem("calibrateButton"))
        tryCompare(testCase, "pageGone", true)
        return tile(String(screen.amplifiers.addedCount))
    }

    function tileWeightIs(name, text) { tryCompare(findChild(tile(name), "tileWeight"), "text", text, 5000) }

    // ZERO captures only a current AD value: none before the first arrives (SPAN stays off), none from a
    // read-out that stopped counting, which shows no value and says why.
    function test_zeroCapturesOnlyACurrentAdValue() {
        openPage("RS485")
        // No event is processed between the two clicks, so no AD value can have arrived.
        connectOn(rs485Port, "6")
        compare(pageItem("adReadout").text, "AD:")
        mouseClick(pageItem("zeroButton"))
        compare(pageItem("zeroValueText").text, "0")
        compare(pageItem("spanButton").enabled, false)
        verify(pageItem("statusText").text.indexOf("No AD value") === 0)
        var ad = waitForAd()
        mouseClick(pageItem("zeroButton"))
        tryCompare(pageItem("zeroValueText"), "text", String(ad), 5000)

        simulators.serial(rs485Port, "load 6 270000")
        waitForAd(270000)
        simulators.serial(rs485Port, "fault 6 exception")
        tryCompare(pageItem("adReadout"), "text", "AD: —", 5000)
        compare(pageItem("adStaleText").text, "refused: Modbus exception 2")
        mouseClick(pageItem("zeroButton"))
        compare(pageItem("zeroValueText").text, String(ad))
        verify(/^The AD read-out is not current/.test(pageItem("statusText").text), pageItem("statusText").text)
    }

    function test_rs485Road_calibratesAndTileFollows() {
        openPage("RS485")
        verify(pageItem("deviceIdRow").visible)
        connectOn(rs485Port, "2")
        compare(pageItem("spanButton").enabled, false)
        var zeroAd = waitForAd()
        mouseClick(pageItem("zeroButton"))
        tryCompare(pageItem("zeroValueText"), "text", String(zeroAd), 5000)
        simulators.serial(rs485Port, "load 2 450000")
        waitForAd(450000)
        mouseClick(pageItem("spanButton"))
        tryCompare(pageItem("spanValueText"), "text", "450000", 5000)
        typeInto(pageItem("spanWeightField"), "1000")
        mouseClick(pageItem("calibrateButton"))
        tryCompare(testCase, "pageGone", true)

        compare(tileText("1", "tileTitle"), "Load cell 1")
        tileWeightIs("1", "1000.00 g")
        simulators.serial(rs485Port, "load 2 350000")
        tileWeightIs("1", "500.00 g")
        // The unit shows within one refresh: the tile reads again as soon as the unit changes. (The factors:
        // tst_weight.)
        mouseClick(findChild(screen, "unitSelector_lb"))
        compare(tileText("1", "tileWeight"), "1.10 lb")
        verify(findChild(screen, "unitSelector_lb").marked, "the selector marks the unit the screen put in force")
        mouseClick(findChild(screen, "unitSelector_g"))
        compare(tileText("1", "tileWeight"), "500.00 g")
        // ZERO on the selected tile brings the weight to nought.
        mouseClick(tile("1"))
        compare(tile("1").border.color, Theme.colorText)
        mouseClick(findChild(screen, "zeroButton"))
        tileWeightIs("1", "0.00 g")
        expectMessage("Zero Done")
    }

    // The ranges are the input rules' (their edges: the CLI suite); the page refuses before trying the link.
    function test_deviceIdRefused_data() {
        return [{ tag: "RS485 248", protocol: "RS485", id: "248", range: "1 to 247" },
                { tag: "RS485 5x", protocol: "RS485", id: "5x", range: "1 to 247" },
                { tag: "CANOpen 128", protocol: "CANOpen", id: "128", range: "1 to 127" }]
    }
    function test_deviceIdRefused(data) {
        openPage(data.protocol)
        connectOn(data.protocol === "RS485" ? rs485Port : null, data.id)
        var dialog = pageItem("connectionErrorDialog")
        compare(dialog.title, "Invalid Input")
        verify(dialog.visible && dialog.text.indexOf(data.range) >= 0 && dialog.text.indexOf("\"" + data.id + "\"") >= 0,
               dialog.text)
        compare(page().currentAmplifier, null)
    }

    // Scan beside "Device ID" with the real scanner: progress while it runs, a cancel, the ids that answered
    // as choices, and a choice filling the field.
    function test_rs485Scan_showsProgress_cancels_andAChoiceFillsTheDeviceId() {
        openPage("RS485")
        pageItem("portSelector").currentIndex = pageItem("portSelector").find(rs485Port)
        var button = pageItem("scanButton")
        var progress = pageItem("scanProgress")
        compare(button.text, "Scan")
        mouseClick(button)
        tryVerify(function() { return /^Scanning: \d+ \/ 247 ids probed/.test(progress.text) }, 5000)
        compare(button.text, "Cancel")
        mouseClick(button)
        tryVerify(function() { return progress.text.indexOf("Scan cancelled: ") === 0 }, 5000, progress.text)
        compare(button.text, "Scan")
        mouseClick(button)
        tryCompare(progress, "text", "Scan done: 247 / 247 ids probed, 10 found", 60000)
        compare(pageItem("scanResult9").text, "9 (AD 250000)")
        mouseClick(pageItem("scanResult247"))
        compare(pageItem("deviceIdField").text, "247")
    }

    // Select without a protocol says so and opens no page.
    function test_selectWithoutProtocol_saysSo() {
        mouseClick(findChild(screen, "addButton"))
        var selection = screen.instrumentSelectionPopup
        tryCompare(selection, "opened", true)
        mouseClick(inside(selection, "selectButton"))
        compare(inside(selection, "selectionStatus").text, "Choose a protocol first.")
        verify(selection.opened)
        compare(page(), null)
        selection.close()
    }

    // The same amplifier (protocol, port, id) is not added twice; another id on the same line is, and joins
    // the line whatever port its page named: its tile names the line's real port.
    function test_sameLine_sameAmplifierRefused_anotherJoins() {
        addPreCalibrated("RS485", rs485Port, "7")
        openPage("RS485")
        connectOn(rs485Port, "7")
        var dialog = pageItem("connectionErrorDialog")
        tryCompare(dialog, "opened", true)
        compare(dialog.title, "Invalid Input")
        compare(dialog.text, "This amplifier is already on the Weight Plot screen as amplifier 1; it is not added twice.")
        compare(page().currentAmplifier, null)
        dialog.close()
        page().close()
        tryCompare(testCase, "pageGone", true)
        addPreCalibrated("RS485", rs232Port, "8")
        simulators.serial(rs485Port, "load 8 350000")
        // The simulated amplifiers' own calibration: AD 100000 is empty, 600000 is 5000.00 g.
        tileWeightIs("1", "1500.00 g")
        tileWeightIs("2", "2500.00 g")
        compare(tileText("2", "tileIdentity"), "RS485 " + rs485Port + " #8")
    }

    // ZERO tells each selected amplifier's outcome; a refused one says what it holds. (Each outcome, TARE's
    // too, is collected by the model: tst_amplifierlistmodel.)
    function test_zeroAndTare_showEachAmplifiersOutcome_data() {
        return [
            { tag: "zero", button: "zeroButton", refuse: "refuse 247 0x0004 1", title: "Zero Failed",
              text: /^Load cell \d+: Zero done: the zero offset -?\d+ was written and read back\.$/,
              detail: "Zero failed: refused at 0x0004 (Modbus exception 2); nothing was changed (read back)." },
            { tag: "zero refused by both: the failures are the message", button: "zeroButton",
              refuse: "refuse 9 0x0004 1;refuse 247 0x0004 1", title: "Zero Failed", detail: "",
              text: /^(Load cell \d+: Zero failed: refused at 0x0004 \(Modbus exception 2\); nothing was changed \(read back\)\.\n?){2}$/ },
        ]
    }
    function test_zeroAndTare_showEachAmplifiersOutcome(data) {
        mouseClick(addPreCalibrated("RS485", rs485Port, "9"))
        mouseClick(addPreCalibrated("RS485", rs485Port, "247"))
        data.refuse.split(";").forEach(function(line) { compare(simulators.serial(rs485Port, line), "OK") })
        compare(screen.amplifiers.selectedNames, ["1", "2"])
        mouseClick(findChild(screen, data.button))
        var dialog = expectMessage(data.title, undefined, true)
        verify(data.text.test(dialog.text), dialog.text)
        compare(dialog.detail, data.detail.length > 0 ? "Load cell 2: " + data.detail : "")
        verify(findChild(dialog.contentItem, "dialogText").visible)
        mouseClick(findChild(dialog.contentItem, "dialogOk"))
        // What this test changed in the shared simulator goes back.
        simulators.serial(rs485Port, "set 9 4 0")
        simulators.serial(rs485Port, "set 247 4 0")
    }

    // Connect pressed twice, then the page closed after connecting, leaves the RS232 port free for the next;
    // a removed amplifier gives it back too, and its name is not given again.
    function test_rs232Port_isFreeAfterReconnect_closingThePage_andRemoval() {
        openPage("RS232")
        verify(!pageItem("deviceIdRow").visible && !pageItem("scanButton").visible)
        connectOn(rs232Port)
        waitForAd()
        mouseClick(pageItem("connectButton"))
        compare(pageItem("connectionErrorDialog").visible, false)
        verify(page().currentAmplifier.isConnected())
        waitForAd()
        keyClick(Qt.Key_Escape)
        tryCompare(testCase, "pageGone", true)
        compare(screen.amplifiers.addedCount, 0)
        mouseClick(addPreCalibrated("RS232", rs232Port))
        mouseClick(findChild(screen, "removeButton"))
        tryCompare(screen, "tileCount", 0)
        // ZERO with nothing selected zeroes nothing, and Remove says so.
        simulators.serial(rs232Port, "log 1")
        mouseClick(findChild(screen, "zeroButton"))
        compare(simulators.serial(rs232Port, "log 1"), "OK")
        mouseClick(findChild(screen, "removeButton"))
        expectMessage("No Selection", "Please select at least one amplifier to remove.")
        addPreCalibrated("RS232", rs232Port)
        verify(tile("2"), "the port is free again; the next amplifier is named 2")
    }

    function test_canOpenRoad_calibratesStepByStep() {
        openPage("CANOpen")
        connectOn(null, "1")
        var zeroAd = waitForAd()
        mouseClick(pageItem("zeroButton"))
        tryCompare(pageItem("zeroValueText"), "text", String(zeroAd), 5000)
        simulators.can("@1 load 2000")
        tryVerify(function() { return Number(pageItem("adReadout").text.substring(4)) !== zeroAd }, 5000)
        typeInto(pageItem("spanWeightField"), "2000")
        mouseClick(pageItem("spanButton"))
        tryVerify(function() { return page().spanCaptured }, 5000)
        mouseClick(pageItem("calibrateButton"))
        tryCompare(testCase, "pageGone", true)
        tileWeightIs("1", "2000.00 g")
    }

    function test_multiPoint_pausesTile_calibratesInGrams() {
        addPreCalibrated("RS485", rs485Port, "6")
        mouseClick(findChild(screen, "multiPointButton"))
        expectMessage("Multi-Point Calibration", "Select exactly one RS485 amplifier to calibrate with several points.")
        mouseClick(tile("1"))
        mouseClick(findChild(screen, "multiPointButton"))
        var popup = null
        tryVerify(function() { popup = findChild(screen, "multiPointPopup"); return popup !== null && popup.opened })
        compare(tileText("1", "tileState"), "calibrating")
        compare(inside(popup, "weightField_1").placeholderText, "Weight (g)")
        mouseClick(inside(popup, "startCalibrationButton"))
        var readout = inside(popup, "multiPointAdReadout")
        tryCompare(readout, "text", "AD: 250000", 5000)
        mouseClick(inside(popup, "captureButton_1"))
        tryCompare(inside(popup, "capturedText_1"), "text", "250000", 5000)
        typeInto(inside(popup, "weightField_1"), "0")
        simulators.serial(rs485Port, "load 6 650000")
        tryCompare(readout, "text", "AD: 650000", 5000)
        mouseClick(inside(popup, "captureButton_3"))
        tryCompare(inside(popup, "capturedText_3"), "text", "650000", 5000)
        typeInto(inside(popup, "weightField_3"), "-5")
        mouseClick(inside(popup, "calibrateMultiPointButton"))
        verify(inside(popup, "multiPointStatus").text.indexOf("Point 3") === 0, "a negative weight is refused")
        // A fraction rounds to the nearest gram; the uncaptured row 2 is left out.
        typeInto(inside(popup, "weightField_3"), "1999.6")
        mouseClick(inside(popup, "calibrateMultiPointButton"))
        tryVerify(function() { return findChild(screen, "multiPointPopup") === null })
        compare(simulators.serial(rs485Port, "get 6 0x001C"), "OK 200000")
        tileWeightIs("1", "2000.00 g")
        compare(tileText("1", "tileState"), "")
    }

    // The record button: "No Selection" without a selection, then STOP RECORDING in the theme's error colour
    // until a 5 s recording ends; tiles, selection and plot kept while another screen is shown; in the dark
    // theme the idle button is dark with a light label, as the theme's other buttons.
    function test_recordButton_andLeavingTheScreen() {
        addPreCalibrated("RS485", rs485Port, "1")
        var record = findChild(screen, "recordButton")
        compare(record.text, "START RECORDING")
        mouseClick(record)
        expectMessage("No Selection")

        mouseClick(tile("1"))
        mouseClick(findChild(window.contentItem, "sidebarSettings"))
        mouseClick(findChild(window.contentItem, "sidebarWeightPlot"))
        tryCompare(screen, "visible", true)
        compare(screen.amplifiers.selectedNames, ["1"])
        compare(tile("1").border.color, Theme.colorText)

        verify(screen.startRecording(1000, 5, LOGS_FOLDER + "/tst_weightplot.csv", "g"))
        compare(record.text, "STOP RECORDING")
        compare(record.fillColor, Theme.colorError)
        tryCompare(record, "text", "START RECORDING", 8000)
        // The header names the amplifier by the model chosen under Add, not the factory's placeholder.
        var header = testFiles.readText(LOGS_FOLDER + "/tst_weightplot.csv").split("\n")[0]
        verify(header.startsWith("Timestamp,Load cell 1 — ") && header.endsWith(" RS485 " + rs485Port + " #1 (g)"), header)
        verify(header.indexOf("AmplifierModel") < 0, header)

        var previous = Theme.currentTheme
        Theme.loadTheme("THEME_DESKTOP_DARK")
        verify(record.fillColor.hslLightness < 0.3 && record.labelColor.hslLightness > 0.7, record.fillColor)
        Theme.loadTheme(previous)
    }

    // A calibration that means nothing is refused, and one the amplifier does not take fails: the page shows
    // why, stays open and writes nothing. Calibrate without both points says so; once the amplifier answers
    // again the reading resumes and a retry hands it over.
    function test_calibrationRefusedOrFailed_keepsThePageOpen_data() {
        return [{ tag: "empty weight", weight: "", spanAd: 300000 },
                { tag: "zero AD equals span AD", weight: "1000", spanAd: 250000 },
                { tag: "weight beyond 32 bits", weight: "99999999999", spanAd: 300000,
                  status: "The span weight 99999999999 g is too large: the amplifier stores at most 42949672 g." },
                { tag: "amplifier silent", weight: "500", spanAd: 260000, fault: "silence" }]
    }
    function test_calibrationRefusedOrFailed_keepsThePageOpen(data) {
        var id = data.fault ? "3" : "247" // the one that is calibrated in the end is not the others' 247
        openPage("RS485")
        connectOn(rs485Port, id)
        waitForAd(250000)
        mouseClick(pageItem("calibrateButton"))
        verify(pageItem("statusText").text.indexOf("ZERO") >= 0, pageItem("statusText").text)
        mouseClick(pageItem("zeroButton"))
        tryCompare(pageItem("zeroValueText"), "text", "250000", 5000)
        simulators.serial(rs485Port, "load " + id + " " + data.spanAd)
        waitForAd(data.spanAd)
        mouseClick(pageItem("spanButton"))
        tryCompare(pageItem("spanValueText"), "text", String(data.spanAd), 5000)
        typeInto(pageItem("spanWeightField"), data.weight)
        simulators.serial(rs485Port, data.fault ? "fault " + id + " " + data.fault : "log " + id)
        mouseClick(pageItem("calibrateButton"))
        verify(page() !== null && page().opened, "the page stays open")
        verify(pageItem("statusText").visible && pageItem("statusText").text.length > 0, "the page says why")
        if (data.status)
            compare(pageItem("statusText").text, data.status)
        compare(screen.amplifiers.addedCount, 0)
        if (!data.fault)
            return compare(simulators.serial(rs485Port, "log " + id), "OK", "nothing was written")
        simulators.serial(rs485Port, "fault " + id + " none")
        simulators.serial(rs485Port, "load " + id + " 270000")
        waitForAd(270000)
        mouseClick(pageItem("calibrateButton"))
        tryCompare(testCase, "pageGone", true)
        compare(screen.amplifiers.addedCount, 1)
    }

    // A tile whose amplifier stops answering is marked stale with the driver's reason, its last weight still
    // readable; the mark goes when the answers come back. (When it counts as stale: tst_amplifierlistmodel.)
    function test_staleTile_isMarkedAndClears() {
        addPreCalibrated("RS485", rs485Port, "3")
        var weight = findChild(tile("1"), "tileWeight")
        tryVerify(function() { return /^\d+\.\d\d g$/.test(weight.text) }, 5000)
        compare(tileText("1", "tileState"), "")
        simulators.serial(rs485Port, "fault 3 silence")
        tryVerify(function() { return /^no answer for \d+ s$/.test(tileText("1", "tileState")) }, 10000,
                  tileText("1", "tileState"))
        verify(tile("1").stale)
        verify(/^\d+\.\d\d g$/.test(weight.text), "the last weight stays readable")
        simulators.serial(rs485Port, "fault 3 none")
        tryCompare(tile("1"), "stale", false, 10000)
        compare(tileText("1", "tileState"), "")
    }
}

import QtQuick
import QtTest

import ComponentLibrary

// The road of an amplifier through the real main window: Add, Select, Connect, calibrate, the tile on the
// Weight Plot screen and what its buttons do, with the real drivers against simulated amplifiers (an RS485
// line, an RS232 amplifier and CANopen nodes).
TestCase {
    id: testCase
    name: "WeightPlot"
    when: windowShown

    property string rs485Port: ""
    property string rs232Port: ""
    property var window: null
    property var screen: null

    readonly property var palette: ["#a91e22", "#c58800", "#40b040", "#3a5eab", "#7233ac", "#8c2a8c", "#777777",
                                    "#414141"]

    Component {
        id: windowComponent
        Loader { source: "qrc:/DesktopApplication.qml" }
    }

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
        window = createTemporaryObject(windowComponent, testCase).item
        verify(window)
        window.requestActivate()
        screen = findChild(window.contentItem, "weightPlotScreen")
        verify(screen)
    }

    function cleanup() {
        // Whatever a test left connected gives its port back, as the program does when it ends.
        if (page())
            page().close()
        if (screen) {
            screen.amplifiersOnScreen().forEach(function(a) { a.stopContinuousADRead(); a.disconnect() })
        }
        screen = null
        window = null
    }

    // Popups keep what repeaters create under their content item only.
    function inside(object, name) {
        var found = object.contentItem ? findChild(object.contentItem, name) : null
        return found ? found : findChild(object, name)
    }

    function typeInto(field, text) {
        mouseClick(field)
        field.selectAll()
        keyClick(Qt.Key_Delete)
        for (var i = 0; i < text.length; i++)
            keyClick(text[i])
        compare(field.text, text)
    }

    function page() {
        return screen.instrumentSelectionPopup ? screen.instrumentSelectionPopup.calibrationPage : null
    }

    function pageItem(name) {
        var found = inside(page(), name)
        verify(found, name)
        return found
    }

    // Add → protocol → first model → Select: the calibration page, open.
    function openPage(protocol) {
        mouseClick(findChild(screen, "addButton"))
        var selection = screen.instrumentSelectionPopup
        verify(selection)
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

    function waitForAd() {
        tryVerify(function() { return /^AD: \d+$/.test(pageItem("adReadout").text) }, 5000, "AD read-out counts")
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
    readonly property bool pageGone: screen !== null && screen.instrumentSelectionPopup !== null
                                     && screen.instrumentSelectionPopup.calibrationPage === null

    function tile(name) {
        return findChild(screen, "tile_" + name)
    }

    function tileText(name, part) {
        return findChild(tile(name), part).text
    }

    // A read-out that stopped counting shows no AD value, says why, and ZERO captures nothing from it.
    function test_staleAdReadout_data() {
        return [{ tag: "silent", fault: "silence", why: /^no answer for \d+ s$/ },
                { tag: "refusing", fault: "exception", why: /^refused: Modbus exception 2$/ }]
    }
    function test_staleAdReadout(data) {
        openPage("RS485")
        connectOn(rs485Port, "6")
        waitForAd()
        simulators.serial(rs485Port, "fault 6 " + data.fault)
        tryCompare(pageItem("adReadout"), "text", "AD: —", 5000)
        verify(data.why.test(pageItem("adStaleText").text), pageItem("adStaleText").text)
        mouseClick(pageItem("zeroButton"))
        compare(pageItem("zeroValueText").text, "0")
        verify(/^The AD read-out is not current/.test(pageItem("statusText").text), pageItem("statusText").text)
    }

    function test_rs485Road_calibratesAndTileFollows() {
        openPage("RS485")
        verify(pageItem("deviceIdRow").visible)
        connectOn(rs485Port, "2")
        compare(pageItem("spanButton").enabled, false)
        var zeroAd = waitForAd()
        mouseClick(pageItem("zeroButton"))
        compare(pageItem("zeroValueText").text, String(zeroAd))
        simulators.serial(rs485Port, "load 2 450000")
        tryVerify(function() { return pageItem("adReadout").text === "AD: 450000" }, 5000)
        mouseClick(pageItem("spanButton"))
        compare(pageItem("spanValueText").text, "450000")
        typeInto(pageItem("spanWeightField"), "1000")
        mouseClick(pageItem("calibrateButton"))
        tryCompare(testCase, "pageGone", true)

        compare(tileText("1", "tileTitle"), "Load cell 1")
        compare(tile("1").color, Qt.color(palette[0]))
        tryCompare(findChild(tile("1"), "tileWeight"), "text", "1000.00 g", 5000)
        simulators.serial(rs485Port, "load 2 350000")
        tryCompare(findChild(tile("1"), "tileWeight"), "text", "500.00 g", 5000)

        // The unit shows within one refresh: the tile reads again as soon as the unit changes.
        mouseClick(findChild(screen, "unitSelector_kg"))
        compare(tileText("1", "tileWeight"), "0.50 kg")
        mouseClick(findChild(screen, "unitSelector_lb"))
        compare(tileText("1", "tileWeight"), "1.10 lb")
        mouseClick(findChild(screen, "unitSelector_g"))

        // ZERO on the selected tile brings the weight to nought.
        mouseClick(tile("1"))
        compare(tile("1").border.color, Theme.colorText)
        mouseClick(findChild(screen, "zeroButton"))
        tryCompare(findChild(tile("1"), "tileWeight"), "text", "0.00 g", 5000)
        var zeroDialog = findChild(screen, "messageDialog")
        compare(zeroDialog.title, "Zero Done")
        mouseClick(findChild(zeroDialog.contentItem, "dialogOk"))
        tryCompare(zeroDialog, "opened", false)

        mouseClick(findChild(screen, "autoScaleSwitch"))
        verify(findChild(screen, "autoScaleSwitch").checked)
        mouseClick(findChild(screen, "removeButton"))
        tryCompare(screen, "tileCount", 0)
        compare(screen.amplifiers.addedCount, 1, "a removed amplifier stays in the list")
    }

    function test_calibrationFailure_keepsPageOpenWithTheAmplifiersReason() {
        openPage("RS485")
        connectOn(rs485Port, "3")
        waitForAd()
        // ZERO before any capture and Calibrate without both points write nothing.
        mouseClick(pageItem("calibrateButton"))
        verify(pageItem("statusText").text.indexOf("ZERO") >= 0)
        mouseClick(pageItem("zeroButton"))
        simulators.serial(rs485Port, "load 3 260000")
        tryVerify(function() { return pageItem("adReadout").text === "AD: 260000" }, 5000)
        mouseClick(pageItem("spanButton"))
        typeInto(pageItem("spanWeightField"), "500")
        simulators.serial(rs485Port, "fault 3 silence")
        mouseClick(pageItem("calibrateButton"))
        verify(page() !== null && page().opened, "the page stays open")
        verify(pageItem("statusText").visible && pageItem("statusText").text.length > 0, "the amplifier's reason")
        compare(screen.amplifiers.addedCount, 0)

        // The reading resumes, and a retry after the fault is gone hands the amplifier over.
        simulators.serial(rs485Port, "fault 3 none")
        simulators.serial(rs485Port, "load 3 270000")
        tryVerify(function() { return pageItem("adReadout").text === "AD: 270000" }, 5000)
        mouseClick(pageItem("calibrateButton"))
        tryCompare(testCase, "pageGone", true)
        compare(screen.amplifiers.addedCount, 1)
    }

    function test_zeroBeforeAnyAdValue_capturesNothing() {
        openPage("RS485")
        // No event is processed between the two clicks, so no AD value can have arrived.
        connectOn(rs485Port, "4")
        compare(pageItem("adReadout").text, "AD:")
        mouseClick(pageItem("zeroButton"))
        compare(pageItem("zeroValueText").text, "0")
        compare(pageItem("spanButton").enabled, false)
        verify(pageItem("statusText").text.indexOf("No AD value") === 0)
        var ad = waitForAd()
        mouseClick(pageItem("zeroButton"))
        compare(pageItem("zeroValueText").text, String(ad))
        compare(pageItem("spanButton").enabled, true)
    }

    function test_deviceIds_data() {
        return [
            { tag: "RS485 0", protocol: "RS485", id: "0", ok: false },
            { tag: "RS485 248", protocol: "RS485", id: "248", ok: false },
            { tag: "RS485 abc", protocol: "RS485", id: "abc", ok: false },
            { tag: "RS485 empty", protocol: "RS485", id: "", ok: false },
            { tag: "RS485 1", protocol: "RS485", id: "1", ok: true },
            { tag: "RS485 247", protocol: "RS485", id: "247", ok: true },
            { tag: "RS485 leading digits 5x", protocol: "RS485", id: "5x", ok: false },
            { tag: "RS485 fraction 3.9", protocol: "RS485", id: "3.9", ok: false },
            { tag: "CANOpen 128", protocol: "CANOpen", id: "128", ok: false },
            { tag: "CANOpen 0", protocol: "CANOpen", id: "0", ok: false },
            { tag: "CANOpen 2", protocol: "CANOpen", id: "2", ok: true },
        ]
    }

    function test_deviceIds(data) {
        openPage(data.protocol)
        compare(pageItem("deviceIdRow").visible, data.protocol.length > 0)
        if (data.protocol.length > 0) {
            if (data.protocol === "RS485")
                pageItem("portSelector").currentIndex = pageItem("portSelector").find(rs485Port)
            typeInto(pageItem("deviceIdField"), data.id)
        }
        mouseClick(pageItem("connectButton"))
        var dialog = pageItem("connectionErrorDialog")
        compare(dialog.visible, !data.ok)
        compare(page().currentAmplifier !== null, data.ok)
        if (!data.ok) {
            // A typing mistake, not a connection that failed: nothing was tried on the link.
            compare(dialog.title, "Invalid Input")
            var range = data.protocol === "CANOpen" ? "1 to 127" : "1 to 247"
            verify(dialog.text.indexOf(range) >= 0 && dialog.text.indexOf("\"" + data.id + "\"") >= 0, dialog.text)
        } else {
            waitForAd()
        }
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

    // The same amplifier (protocol, port, id) is not added twice; another id on the same line is.
    function test_amplifierAlreadyOnScreen_isRefused() {
        addPreCalibrated("RS485", rs485Port, "6")
        openPage("RS485")
        connectOn(rs485Port, "6")
        var dialog = pageItem("connectionErrorDialog")
        tryCompare(dialog, "opened", true)
        compare(dialog.title, "Invalid Input")
        compare(dialog.text, "This amplifier is already on the Weight Plot screen as amplifier 1; it is not added twice.")
        compare(page().currentAmplifier, null)
        dialog.close()
        connectOn(rs485Port, "7")
        waitForAd()
    }

    // The second joins the line whatever port its page named; its tile names the line's real port.
    function test_secondRs485AmplifierOnTheSameLine() {
        addPreCalibrated("RS485", rs485Port, "7")
        addPreCalibrated("RS485", rs232Port, "8")
        simulators.serial(rs485Port, "load 8 350000")
        // The simulated amplifiers' own calibration: AD 100000 is empty, 600000 is 5000.00 g.
        tryCompare(findChild(tile("1"), "tileWeight"), "text", "1500.00 g", 5000)
        tryCompare(findChild(tile("2"), "tileWeight"), "text", "2500.00 g", 5000)
        compare(tileText("2", "tileIdentity"), "RS485 " + rs485Port + " #8")
    }

    // ZERO and TARE tell each selected amplifier's outcome; a refused one says what it holds.
    function test_zeroAndTare_showEachAmplifiersOutcome_data() {
        return [
            { tag: "zero", button: "zeroButton", refuse: "refuse 247 0x0004 1", title: "Zero Failed",
              text: /^Load cell \d+: Zero done: the zero offset -?\d+ was written and read back\.$/,
              detail: "Zero failed: refused at 0x0004 (Modbus exception 2); nothing was changed (read back)." },
            { tag: "tare", button: "tareButton", refuse: "refuse 247 0x0000 1", title: "Tare Failed",
              text: /^Load cell \d+: Tare on\.$/,
              detail: "Tare failed: refused at 0x0000 (Modbus exception 2); the tare is still off." },
            { tag: "zero refused by both: the failures are the message", button: "zeroButton", refuse: "refuse 9 0x0004 1;refuse 247 0x0004 1",
              title: "Zero Failed", detail: "",
              text: /^(Load cell \d+: Zero failed: refused at 0x0004 \(Modbus exception 2\); nothing was changed \(read back\)\.\n?){2}$/ },
        ]
    }
    function test_zeroAndTare_showEachAmplifiersOutcome(data) {
        var first = addPreCalibrated("RS485", rs485Port, "9")
        var second = addPreCalibrated("RS485", rs485Port, "247")
        data.refuse.split(";").forEach(function(line) { compare(simulators.serial(rs485Port, line), "OK") })
        mouseClick(first)
        mouseClick(second)
        compare(screen.amplifiers.selectedNames.length, 2)
        mouseClick(findChild(screen, data.button))
        var dialog = findChild(screen, "messageDialog")
        tryCompare(dialog, "opened", true)
        compare(dialog.title, data.title)
        verify(data.text.test(dialog.text), dialog.text)
        compare(dialog.detail, data.detail.length > 0 ? "Load cell " + screen.amplifiers.addedCount + ": " + data.detail : "")
        verify(findChild(dialog.contentItem, "dialogText").visible)
        mouseClick(findChild(dialog.contentItem, "dialogOk"))
        // What this test changed in the shared simulator goes back.
        if (data.button === "tareButton")
            screen.findAmplifier(String(screen.amplifiers.addedCount - 1)).tare() // the first one took the tare: off again
        simulators.serial(rs485Port, "set 9 4 0")
        simulators.serial(rs485Port, "set 247 4 0")
    }

    // Remove gives the RS232 port back; the name is not reused and every amplifier keeps its colour.
    function test_remove_releasesLink_recolours_andNamesGoOn() {
        addPreCalibrated("RS485", rs485Port, "5")
        addPreCalibrated("RS232", rs232Port, undefined)
        mouseClick(tile("1"))
        mouseClick(findChild(screen, "removeButton"))
        tryCompare(screen, "tileCount", 1)
        compare(tile("2").color, Qt.color(palette[1]))
        compare(screen.amplifiers.selectedNames.length, 0)

        // ZERO with nothing selected zeroes nothing, not even the removed amplifier.
        simulators.serial(rs485Port, "log 5")
        mouseClick(findChild(screen, "zeroButton"))
        compare(simulators.serial(rs485Port, "log 5"), "OK")

        mouseClick(tile("2"))
        mouseClick(findChild(screen, "removeButton"))
        tryCompare(screen, "tileCount", 0)
        addPreCalibrated("RS232", rs232Port)
        verify(tile("3"), "the next amplifier is named 3")
        compare(tile("3").color, Qt.color(palette[2]))

        // Remove with nothing selected says so.
        mouseClick(findChild(screen, "removeButton"))
        var dialog = findChild(screen, "messageDialog")
        tryCompare(dialog, "opened", true)
        compare(dialog.title, "No Selection")
        compare(dialog.text, "Please select at least one amplifier to remove.")
    }

    // Connect pressed twice, or a page closed after connecting, leaves the RS232 port free for the next.
    function test_rs232Port_isFreeAfterReconnectAndAfterClosingThePage() {
        openPage("RS232")
        verify(!pageItem("deviceIdRow").visible)
        connectOn(rs232Port)
        waitForAd()
        mouseClick(pageItem("connectButton"))
        compare(pageItem("connectionErrorDialog").visible, false)
        verify(page().currentAmplifier.isConnected())
        waitForAd()

        // A press outside closes the page without hand-over.
        mouseClick(window.contentItem, 4, 4)
        tryCompare(testCase, "pageGone", true)
        compare(screen.amplifiers.addedCount, 0)

        openPage("RS232")
        compare(pageItem("adReadout").text, "AD:", "a fresh page")
        connectOn(rs232Port)
        compare(pageItem("connectionErrorDialog").visible, false)
        waitForAd()
        keyClick(Qt.Key_Escape)
        tryCompare(testCase, "pageGone", true)
        addPreCalibrated("RS232", rs232Port)
        compare(screen.amplifiers.addedCount, 1)

        // The tile's amplifier holds the port: the same amplifier is not added again.
        openPage("RS232")
        connectOn(rs232Port)
        var dialog = pageItem("connectionErrorDialog")
        compare(dialog.visible, true)
        compare(dialog.title, "Invalid Input")
        compare(dialog.text, "This amplifier is already on the Weight Plot screen as amplifier 1; it is not added twice.")
    }

    function test_canOpenRoad_calibratesStepByStep() {
        openPage("CANOpen")
        connectOn(null, "1")
        var zeroAd = waitForAd()
        mouseClick(pageItem("zeroButton"))
        compare(pageItem("zeroValueText").text, String(zeroAd))
        simulators.can("@1 load 2000")
        tryVerify(function() { return Number(pageItem("adReadout").text.substring(4)) !== zeroAd }, 5000)
        typeInto(pageItem("spanWeightField"), "2000")
        mouseClick(pageItem("spanButton"))
        mouseClick(pageItem("calibrateButton"))
        tryCompare(testCase, "pageGone", true)
        tryCompare(findChild(tile("1"), "tileWeight"), "text", "2000.00 g", 5000)
    }

    // The ninth amplifier takes the first colour again and starts a third row.
    function test_ninthAmplifier_wrapsColourAndRow() {
        for (var id = 1; id <= 9; id++)
            addPreCalibrated("RS485", rs485Port, String(id))
        compare(tile("9").color, Qt.color(palette[0]))
        compare(tile("8").color, Qt.color(palette[7]))
        compare(tile("9").y, 2 * tile("1").height)
        compare(tile("9").x, 0)
    }

    function test_multiPoint_pausesTile_calibratesInGrams() {
        addPreCalibrated("RS485", rs485Port, "6")
        mouseClick(findChild(screen, "multiPointButton"))
        tryCompare(findChild(screen, "messageDialog"), "opened", true, 2000, "needs one selected amplifier")
        findChild(screen, "messageDialog").close()

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
        typeInto(inside(popup, "weightField_1"), "0")
        simulators.serial(rs485Port, "load 6 650000")
        tryCompare(readout, "text", "AD: 650000", 5000)
        mouseClick(inside(popup, "captureButton_3"))
        typeInto(inside(popup, "weightField_3"), "-5")
        mouseClick(inside(popup, "calibrateMultiPointButton"))
        verify(inside(popup, "multiPointStatus").text.indexOf("Point 3") === 0, "a negative weight is refused")
        // A fraction rounds to the nearest gram; the uncaptured row 2 is left out.
        typeInto(inside(popup, "weightField_3"), "1999.6")
        mouseClick(inside(popup, "calibrateMultiPointButton"))
        tryVerify(function() { return findChild(screen, "multiPointPopup") === null })
        compare(simulators.serial(rs485Port, "get 6 0x001C"), "OK 200000")
        tryCompare(findChild(tile("1"), "tileWeight"), "text", "2000.00 g", 5000)
        compare(tileText("1", "tileState"), "")
    }

    // The record button: "No Selection" without a selection, then the countdown of a 5 s recording, and
    // tiles, selection and plot kept while another screen is shown.
    function test_recordButton_andLeavingTheScreen() {
        addPreCalibrated("RS485", rs485Port, "1")
        var record = findChild(screen, "recordButton")
        compare(record.text, "START RECORDING")
        mouseClick(record)
        var dialog = findChild(screen, "messageDialog")
        tryCompare(dialog, "opened", true)
        compare(dialog.title, "No Selection")
        dialog.close()
        tryCompare(dialog, "visible", false)

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
    }

    // In the dark theme the idle button is dark with a light label, as the theme's other buttons.
    function test_recordButton_followsTheDarkTheme() {
        var previous = Theme.currentTheme
        Theme.loadTheme("THEME_DESKTOP_DARK")
        var record = findChild(screen, "recordButton")
        verify(record.fillColor.hslLightness < 0.3 && record.labelColor.hslLightness > 0.7, record.fillColor)
        Theme.loadTheme(previous)
    }

    // A calibration that means nothing is refused; the page shows why, stays open and writes nothing.
    function test_meaninglessCalibration_isRefused_data() {
        return [
            { tag: "empty weight", weight: "", spanAd: 300000 },
            { tag: "weight not a number", weight: "abc", spanAd: 300000 },
            { tag: "negative weight", weight: "-3", spanAd: 300000 },
            { tag: "weight 0", weight: "0", spanAd: 300000 },
            { tag: "zero AD equals span AD", weight: "1000", spanAd: 250000 },
            { tag: "weight beyond 32 bits", weight: "99999999999", spanAd: 300000,
              status: "The span weight 99999999999 g is too large: the amplifier stores at most 42949672 g." },
        ]
    }

    function test_meaninglessCalibration_isRefused(data) {
        openPage("RS485")
        connectOn(rs485Port, "247")
        tryVerify(function() { return pageItem("adReadout").text === "AD: 250000" }, 5000)
        mouseClick(pageItem("zeroButton"))
        simulators.serial(rs485Port, "load 247 " + data.spanAd)
        tryVerify(function() { return pageItem("adReadout").text === "AD: " + data.spanAd }, 5000)
        mouseClick(pageItem("spanButton"))
        typeInto(pageItem("spanWeightField"), data.weight)
        simulators.serial(rs485Port, "log 247")
        mouseClick(pageItem("calibrateButton"))
        verify(page() !== null && page().opened, "the page stays open")
        verify(pageItem("statusText").text.length > 0, "the page says why")
        if (data.status)
            compare(pageItem("statusText").text, data.status)
        compare(screen.amplifiers.addedCount, 0)
        compare(simulators.serial(rs485Port, "log 247"), "OK", "nothing was written")
    }

    function test_staleTile_isMarkedAndClears_data() {
        return [
            { tag: "silent", fault: "silence", state: /^no answer for \d+ s$/ },
            { tag: "refusing", fault: "exception", state: /^refused: Modbus exception 2$/ },
            { tag: "garbled", fault: "bad-crc", state: /^bad checksum$/ },
        ]
    }

    // A tile whose amplifier stops answering is marked stale with the driver's reason, its last weight still
    // readable; the mark goes when the answers come back.
    function test_staleTile_isMarkedAndClears(data) {
        addPreCalibrated("RS485", rs485Port, "3")
        var weight = findChild(tile("1"), "tileWeight")
        tryVerify(function() { return /^\d+\.\d\d g$/.test(weight.text) }, 5000)
        compare(tileText("1", "tileState"), "")
        simulators.serial(rs485Port, "fault 3 " + data.fault)
        tryVerify(function() { return data.state.test(tileText("1", "tileState")) }, 10000, tileText("1", "tileState"))
        verify(tile("1").stale)
        verify(/^\d+\.\d\d g$/.test(weight.text), "the last weight stays readable")
        simulators.serial(rs485Port, "fault 3 none")
        tryCompare(tile("1"), "stale", false, 10000)
        compare(tileText("1", "tileState"), "")
    }
}

import QtQuick
import QtTest

import com.example.amplifiers

// Captures at rest on the calibration pages, the calibration an amplifier holds, and the guided check of
// its own screen, with the real drivers against a simulated RS485 line whose loads settle.
WindowTestCase {
    id: testCase
    name: "Check"

    property string line: ""

    function initTestCase() {
        line = simulators.startSerial("1,2,3,4,5")
        verify(line.length > 0, "simulated RS485 line")
    }

    function init() {
        ["fault all none", "noise all 0", "settle all 0", "load all 100000"].forEach(function(c) { simulators.serial(line, c) })
        openMain()
    }

    function cleanup() {
        utilsLanguage.loadLanguage("English")
        releaseAll()
    }

    function page() { return screen.instrumentSelectionPopup ? screen.instrumentSelectionPopup.calibrationPage : null }
    function pageItem(name) { return inside(page(), name) }

    // The calibration page of RS485 amplifier `id`, connected, its AD read-out counting.
    function openPage(id) {
        mouseClick(findChild(screen, "addButton"))
        var selection = screen.instrumentSelectionPopup
        tryCompare(selection, "opened", true)
        mouseClick(inside(selection, "protocol_RS485"))
        waitForRendering(selection.contentItem)
        mouseClick(inside(selection, "model_0"))
        mouseClick(inside(selection, "selectButton"))
        tryVerify(function() { return page() !== null && page().opened })
        var ports = pageItem("portSelector")
        ports.currentIndex = ports.find(line)
        typeInto(pageItem("deviceIdField"), String(id))
        mouseClick(pageItem("connectButton"))
        tryVerify(function() { return /^AD: \d+$/.test(pageItem("adReadout").text) }, 5000)
    }

    // ZERO waits while the load moves: after a settling load it takes the mean of a window at rest; a load
    // that never settles is taken with "capture anyway" (noted beside it) or gives up after the time-out.
    function test_zeroWaitsForRest_data() {
        return [{ tag: "settling load", anyway: false, settled: true },
                { tag: "never settles: capture anyway", noise: "noise 1 3000", anyway: true },
                { tag: "never settles: time-out", noise: "noise 1 3000", timeoutMs: 1500,
                  failure: /^ZERO: No stable reading within 1\.5 s/ }]
    }
    function test_zeroWaitsForRest(data) {
        if (data.noise) {
            simulators.serial(line, data.noise)
            simulators.serial(line, "load 1 300000")
        }
        openPage(1)
        if (!data.noise) {
            tryCompare(pageItem("stabilityText"), "text", "stable", 5000)
            simulators.serial(line, "settle 1 1000")
            simulators.serial(line, "load 1 300000")
        }
        if (data.timeoutMs)
            page().captureTimeoutMs = data.timeoutMs
        tryCompare(pageItem("stabilityText"), "text", "not stable", 5000)
        var pressedAt = Number(pageItem("adReadout").text.substring(4))
        mouseClick(pageItem("zeroButton"))
        compare(pageItem("captureWaitText").text, "ZERO: waiting for a stable reading…")
        compare(pageItem("zeroValueText").text, "0")
        if (data.anyway) {
            mouseClick(pageItem("captureAnywayButton"))
            verify(Math.abs(Number(pageItem("zeroValueText").text) - 300000) < 3000, pageItem("zeroValueText").text)
            verify(pageItem("capturedAnywayNote").visible, "a point taken anyway says so")
        } else if (data.failure) {
            tryVerify(function() { return data.failure.test(pageItem("captureWaitText").text) }, 5000)
            compare(pageItem("zeroValueText").text, "0")
            compare(pageItem("spanButton").enabled, false)
        } else {
            verify(Math.abs(pressedAt - 300000) > 10000, "pressed while the load still moved: " + pressedAt)
            tryVerify(function() { return page().zeroCaptured }, 15000)
            compare(pageItem("stabilityText").text, "stable")
            // At rest the window spreads less than 200 counts; with this settling its mean lags the load by
            // at most about twice that.
            verify(Math.abs(Number(pageItem("zeroValueText").text) - 300000) < 600, pageItem("zeroValueText").text)
            verify(!pageItem("capturedAnywayNote").visible)
        }
    }

    // The multi-point popup waits the same way, per point, and notes a point taken anyway in its row.
    function test_multiPointPointWaitsAndNotesAnyway() {
        simulators.serial(line, "noise 5 3000")
        simulators.serial(line, "load 5 300000")
        mouseClick(add("RS485", line, 5) && tile("1"))
        mouseClick(findChild(screen, "multiPointButton"))
        var popup = null
        tryVerify(function() { popup = findChild(screen, "multiPointPopup"); return popup !== null && popup.opened })
        mouseClick(inside(popup, "startCalibrationButton"))
        tryVerify(function() { return /^AD: \d+$/.test(inside(popup, "multiPointAdReadout").text) }, 5000)
        compare(inside(popup, "stabilityText").text, "not stable")
        mouseClick(inside(popup, "captureButton_2"))
        compare(inside(popup, "captureWaitText").text, "Point 2: waiting for a stable reading…")
        compare(inside(popup, "capturedText_2").text, "Not Captured")
        mouseClick(inside(popup, "captureAnywayButton"))
        verify(Math.abs(Number(inside(popup, "capturedText_2").text) - 300000) < 3000, inside(popup, "capturedText_2").text)
        verify(findChild(inside(popup, "capturedText_2"), "capturedAnywayNote").visible, "the row says it was taken anyway")
        popup.close()
    }

    // What the page shows of the amplifier's own calibration is what was written to it, or only why it could
    // not be read.
    function test_storedCalibration_data() {
        return [{ tag: "as written", fault: "", summary: "Points: 2, zero offset: 0",
                  points: ["Point 1: AD 120000 = 0.00 g", "Point 2: AD 620000 = 2,500.00 g"] },
                { tag: "read fails", fault: "fault 2 silence", summary: /^Could not read it: /, points: [] }]
    }
    function test_storedCalibration(data) {
        var amplifier = AmplifierFactory.createAmplifier("RS485", "AmplifierModel", line, 9600, 2, sharedBus)
        tryVerify(function() { if (!amplifier.isConnected()) amplifier.connect(); return amplifier.isConnected() }, 10000)
        amplifier.calibrateTwoPoints(120000, 620000, 2500)
        amplifier.disconnect()
        openPage(2)
        if (data.fault.length > 0) {
            simulators.serial(line, data.fault)
            mouseClick(pageItem("readStoredButton"))
        }
        var summary = pageItem("storedSummary").text
        verify(typeof data.summary === "string" ? summary === data.summary : data.summary.test(summary), summary)
        compare(pageItem("storedPoints").count, data.points.length)
        data.points.forEach(function(text, i) { compare(pageItem("storedPoint_" + (i + 1)).text, text) })
        var curve = pageItem("storedCurve")
        compare(curve.visible, data.points.length > 0)
        compare(curve.pointCount, data.points.length)
        if (data.points.length > 0)
            verify(curve.xLow < 120000 && curve.xHigh > 620000 && curve.yLow < 0 && curve.yHigh > 2500, "the axes hold every point")
        simulators.serial(line, "fault 2 none")
    }

    // Entries a check cannot run with are refused with the reason, and nothing starts (no step, no file).
    function test_checkRefusesBadEntries_data() {
        return [{ tag: "loads not rising", loads: "0, 500, 400, 1500, 2000", error: "Test loads must rise: 400 g comes after 500 g." },
                { tag: "too few loads", loads: "0, 2000", error: "At least 5 test loads are needed, from near zero to near the maximum; 2 given." },
                { tag: "empty load", loads: "0, , 1000, 1500, 2000", error: "Test load 2 is empty." },
                { tag: "negative load", loads: "-5, 500, 1000, 1500, 2000", error: "Test load -5 g is negative." },
                { tag: "tolerance 0", tolerance: "0", error: "The tolerance must be greater than 0 (grams, or percent of the load)." },
                { tag: "scale interval in percent", division: "1 %", error: "Scale interval: give it in grams." },
                { tag: "no amplifier", none: true, error: "Choose an amplifier of the Weight Plot screen first." },
                { tag: "French: loads not rising", language: "Français", loads: "0, 500, 400, 1500, 2000", error: "Les charges d'essai doivent croître : 400 g vient après 500 g." }]
    }
    function test_checkRefusesBadEntries(data) {
        if (data.language)
            utilsLanguage.loadLanguage(data.language)
        if (!data.none)
            add("RS485", line, 4)
        mouseClick(findChild(window.contentItem, "sidebarCheck"))
        var check = findChild(window.contentItem, "checkScreen")
        tryCompare(check, "visible", true)
        findChild(check, "loadsField").text = data.loads || "0, 500, 1000, 1500, 2000"
        findChild(check, "toleranceField").text = data.tolerance || "2 g"
        findChild(check, "divisionField").text = data.division || "1"
        mouseClick(findChild(check, "startCheckButton"))
        compare(findChild(check, "checkError").text, data.error)
        verify(!check.running && !findChild(check, "checkFiles").visible, "nothing started")
    }

    // A short check through its screen (the simulated amplifiers: AD 100000 empty, 100 counts per gram): each
    // load placed on the simulator and seen on the screen, Placed pressed, the reading taken at rest; the
    // table, verdict and CSV say what happened. An unplugged RS232 amplifier gives no reading: the step gives
    // up after its time-out, the technician stops, and what was recorded stays in the CSV.
    function test_guidedCheck_data() {
        return [{ tag: "within tolerance", id: 3, offAt: -1, verdict: "PASS", rising: ["0.0", "0.0", "0.0", "0.0", "0.0"] },
                { tag: "one load 3 g heavy", id: 3, offAt: 3, verdict: "FAIL", rising: ["0.0", "0.0", "3.0", "0.0", "0.0"] },
                { tag: "unplugged mid-check", id: 1, offAt: -1, unplugAt: 4, verdict: "INCOMPLETE" }]
    }
    function test_guidedCheck(data) {
        var port = data.unplugAt ? simulators.startSerial("1") : line
        var amplifier = add(data.unplugAt ? "RS232" : "RS485", port, data.id)
        simulators.serial(port, "settle " + data.id + " 100")
        mouseClick(findChild(window.contentItem, "sidebarCheck"))
        var check = findChild(window.contentItem, "checkScreen")
        tryCompare(check, "visible", true)
        var selector = findChild(check, "checkAmplifierSelector")
        selector.currentIndex = selector.find("Load cell 1 — " + amplifier.getLinkDescription())
        verify(selector.currentIndex >= 0)
        findChild(check, "loadsField").text = "0, 500, 1000, 1500, 2000"
        findChild(check, "toleranceField").text = "2 g"
        findChild(check, "repeatField").text = "2"
        findChild(check, "timeoutField").text = data.unplugAt ? "2" : "30"
        mouseClick(findChild(check, "startCheckButton"))
        compare(findChild(check, "checkError").text, "")
        var sequence = check.running ? findChild(check, "checkStep") : null
        verify(sequence, "the check runs")
        var steps = [0, 0, 500, 1000, 1500, 2000, 1500, 1000, 500, 0, 1000, 0, 1000, 0]
        for (var i = 0; i < steps.length && check.running; i++) {
            if (data.unplugAt === i) {
                simulators.killSerial(port)
                mouseClick(findChild(check, "placedButton"))
                break
            }
            var grams = steps[i] + (i === data.offAt ? 3 : 0)
            simulators.serial(port, "load " + data.id + " " + (100000 + 100 * grams))
            verify(findChild(check, "checkInstruction").text.indexOf("Step " + (i + 1) + " of 14") === 0)
            if (i > 0) // the zero step zeroes what the scale reads
                tryCompare(findChild(check, "checkReading"), "text", grams.toFixed(1) + " g", 5000)
            mouseClick(findChild(check, "placedButton"))
            compare(findChild(check, "checkStepStatus").text, "waiting for a stable reading…")
            tryVerify(function() { return !check.running || findChild(check, "checkInstruction").text.indexOf("Step " + (i + 2)) === 0 }, 15000)
        }
        if (data.unplugAt) {
            // A step without readings gives up after its time-out and says why; the technician stops.
            tryVerify(function() { return !check.running || /^No reading came within 2 s/.test(findChild(check, "checkStepStatus").text) }, 10000,
                      findChild(check, "checkStepStatus").text)
            if (check.running)
                mouseClick(findChild(check, "stopCheckButton"))
        }
        tryCompare(check, "ended", true, 5000)
        compare(findChild(check, "checkVerdict").text, data.verdict)
        var rising = data.rising || []
        rising.forEach(function(error, row) {
            compare(findChild(findChild(check, "checkRow_" + (row + 1)), "risingError").text, error, "row " + (row + 1))
        })
        var csv = testFiles.readText(findChild(check, "checkFiles").text.substring("Readings: ".length))
        verify(csv.indexOf("time,step,phase,load_g,reading_g,event\n") === 0, csv.substring(0, 80))
        verify(csv.split("\n").filter(function(l) { return / recorded$/.test(l) || /,recorded$/.test(l) }).length >= (data.unplugAt || 14), "every step recorded")
        if (data.unplugAt)
            verify(/,stopped: /.test(csv), "the CSV says it stopped")
        mouseClick(findChild(check, "pdfReportButton"))
        compare(findChild(check, "checkError").text, "")
        var files = findChild(check, "checkFiles").text.split("\nReport: ")
        compare(testFiles.readText(files[1]).substring(0, 5), "%PDF-")
    }
}

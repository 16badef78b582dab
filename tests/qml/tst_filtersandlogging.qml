import QtQuick
import QtTest

import com.example.amplifiers

// The Weight Plot screen's filter and CSV popups in the real main window, with real drivers against the
// simulated amplifiers and recordings in temporary folders.
WindowTestCase {
    id: testCase
    name: "FiltersAndLogging"

    property string linePort: ""

    // Register, value after writing every field empty (FIR off), and a value the amplifier held before.
    readonly property var filterRegisters: [
        { reg: "0x0034", held: "1" }, { reg: "0x0056", held: "4" }, { reg: "0x0058", held: "300" },
        { reg: "0x005C", held: "20" }, { reg: "0x005E", held: "700" }, { reg: "0x0060", held: "12" },
        { reg: "0x0064", held: "4242" }
    ]

    function initTestCase() {
        linePort = simulators.startSerial("1,2")
        verify(linePort.length > 0, "simulated RS485 line")
        verify(simulators.startCan([1]), "simulated CANopen node")
    }

    // Connected as the calibration page hands amplifiers over; selected on the screen.
    function addAmplifier(protocol, port, deviceId) {
        var amplifier = add(protocol, port, deviceId)
        mouseClick(tile(amplifier.getName()))
        return amplifier
    }

    function openFilters() {
        mouseClick(findChild(screen, "writeFiltersButton"))
        var popup = screen.filterSettingsPopup
        verify(popup)
        tryCompare(popup, "opened", true)
        return popup
    }

    function applyAndWait(popup) {
        mouseClick(inside(popup, "applyButton"))
        tryCompare(popup.resultDialog, "opened", true, 10000)
        verify(!popup.opened)
        return popup.resultDialog
    }

    function holdSettings(id) {
        for (var i = 0; i < filterRegisters.length; i++)
            simulators.serial(linePort, "set " + id + " " + filterRegisters[i].reg + " " + filterRegisters[i].held)
    }

    // What amplifier `id` holds: as before, except register number `changed` which holds `value`.
    function heldAre(id, changed, value) {
        for (var r = 0; r < filterRegisters.length; r++) {
            var reg = filterRegisters[r].reg
            compare(simulators.serial(linePort, "get " + id + " " + reg).substring(3),
                    r === changed ? value : filterRegisters[r].held, reg)
        }
    }

    function test_fieldRefusals_data() {
        return [
            { tag: "level above the range", field: "levelField", text: "9", refusal: "9 is outside 0 to 5." },
            { tag: "level emptied", field: "levelField", text: "", refusal: "Empty: enter a whole number from 0 to 5." },
            { tag: "negative", field: "trackingTimeField", text: "-5",
              refusal: "\"-5\" is not a whole number: enter one from 0 to 50." },
            { tag: "exponent", field: "bandwidthField", text: "1e3",
              refusal: "\"1e3\" is not a whole number: enter one from 0 to 1000." },
            { tag: "fraction", field: "stabilityField", text: "12.7",
              refusal: "\"12.7\" is not a whole number: enter one from 1 to 50." },
            { tag: "stability 0", field: "stabilityField", text: "0", refusal: "0 is outside 1 to 50." },
            { tag: "CANopen level", protocols: ["CANOpen"], field: "levelField", label: "Filtering Level (1-5)",
              text: "0", refusal: "0 is outside 1 to 5." },
            { tag: "CANopen and RS485 bandwidth", protocols: ["CANOpen", "RS485"], field: "bandwidthField",
              label: "Filtering Bandwidth (0-1000)", text: "5000", refusal: "5000 is outside 0 to 1000." },
        ]
    }

    // What cannot be written is refused beside its field, with the range its label names for the selected
    // amplifiers, and nothing at all is written: never clamped, cut or replaced by a default.
    function test_fieldRefusals(data) {
        holdSettings(1)
        var protocols = data.protocols || ["RS485"]
        for (var i = 0; i < protocols.length; i++)
            addAmplifier(protocols[i], protocols[i] === "RS485" ? linePort : "", 1)
        var popup = openFilters()
        // The refusal takes no room from the fields below it or the buttons.
        var places = function() {
            waitForRendering(popup.contentItem)
            return ["zeroPointField", "applyButton"].map(function(n) { return inside(popup, n).mapToItem(null, 0, 0).y })
        }
        var before = places()
        if (data.label)
            compare(inside(popup, data.field).placeholderText, data.label)
        typeInto(inside(popup, data.field), data.text)
        compare(inside(popup, data.field + "Refusal").text, data.refusal)
        compare(places(), before)
        var apply = inside(popup, "applyButton")
        verify(!apply.enabled)
        mouseClick(apply)
        verify(popup.opened)
        verify(!popup.resultDialog.opened)
        popup.close()
        heldAre(1, -1, "")
    }

    // The fields open with what the first selected amplifier holds: changing one field changes one setting.
    function test_untouchedFields_keepTheAmplifiersValues() {
        holdSettings(1)
        addAmplifier("RS485", linePort, 1)
        var popup = openFilters()
        compare(inside(popup, "sourceNote").text, "The fields show the current settings of amplifier 1.")
        typeInto(inside(popup, "levelField"), "2")
        compare(applyAndWait(popup).title, "Success")
        heldAre(1, 1, "2")
    }

    // Nothing read is shown as the amplifier's: the fields keep what was entered and the popup says why.
    function test_unreadableSettings_areSaidSo() {
        var lost = simulators.startSerial("1")
        addAmplifier("RS232", lost, 1)
        var popup = openFilters()
        typeInto(inside(popup, "levelField"), "3")
        popup.close()
        simulators.killSerial(lost)
        popup = openFilters()
        var note = inside(popup, "sourceNote").text
        verify(note.indexOf("The current settings of amplifier 1 could not be read (") === 0, note)
        compare(inside(popup, "levelField").text, "3")
        popup.close()
    }

    // Each amplifier's outcome is its own: one that refuses (and keeps what it held) or whose link is gone is
    // named with the reason, in list order, and does not take the next one's success with it. All settings of
    // one amplifier are written before the next one's; a failed one is not sent the rest.
    function test_failingAmplifiers_areNamed_theOthersStillApplied() {
        holdSettings(1)
        holdSettings(2)
        var lost = simulators.startSerial("1")
        addAmplifier("RS485", linePort, 1)
        addAmplifier("RS485", linePort, 2)
        var third = addAmplifier("RS232", lost, 1)
        var reports = []
        third.commandFinished.connect(function(command, ok) { reports.push(ok) })
        var popup = openFilters()
        compare(simulators.serial(linePort, "refuse 1 0x0056 1"), "OK")
        simulators.killSerial(lost)
        typeInto(inside(popup, "levelField"), "2")
        var dialog = applyAndWait(popup)
        compare(dialog.title, "Filter Settings Failed")
        compare(dialog.text, "Settings applied to amplifiers 2; not applied to the others.")
        var lines = dialog.detail.split("\n")
        compare(lines.length, 2)
        verify(/^Load cell 1: \S/.test(lines[0]) && /^Load cell 3: \S/.test(lines[1]), dialog.detail)
        compare(reports, [false])
        heldAre(1, -1, "")
        heldAre(2, 1, "2")
    }

    function openLogging() {
        mouseClick(findChild(screen, "recordButton"))
        var popup = screen.csvLoggingPopup
        verify(popup)
        tryCompare(popup, "opened", true)
        return popup
    }

    // What the file dialog hands over when the user accepts a file (the dialog itself is the platform's).
    function browseTo(popup, path) {
        popup.chooseFile("file://" + encodeURI(path))
        compare(inside(popup, "filePathText").text, path)
    }

    function record(popup, frequency, duration) {
        typeInto(inside(popup, "frequencyField"), frequency)
        typeInto(inside(popup, "durationField"), duration)
        mouseClick(inside(popup, "startLoggingButton"))
        tryCompare(popup, "opened", false)
    }

    function dataLines(path) {
        var lines = testFiles.readText(path).split("\n").filter(function(line) { return line.length > 0 })
        return lines.slice(1)
    }

    // A 5 s recording at 100 ms in the default folder: the footer counts down, the header names the amplifier
    // in the unit chosen before opening, and the file has 50 rows (their form: tst_csvlogging); the next one
    // is new.
    function test_recording_countsDownAndWritesTheCsv() {
        addAmplifier("RS485", linePort, 1)
        mouseClick(findChild(screen, "unitSelector_kg"))
        var popup = openLogging()
        compare(inside(popup, "recordedAmplifiers").text, "Records: Load cell 1 (the selected amplifiers), in kg.")
        verify(popup.filePath.indexOf(popup.defaultFolder + "/data_log_") === 0, popup.filePath)
        compare(inside(popup, "pathMessage").text, "Location is writable")
        compare(inside(popup, "pathMessage").color, Qt.color("green"))
        var path = popup.filePath
        record(popup, "100", "5")
        var button = findChild(screen, "recordButton")
        compare(button.text, "STOP RECORDING")
        compare(findChild(screen, "footerLine").text,
                "Recording Load cell 1 — 00:00:05 left. An amplifier added now is not in this recording.")
        tryCompare(button, "text", "START RECORDING", 10000)
        tryVerify(function() { return dataLines(path).length === 50 }, 5000, "50 lines")
        compare(testFiles.readText(path).split("\n")[0],
                "Timestamp,Load cell 1 — AmplifierModel RS485 " + linePort + " #1 (kg)")

        // The reused popup proposes a new file for the next recording, and emptying a file with data is asked.
        popup = openLogging()
        verify(popup.filePath !== path, "a new file: " + popup.filePath)
        browseTo(popup, path)
        typeInto(inside(popup, "frequencyField"), "100")
        typeInto(inside(popup, "durationField"), "1")
        mouseClick(inside(popup, "startLoggingButton"))
        var ask = findChild(popup.contentItem, "replaceDialog")
        tryCompare(ask, "opened", true)
        mouseClick(findChild(ask.contentItem, "confirmCancel"))
        tryCompare(ask, "opened", false)
        compare(dataLines(path).length, 50, "the first recording is untouched")
        verify(popup.opened)
        popup.close()
    }

    // Only the selected amplifier is recorded; one added during the run stays out of it; Exit meanwhile asks
    // first and "Cancel" leaves it running; STOP RECORDING ends the run at once and every row taken reaches
    // the file.
    function test_stopRecording_keepsTheSelectionOfTheStart() {
        addAmplifier("RS485", linePort, 1)
        addAmplifier("RS485", linePort, 2)
        mouseClick(findChild(screen, "tile_1"))
        var popup = openLogging()
        var path = popup.filePath
        record(popup, "50", "3600")
        var recorder = findChild(screen, "weightRecorder")
        addAmplifier("RS485", linePort, 1)
        tryVerify(function() { return recorder.rowCount >= 5 }, 10000)
        mouseClick(findChild(window.contentItem, "sidebarExit"))
        var ask = findChild(window.contentItem, "exitDialog") || findChild(window, "exitDialog")
        tryCompare(ask, "opened", true)
        compare(ask.title, "Stop Recording?")
        mouseClick(findChild(ask.contentItem, "confirmCancel"))
        tryCompare(ask, "opened", false)
        verify(screen.recording)
        var finished = createTemporaryQmlObject("import QtTest; SignalSpy { signalName: \"finished\" }", testCase)
        finished.target = recorder
        mouseClick(findChild(screen, "recordButton"))
        compare(findChild(screen, "recordButton").text, "START RECORDING")
        var rows = recorder.rowCount
        finished.wait(10000)
        compare(testFiles.readText(path).split("\n")[0], "Timestamp,Load cell 2 — AmplifierModel RS485 " + linePort + " #2 (g)")
        compare(dataLines(path).length, rows)
        verify(dataLines(path).every(function(line) { return line.split(",").length === 2 }))
    }

    // A typed absolute path stays where it points; a bare name goes into the default folder; a file chosen
    // with Browse is still the one shown when the popup opens again.
    function test_chosenPath_isTakenAsMeant_andKept() {
        addAmplifier("RS485", linePort, 1)
        var popup = openLogging()
        var field = inside(popup, "filePathText")
        var folder = testFiles.newFolder()
        var typed = [[folder + "/abs.csv", folder + "/abs.csv"], ["bare.csv", popup.defaultFolder + "/bare.csv"]]
        for (var i = 0; i < typed.length; i++) {
            field.forceActiveFocus()
            field.selectAll()
            keyClick(Qt.Key_Backspace)
            for (var c = 0; c < typed[i][0].length; c++)
                keyClick(typed[i][0][c])
            keyClick(Qt.Key_Return)
            compare(popup.filePath, typed[i][1])
        }
        browseTo(popup, folder + "/browsed.csv")
        popup.close()
        tryCompare(popup, "visible", false)
        popup = openLogging()
        compare(inside(popup, "filePathText").text, folder + "/browsed.csv")
        compare(inside(popup, "pathMessage").text, "Location is writable")
        popup.close()
    }

    function test_startLogging_refusesBadNumbers_data() {
        return [
            { tag: "empty frequency", frequency: "", duration: "5", message: "Enter a logging frequency from 10 to 10000 ms." },
            { tag: "frequency 9", frequency: "9", duration: "5", message: "Enter a logging frequency from 10 to 10000 ms." },
            { tag: "duration 0", frequency: "100", duration: "0", message: "Enter a duration from 1 to 3600 seconds." },
        ]
    }

    function test_startLogging_refusesBadNumbers(data) {
        addAmplifier("RS485", linePort, 1)
        var popup = openLogging()
        typeInto(inside(popup, "frequencyField"), data.frequency)
        typeInto(inside(popup, "durationField"), data.duration)
        mouseClick(inside(popup, "startLoggingButton"))
        verify(popup.opened)
        compare(inside(popup, "pathMessage").text, data.message)
        compare(inside(popup, "pathMessage").color, Qt.color("red"))
        compare(findChild(screen, "recordButton").text, "START RECORDING")
        compare(testFiles.readText(popup.filePath), "", "no file was made")
        popup.close()
    }

    // A folder the user may not write to disables Start Logging with the reason in red. /proc refuses even
    // root; a read-only folder of our own counts only for an ordinary user (CTest runs it as "nobody" too).
    function test_unwritableFolder_disablesStart() {
        addAmplifier("RS485", linePort, 1)
        var popup = openLogging()
        var folders = ["/proc"]
        if (!testFiles.runsAsRoot())
            folders.push(testFiles.newReadOnlyFolder())
        for (var i = 0; i < folders.length; i++) {
            browseTo(popup, folders[i] + "/out.csv")
            compare(inside(popup, "pathMessage").text, "No write permission for this location")
            compare(inside(popup, "pathMessage").color, Qt.color("red"))
            compare(inside(popup, "startLoggingButton").enabled, false)
        }
        var folder = testFiles.newFolder()
        browseTo(popup, folder + "/mine.csv")
        compare(inside(popup, "pathMessage").text, "Location is writable")
        compare(inside(popup, "startLoggingButton").enabled, true)
        popup.close()
    }
}

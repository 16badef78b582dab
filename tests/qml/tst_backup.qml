import QtQuick
import QtTest

import com.example.amplifiers
import com.example.filehandler

// Backup, compare and restore of the selected tile in the real main window, with the real drivers against the
// simulated amplifiers and backups in temporary folders.
WindowTestCase {
    id: testCase
    name: "Backup"

    property string linePort: ""

    FileHandler { id: files }

    function initTestCase() {
        linePort = simulators.startSerial("1,2")
        verify(linePort.length > 0, "simulated RS485 line")
        verify(simulators.startCan([1]), "simulated CANopen node")
    }

    function cleanup() {
        utilsLanguage.loadLanguage("English")
        releaseAll()
    }

    function selected(protocol, port, id) {
        var amplifier = add(protocol, port, id)
        mouseClick(tile(amplifier.getName()))
        return amplifier
    }

    // The popup the button of the selected tile opened, switched to `mode` ("Backup", "Compare", "Restore"),
    // for `path`.
    function open(mode, path) {
        mouseClick(findChild(screen, "backupTileButton"))
        var popup = findChild(screen, "backupPopup")
        verify(popup, mode)
        tryCompare(popup, "opened", true)
        mouseClick(inside(popup, "backupModeSelector_" + mode))
        compare(inside(popup, "backupTitle").text.indexOf(mode === "Backup" ? "Back Up" : mode), 0)
        if (path !== undefined) {
            var field = inside(popup, "backupPathField")
            field.text = path
            field.editingFinished()
            compare(popup.filePath, path)
        }
        return popup
    }

    function run(popup, button) {
        mouseClick(inside(popup, button))
        tryCompare(popup.session, "busy", false, 20000)
        return popup.session
    }

    // What the table shows for `setting` (its current rows: replaced ones linger until deleted).
    function cell(popup, setting, part) {
        var table = inside(popup, "backupTable")
        for (var i = 0; i < table.count; i++) {
            var row = table.itemAtIndex(i)
            if (row && row.objectName === "backupRow_" + setting)
                return findChild(row, part).text
        }
        return "no row " + setting
    }

    function closed(popup) {
        popup.close()
        tryVerify(function() { return findChild(screen, "backupPopup") === null })
    }

    // The filter level as the simulated amplifier holds it.
    function held(data) {
        return data.protocol === "CANOpen" ? simulators.can("@1 get 2019 0") : simulators.serial(data.port(), "get " + data.id + " 0x0056")
    }

    function test_roundTrip_data() {
        return [
            { tag: "RS232", protocol: "RS232", id: 1, port: function() { return simulators.startSerial("1") } },
            { tag: "RS485", protocol: "RS485", id: 2, port: function() { return testCase.linePort } },
            { tag: "CANopen", protocol: "CANOpen", id: 1, port: function() { return "" } },
        ]
    }

    // Backed up, changed, compared, dry run (nothing written), restored: the table says what happened to
    // each value, and the amplifier holds the file's value again.
    function test_roundTrip(data) {
        var port = data.port()
        data.port = function() { return port }
        var amplifier = selected(data.protocol, port, data.id)
        amplifier.setFilteringLevel(3)
        var path = testFiles.newFolder() + "/kept.json"
        var popup = open("Backup", path)
        var session = run(popup, "backupRunButton")
        verify(!session.failed, session.message)
        verify(session.message.indexOf(path) > 0, session.message)
        if (data.protocol === "CANOpen")
            verify(testFiles.readText(path.replace(".json", ".dcf")).indexOf("[2019sub0]") >= 0)
        closed(popup)
        // A second backup to that file asks first; declined, the file stays as it was.
        var saved = testFiles.readText(path)
        popup = open("Backup", path)
        mouseClick(inside(popup, "backupRunButton"))
        var ask = findChild(popup, "backupReplaceDialog")
        tryCompare(ask, "opened", true)
        verify(!popup.busy)
        mouseClick(findChild(ask.contentItem, "confirmCancel"))
        compare(testFiles.readText(path), saved)
        closed(popup)

        amplifier.setFilteringLevel(1)
        var before = held(data)
        popup = open("Compare", path)
        session = run(popup, "compareButton")
        compare(session.rows.length, 1, session.message)
        compare(cell(popup, "filteringLevel", "cellFile"), "3")
        compare(cell(popup, "filteringLevel", "cellAmplifier"), "1")
        closed(popup)

        popup = open("Restore", path)
        verify(!inside(popup, "restoreButton").enabled, "no write before a dry run")
        session = run(popup, "dryRunButton")
        compare(cell(popup, "filteringLevel", "cellOutcome"), "would be written")
        compare(cell(popup, "filteringLevel", "cellFile"), "3")
        compare(held(data), before, "a dry run writes nothing")
        session = run(popup, "restoreButton")
        verify(!session.failed, session.message)
        compare(cell(popup, "filteringLevel", "cellOutcome"), "written and confirmed")
        verify(held(data) !== before, held(data))
        // The restore kept what the amplifier held; restoring that copy would write the 1 back.
        var copyButton = findChild(inside(popup, "safetyCopy_0"), "restoreThisButton")
        mouseClick(copyButton)
        tryCompare(session, "busy", false, 20000)
        compare(cell(popup, "filteringLevel", "cellFile"), "1")
        compare(cell(popup, "filteringLevel", "cellAmplifier"), "3")
        var copy = inside(popup, "safetyCopyList").model[0].path
        closed(popup)
        // Two backups against each other.
        popup = open("Compare", path)
        popup.secondPath = copy
        session = run(popup, "compareButton")
        compare(session.message, "Values that differ between the two files: 1.")
        compare(cell(popup, "filteringLevel", "cellFile") + "/" + cell(popup, "filteringLevel", "cellAmplifier"), "3/1")
        closed(popup)
    }

    function test_refusedFiles_data() {
        return [
            { tag: "damaged", text: "{\"format\": \"Kelvora amplifier backup\", \"settings\": [" },
            { tag: "not a backup", text: "{\"hello\": 1}" },
            { tag: "another protocol", fromCan: true },
            { tag: "French: not a backup", text: "{\"hello\": 1}", language: "Français", message: /^Restauration refusée : Le fichier n'est pas une sauvegarde d'amplificateur \(.+\)\. Rien n'a été écrit\.$/ },
        ]
    }

    // A file that cannot go into the amplifier is refused before anything is written, with the reason.
    function test_refusedFiles(data) {
        var path = testFiles.newFolder() + "/file.json"
        if (data.fromCan) {
            var can = selected("CANOpen", "", 1)
            var taken = open("Backup", path)
            verify(!run(taken, "backupRunButton").failed)
            closed(taken)
            mouseClick(tile(can.getName()))
        } else {
            verify(files.writeToFile(path, data.text, false))
        }
        selected("RS485", linePort, 1)
        var popup = open("Restore", path)
        if (data.language)
            utilsLanguage.loadLanguage(data.language)
        var session = run(popup, "dryRunButton")
        verify(session.failed)
        verify((data.message || /^Restore refused: .+ Nothing was written\.$/).test(session.message), session.message)
        compare(session.rows.length, 0)
        verify(!inside(popup, "restoreButton").enabled)
        closed(popup)
    }

    // A value the amplifier refuses half-way: what was written is put back, and each row says so, in
    // either language (the refused value is marked by the outcome, not found in the message's words).
    function test_refusedHalfWay_putsBack_data() {
        return [
            { tag: "English", language: "English", message: "refused at 0x0058", refused: "refused; holds 400 as before", putBack: "put back or not written; holds 4 as before" },
            { tag: "French", language: "Français", message: "refusé à 0x0058", refused: "refusé ; garde 400 comme avant", putBack: "remis ou non écrit ; garde 4 comme avant" }
        ]
    }
    function test_refusedHalfWay_putsBack(data) {
        var amplifier = selected("RS485", linePort, 2)
        amplifier.setFilteringLevel(2)
        amplifier.setFilteringBandwidth(200)
        var path = testFiles.newFolder() + "/kept.json"
        var popup = open("Backup", path)
        verify(!run(popup, "backupRunButton").failed)
        closed(popup)
        amplifier.setFilteringLevel(4)
        amplifier.setFilteringBandwidth(400)
        compare(simulators.serial(linePort, "refuse 2 0x0058 1"), "OK")
        popup = open("Restore", path)
        utilsLanguage.loadLanguage(data.language)
        run(popup, "dryRunButton")
        var session = run(popup, "restoreButton")
        verify(session.failed)
        verify(session.message.indexOf(data.message) >= 0, session.message)
        compare(cell(popup, "filteringBandwidth", "cellOutcome"), data.refused)
        compare(cell(popup, "filteringLevel", "cellOutcome"), data.putBack)
        compare(simulators.serial(linePort, "get 2 0x0056"), "OK 4")
        compare(simulators.serial(linePort, "get 2 0x0058"), "OK 400")
        closed(popup)
    }

    // Closing the window during a restore waits for it: the amplifier ends with the file's value or, stopped
    // in time, with its own, never half of them.
    function test_closeDuringRestore_waitsForTheAmplifier() {
        var amplifier = selected("RS485", linePort, 1)
        amplifier.setFilteringLevel(2)
        amplifier.setFilteringBandwidth(250)
        var path = testFiles.newFolder() + "/kept.json"
        var popup = open("Backup", path)
        verify(!run(popup, "backupRunButton").failed)
        closed(popup)
        amplifier.setFilteringLevel(5)
        amplifier.setFilteringBandwidth(500)
        popup = open("Restore", path)
        run(popup, "dryRunButton")
        mouseClick(inside(popup, "restoreButton"))
        verify(popup.busy)
        window.close()
        verify(window.visible, "the window waits for the restore")
        tryCompare(window, "visible", false, 20000)
        var held = [simulators.serial(linePort, "get 1 0x0056"), simulators.serial(linePort, "get 1 0x0058")].join()
        verify(held === "OK 2,OK 250" || held === "OK 5,OK 500", held)
    }

    // A calibration saves what the amplifier held first; the Weight Plot screen says where, and that file
    // holds the old calibration.
    function test_calibration_namesItsAutomaticBackup() {
        var amplifier = AmplifierFactory.createAmplifier("RS485", "AmplifierModel", linePort, 9600, 2, sharedBus)
        tryVerify(function() { if (!amplifier.isConnected()) amplifier.connect(); return amplifier.isConnected() }, 10000)
        var before = amplifier.readStoredCalibration()
        amplifier.calibrateTwoPoints(before.points[0].ad + 1000, before.points[0].ad + 90000, 5000)
        screen.addAmplifier(amplifier)
        var footer = findChild(screen, "footerLine").text
        var copy = amplifier.lastSafetyCopy()
        compare(footer, "Load cell " + amplifier.getName() + ": what it held before its calibration is saved as " + copy)
        var kept = JSON.parse(testFiles.readText(copy)).settings.filter(function(s) { return s.name === "point1Ad" })
        compare(kept[0].value, before.points[1].ad)
        verify(amplifier.readStoredCalibration().points[1].ad !== before.points[1].ad)
    }

    // An amplifier that stops answering: no backup file, and the reason.
    function test_unpluggedAmplifier_savesNothing() {
        var port = simulators.startSerial("1")
        selected("RS232", port, 1)
        var path = testFiles.newFolder() + "/none.json"
        var popup = open("Backup", path)
        simulators.killSerial(port)
        var session = run(popup, "backupRunButton")
        verify(session.failed)
        verify(session.message.indexOf("Nothing was saved: ") === 0, session.message)
        compare(files.fileSize(path), -1)
        closed(popup)
    }

    // The calibration page offers the same for the amplifier it has connected, before it has a tile.
    function test_calibrationPage_backsUpItsAmplifier() {
        mouseClick(findChild(screen, "backupTileButton"))
        expectMessage("Backup", "Select exactly one amplifier to back up, compare or restore.")
        mouseClick(findChild(screen, "addButton"))
        var selection = screen.instrumentSelectionPopup
        tryCompare(selection, "opened", true)
        mouseClick(inside(selection, "protocol_RS485"))
        waitForRendering(selection.contentItem)
        mouseClick(inside(selection, "model_0"))
        mouseClick(inside(selection, "selectButton"))
        var page = selection.calibrationPage
        tryCompare(page, "opened", true)
        var ports = inside(page, "portSelector")
        ports.currentIndex = ports.find(linePort)
        inside(page, "deviceIdField").text = "2"
        verify(!inside(page, "backupPageButton").enabled, "nothing to back up before Connect")
        mouseClick(inside(page, "connectButton"))
        tryVerify(function() { return inside(page, "backupPageButton").enabled })
        mouseClick(inside(page, "backupPageButton"))
        var popup = findChild(screen, "backupPopup")
        tryCompare(popup, "opened", true)
        compare(inside(popup, "backupTitle").text, "Back Up RS485 " + linePort + " #2")
        var session = run(popup, "backupRunButton")
        verify(!session.failed, session.message)
        verify(JSON.parse(testFiles.readText(popup.filePath)).settings.length > 10)
        closed(popup)
        verify(page.opened, "the page stays with its amplifier")
        page.close()
    }
}

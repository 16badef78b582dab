import QtQuick
import QtTest

// The Link screen against a simulated RS485 line: each fault the amplifier makes shows in its own counter and
// as its verdict on the frames, the filters show what they say, a tile's fault marker opens the screen on its
// amplifier, and the register panel reads and writes what the amplifier really holds.
WindowTestCase {
    id: testCase
    name: "Link"

    property string line: simulators.startSerial("1,2")
    property bool can: simulators.startCan([1])
    property var link: null

    function cleanup() {
        simulators.serial(line, "fault all none")
        simulators.serial(line, "twin 1 off")
        simulators.serial(line, "refuse 1 0x0056 off")
        simulators.can("@1 refuse 2019 0 off")
        simulators.can("@1 silent off")
        simulators.can("@1 abort off")
        link = null
        utilsLanguage.loadLanguage("English")
        releaseAll()
    }

    function openLink() {
        add("RS485", line, 1)
        add("RS485", line, 2)
        mouseClick(findChild(window.contentItem, "sidebarLink"))
        link = findChild(window.contentItem, "linkScreen")
        verify(link)
        tryCompare(link, "visible", true)
    }
    function item(name, within) { var found = findChild(within || link, name); verify(found, name); return found }
    // "" until the amplifier's row is there.
    function figure(amplifier, column) {
        var row = findChild(link, "stats_" + amplifier), cell = row ? findChild(row, "figure_" + column) : null
        return cell ? cell.text : ""
    }
    // Chooses entry `index` of a drop-down list with the keyboard, as a user may.
    function choose(name, index) {
        var box = item(name)
        box.forceActiveFocus()
        while (box.currentIndex < index) keyClick(Qt.Key_Down)
        while (box.currentIndex > index) keyClick(Qt.Key_Up)
    }
    // Every frame listed, as "amplifier|verdict" lines. An answer that is no intact frame shows its bytes only.
    function listed() {
        var list = item("frameList"), rows = []
        for (var i = 0; i < list.count; i++) {
            list.positionViewAtIndex(i, ListView.Contain)
            var row = findChild(list, "frame_" + i), verdict = item("frameVerdict", row).text
            rows.push(item("frameAmplifier", row).text + "|" + verdict)
            if (row.direction === "←" && (verdict === "garbage" || verdict === "bad CRC"))
                compare(item("frameDecoded", row).text, "", item("frameHex", row).text)
            verify(item("frameHex", row).text.length > 0)
        }
        return rows
    }

    // Columns: 2 time-outs, 3 bad CRC, 4 other id, 5 exception/abort, 7 duplicates.
    function test_faultCountedAndFiltered_data() {
        return [
            { tag: "silence", command: "fault 1 silence", column: 2, verdict: "time-out" },
            { tag: "bad CRC", command: "fault 1 bad-crc", column: 3, verdict: "bad CRC" },
            { tag: "other id", command: "fault 1 other-id", column: 4, verdict: "other id" },
            { tag: "exception", command: "fault 1 exception", column: 5, verdict: "exception/abort" },
            { tag: "twin", command: "twin 1 3", column: 7, verdict: "duplicate" },
            { tag: "late", command: "fault 1 late 150", column: 6, verdict: "late" },
            { tag: "garbage", command: "fault 1 garbage", detail: /garbled or cut answers: [1-9]/, verdict: "garbage" },
            { tag: "CAN silent", can: "@1 silent on", column: 2, verdict: "time-out" },
            { tag: "CAN abort", can: "@1 abort on", column: 5, verdict: "exception/abort" },
            { tag: "French: other id", command: "fault 1 other-id", language: "Français", detail: /dernière erreur à [0-9:.]+ : réponse de l'id [0-9]+/, verdict: "autre id" }
        ]
    }
    // The faulty amplifier is RS485 id 1 (load cell 1) or CANopen node 1 (load cell 3); load cell 2 stays clean.
    function test_faultCountedAndFiltered(data) {
        utilsLanguage.loadLanguage(data.language || "English")
        var cell = data.language ? "Capteur " : "Load cell "
        openLink()
        var faulty = data.can ? "3" : "1"
        if (data.can)
            add("CANOpen", "", 1)
        compare(data.can ? simulators.can(data.can) : simulators.serial(line, data.command), "OK")
        if (data.detail) {
            tryVerify(function() { return data.detail.test(item("lastError", item("stats_" + faulty)).text) }, 10000, "counted")
        } else {
            tryVerify(function() { return Number(figure(faulty, data.column)) > 0 }, 10000, "counted")
            tryVerify(function() { return Number(figure("2", 1)) > 0 }, 5000, "the other amplifier answers")
            compare(figure("2", data.column), "0", "the other amplifier's count stays clean")
        }

        var verdicts = item("frameModel").verdictNames
        choose("verdictFilter", verdicts.indexOf(data.verdict) + 1)
        choose("amplifierFilter", Number(faulty))
        tryVerify(function() { return item("frameList").count > 0 }, 10000)
        mouseClick(item("pauseButton"))
        var rows = listed()
        compare(rows.filter(function(r) { return r !== cell + faulty + "|" + data.verdict }), [], rows.join("\n"))
        choose("amplifierFilter", 2)
        compare(listed().filter(function(r) { return r.indexOf(cell + "2|") !== 0 }), [])
    }

    function test_faultMarkerOpensFilteredScreen() {
        add("RS485", line, 1)
        add("RS485", line, 2)
        simulators.serial(line, "fault 2 silence")
        var marker = findChild(tile("2"), "tileFault")
        tryCompare(marker, "visible", true, 10000)
        verify(!findChild(tile("1"), "tileFault").visible)
        mouseClick(marker)
        link = findChild(window.contentItem, "linkScreen")
        tryCompare(link, "visible", true)
        compare(item("amplifierFilter").displayText, "Load cell 2")
        tryVerify(function() { return item("frameList").count > 0 }, 10000)
        mouseClick(item("pauseButton"))
        compare(listed().filter(function(r) { return r !== "Load cell 2|time-out" }), [])
    }

    // The panel's outcome is what the amplifier holds afterwards, as the simulator reports it: filter level 3
    // at first, register 0x0056 of RS485 id 1 or entry 2019:00 of CANopen node 1.
    function test_register_data() {
        var rows = [
            { tag: "read", value: "", holds: "3", says: /Load cell \d holds 3 .* FILTER filteringLevel, takes LOW to 5/ },
            { tag: "read by name", at: "filteringLevel", value: "", holds: "3", says: /Load cell \d holds 3 .* FILTER filteringLevel/ },
            { tag: "confirmed write", value: "4", confirm: true, holds: "4", says: /Written and read back: load cell \d holds 4 in FILTER filteringLevel/ },
            { tag: "write cancelled", value: "4", confirm: false, holds: "3", says: /FILTER filteringLevel, takes LOW to 5/ },
            { tag: "outside the map's range", value: "9", holds: "3", says: /filteringLevel takes LOW to 5; 9 was not written/ },
            { tag: "not a value", value: "4.5", holds: "3", says: /"4.5" is no value/ },
            { tag: "refused", refuse: true, value: "4", confirm: true, holds: "3", says: /not confirmed.*it holds 3/ }
        ]
        var both = []
        rows.forEach(function(row) {
            both.push(Object.assign({}, row, { tag: "RS485 " + row.tag, protocol: "RS485", at: row.at || "0x0056",
                                               says: new RegExp(row.says.source.replace("FILTER", "0x0056").replace("LOW", "0")) }))
            both.push(Object.assign({}, row, { tag: "CANopen " + row.tag, protocol: "CANOpen", at: row.at || "2019:00",
                                               says: new RegExp(row.says.source.replace("FILTER", "0x2019:00").replace("LOW", "1")) }))
        })
        return both
    }
    function test_register(data) {
        var serial = data.protocol === "RS485"
        openLink()
        var amplifier = serial ? screen.findAmplifier("1") : add("CANOpen", "", 1)
        amplifier.setFilteringLevel(3)
        if (data.refuse)
            serial ? simulators.serial(line, "refuse 1 0x0056 1") : simulators.can("@1 refuse 2019 0 1")
        choose("registerAmplifier", serial ? 0 : 2)
        typeInto(item("registerField"), data.at)
        if (data.value.length === 0) {
            mouseClick(item("readButton"))
            compare(item("valueField").text, data.holds)
        } else {
            typeInto(item("valueField"), data.value)
            mouseClick(item("writeButton"))
            var dialog = item("writeDialog")
            if (data.confirm !== undefined) {
                tryCompare(dialog, "opened", true)
                mouseClick(findChild(dialog.contentItem, data.confirm ? "confirmAccept" : "confirmCancel"))
                tryCompare(dialog, "visible", false)
            } else {
                verify(!dialog.visible)
            }
        }
        verify(data.says.test(item("registerOutcome").text), item("registerOutcome").text)
        compare(serial ? simulators.serial(line, "get 1 0x0056") : simulators.can("@1 get 2019 0"), "OK " + data.holds)
    }

    // The frames shown, paused, into a file (as the file dialog hands it over) or onto the clipboard.
    function test_copyAndExport_data() {
        return [
            { tag: "copy" },
            { tag: "export", folder: testFiles.newFolder(), title: "Frames Exported" },
            { tag: "export into a missing folder", folder: "/nonexistent-folder", title: "Frames Not Exported" }
        ]
    }
    function test_copyAndExport(data) {
        openLink()
        tryVerify(function() { return item("frameList").count > 4 }, 10000)
        mouseClick(item("pauseButton"))
        var first = /^\S+T[\d:.]+,request,Load cell [12],ok,0[12] 03 00 00 00 02 .. ..,read 0x0000 \(measuringValue\) x2$/
        if (!data.folder) {
            item("frameList").positionViewAtBeginning()
            tryVerify(function() { return findChild(item("frameList"), "frame_0") !== null })
            mouseClick(findChild(item("frameList"), "frame_0"))
            mouseClick(findChild(item("frameList"), "frame_2"), 1, 1, Qt.LeftButton, Qt.ShiftModifier)
            mouseClick(item("copyButton"))
            compare(item("linkMessageDialog").text, "3 frame(s) copied to the clipboard.")
            var pasted = createTemporaryQmlObject("import QtQuick; TextEdit {}", testCase)
            pasted.paste()
            var copied = pasted.text.trim().split("\n")
            compare(copied.length, 3)
            verify(first.test(copied[0].split("\t").join(",")), pasted.text)
            return
        }
        mouseClick(item("exportButton"))
        tryCompare(item("exportDialog"), "visible", true)
        verify(/\/frames_\d{8}_\d{6}\.csv$/.test(String(item("exportDialog").selectedFile)), item("exportDialog").selectedFile)
        item("exportDialog").reject()
        var path = data.folder + "/frames.csv"
        link.exportTo("file://" + path)
        compare(item("linkMessageDialog").title, data.title)
        var lines = testFiles.readText(path).split("\n")
        if (data.title === "Frames Not Exported") {
            verify(/frames.csv cannot be written: ./.test(item("linkMessageDialog").text))
            return
        }
        compare(lines[0], "Time,Direction,Amplifier,Verdict,Raw,Decoded")
        compare(lines.length, item("frameList").count + 2)
        verify(first.test(lines[1]), lines[1])
    }
}

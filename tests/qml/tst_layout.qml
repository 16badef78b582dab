import QtQuick
import QtTest
import com.example.amplifiers

// Every screen and popup of the real main window, at the smallest window allowed and a large one, in English and
// French: no text cut, no control outside what is shown, no rows hidden without a scroll bar, no button moved.
WindowTestCase {
    id: testCase
    name: "Layout"
    property string line: simulators.startSerial("1,2,3,4,5,6,7,8,9")
    function init() {}
    function cleanup() {
        if (!screen) return
        var check = findChild(window.contentItem, "checkScreen")
        if (check && check.running) findChild(check, "stopCheckButton").clicked()
        var popups = [findChild(screen, "multiPointPopup"), findChild(screen, "backupPopup"), screen.instrumentSelectionPopup && screen.instrumentSelectionPopup.calibrationPage]
        popups.forEach(function(popup) { if (popup) popup.close() })
        screen.amplifiersOnScreen().forEach(function(amplifier) { amplifier.disconnect() })
        utilsLanguage.loadLanguage("English")
    }
    // `clip`: the part of the window shown at `item`. Inside a flickable, rows count as reachable (by its scroll bar).
    function walk(item, clip, scrolled, found) {
        if (!item.visible || item.opacity === 0) return
        var at = item.mapToItem(null, 0, 0), r = { x: at.x, y: at.y, w: item.width, h: item.height }
        var name = (item.objectName || String(item).split("(")[0]) + (typeof item.text === "string" ? " \"" + item.text + "\"" : "")
        var isText = typeof item.truncated === "boolean" && item.text.length > 0 && item.objectName !== "filePathText"
        if (isText && (item.truncated || item.contentHeight > item.height + 1
                       || (item.wrapMode === Text.NoWrap && item.elide === Text.ElideNone && item.contentWidth > item.width + 1)))
            found.push(name + " is cut")
        if (!scrolled && (isText || item.focusPolicy !== undefined) && r.w > 0 && r.h > 0
                && (r.x < clip.x - 1 || r.y < clip.y - 1 || r.x + r.w > clip.x + clip.w + 1 || r.y + r.h > clip.y + clip.h + 1))
            found.push(name + " lies outside what is shown")
        var bars = Array.prototype.filter.call(item.children, function(c) { return c.orientation === Qt.Vertical && c.policy !== undefined && c.visible })
        if (item.flickableDirection !== undefined && item.contentHeight > item.height + 1 && bars.length === 0)
            found.push(name + " hides rows without a scroll bar")
        scrolled = scrolled || item.flickableDirection !== undefined
        var x = Math.max(clip.x, r.x), y = Math.max(clip.y, r.y)
        clip = item.clip ? { x: x, y: y, w: Math.min(clip.x + clip.w, r.x + r.w) - x, h: Math.min(clip.y + clip.h, r.y + r.h) - y } : clip
        for (var i = 0; i < item.children.length; i++) walk(item.children[i], clip, scrolled, found)
    }
    function item(name, within) { var found = findChild(within || screen, name); verify(found, name); return found }
    function click(name, within) { mouseClick(item(name, within)) }
    function places(names, within) {
        waitForRendering(window.contentItem)
        return names.map(function(n) { var at = item(n, within).mapToItem(null, 0, 0); return n + "@" + at.x + "," + at.y }).join(" ")
    }
    function add(count) {
        for (var id = 1; id <= count; id++) {
            var amplifier = AmplifierFactory.createAmplifier("RS485", "AmplifierModel", line, 9600, id, sharedBus)
            amplifier.connect(); screen.addAmplifier(amplifier)
        }
        click("tile_1")
    }
    function opened(popup) { tryCompare(popup, "opened", true); return popup.contentItem }
    // Each stop brings the window to what the user sees there.
    readonly property var stops: ({
        weightPlot: function(data) {
            simulators.serial(line, "load 1 99000000"); add(9); screen.findAmplifier("2").tare()
            tryCompare(item("tileWeight", item("tile_1")), "text", "989000.00 g", 10000)
            tryCompare(item("tileTare", item("tile_2")), "text", "net") // the same word in French
            compare(item("tileTare", item("tile_1")).text, data.language === "English" ? "gross" : "brut")
            var footer = ["writeFiltersButton", "zeroButton", "tareButton", "recordButton"], idle = places(footer)
            verify(screen.startRecording(1000, 3600, testFiles.newFolder() + "/layout.csv", "g"), screen.recordingError())
            compare(places(footer), idle, "a recording's longer text moves no button")
            screen.stopRecording()
        },
        calibrationPage: function() {
            click("addButton"); var selection = opened(screen.instrumentSelectionPopup)
            click("protocol_RS485", selection); waitForRendering(selection); click("model_0", selection); click("selectButton", selection)
            var p = opened(screen.instrumentSelectionPopup.calibrationPage), ports = item("portSelector", p)
            ports.currentIndex = ports.find(line); item("deviceIdField", p).text = "3"; click("connectButton", p)
            tryVerify(function() { return /^AD: \d+$/.test(item("adReadout", p).text) }, 5000)
            click("zeroButton", p)
            var buttons = ["scanButton", "connectButton", "zeroButton", "calibrateButton", "closeButton"], before = places(buttons, p)
            click("scanButton", p); tryCompare(item("deviceIdScan", p), "visible", true); click("scanButton", p)
            click("calibrateButton", p); verify(item("statusText", p).text.length > 0)
            compare(places(buttons, p), before, "the scan's progress and a message move no button")
        },
        multiPoint: function() { add(1); click("multiPointButton"); opened(findChild(screen, "multiPointPopup")) },
        instrumentSelection: function() { click("addButton"); opened(screen.instrumentSelectionPopup) },
        filters: function() { add(2); click("writeFiltersButton"); opened(screen.filterSettingsPopup) },
        recording: function() { add(1); click("recordButton"); opened(screen.csvLoggingPopup) },
        link: function() {
            add(3); simulators.serial(line, "fault 3 exception"); click("sidebarLink", window.contentItem)
            var link = item("linkScreen", window.contentItem); tryVerify(function() { return item("frameList", link).count > 20 }, 5000)
            item("registerField", link).text = "0x0056"; click("readButton", link); simulators.serial(line, "fault 3 none")
        },
        backup: function(data) { add(1); click("backupTileButton"); var p = opened(findChild(screen, "backupPopup")); click("backupModeSelector_" + (data.language === "English" ? "Restore" : "Restaurer"), p) },
        amplifierQa: function() { click("sidebarAmplifierQA", window.contentItem) },
        check: function() {
            add(1); click("sidebarCheck", window.contentItem); var check = item("checkScreen", window.contentItem)
            item("loadsField", check).text = "0, 500, 1000, 1500, 2000"; item("toleranceField", check).text = "0.1 %"
            click("startCheckButton", check); tryCompare(check, "running", true); click("placedButton", check)
        },
        settings: function() { click("sidebarSettings", window.contentItem) },
        about: function() { click("sidebarAbout", window.contentItem) }
    })
    function test_everyScreenFits_data() {
        var rows = []
        for (var stop in stops) [[1024, 640], [1600, 1000]].forEach(function(size) { ["English", "Français"].forEach(function(language) {
            rows.push({ tag: size.join("x") + " " + language + " " + stop, size: size, language: language, stop: stop }) }) })
        return rows
    }
    function test_everyScreenFits(data) {
        utilsLanguage.loadLanguage(data.language)
        window = openWindow()
        window.width = data.size[0]; window.height = data.size[1]
        tryCompare(window, "height", data.size[1])
        screen = findChild(window.contentItem, "weightPlotScreen")
        stops[data.stop](data)
        waitForRendering(window.contentItem)
        var found = []
        walk(window.contentItem.parent, { x: 0, y: 0, w: data.size[0], h: data.size[1] }, false, found)
        verify(found.length === 0, found.join("\n"))
    }
}

import QtQuick
import QtTest

import com.example.amplifiers

// Every screen and popup of the real main window, in English and French, at the smallest window the program
// allows and at a large one: no text may be cut, no control may lie outside the window or outside what
// clips it, and rows that do not fit must be reachable through a visible scroll bar.
TestCase {
    id: testCase
    name: "Layout"
    when: windowShown

    property string linePort: ""
    property var window: null
    property var screen: null

    readonly property var sizes: [{ w: 1024, h: 640 }, { w: 1600, h: 1000 }]
    readonly property var languages: ["English", "Français"]
    readonly property var stops: ["weightPlot", "instrumentSelection", "calibrationPage", "connectionError",
                                  "multiPoint", "filters", "recording", "noSelection", "amplifierQa", "settings",
                                  "about"]
    // Shortened in the middle by design: a long path keeps its start and its file name.
    readonly property var shortenedOnPurpose: ["filePathText"]

    Component {
        id: windowComponent
        Loader { source: "qrc:/DesktopApplication.qml" }
    }

    function initTestCase() {
        linePort = simulators.startSerial("1,2,3,4,5,6,7,8,9")
        verify(linePort.length > 0, "simulated RS485 line")
    }

    function cleanup() {
        var multiPoint = screen ? findChild(screen, "multiPointPopup") : null
        if (multiPoint)
            multiPoint.close()
        for (var i = 0; screen && i < screen.amplifierList.length; i++) {
            screen.amplifierList[i].stopContinuousADRead()
            screen.amplifierList[i].disconnect()
        }
        var page = screen && screen.instrumentSelectionPopup ? screen.instrumentSelectionPopup.calibrationPage : null
        if (page)
            page.close()
        screen = null
        window = null
        utilsLanguage.loadLanguage("English")
    }

    function describe(item) {
        var name = item.objectName ? item.objectName : String(item).replace(/\(0x[0-9a-f]+\)/, "")
        return item.text !== undefined && typeof item.text === "string" ? name + " \"" + item.text + "\"" : name
    }

    function outside(r, clip) {
        return r.x < clip.x - 1 || r.y < clip.y - 1 || r.x + r.w > clip.x + clip.w + 1
                || r.y + r.h > clip.y + clip.h + 1
    }

    function intersect(a, b) {
        var x = Math.max(a.x, b.x), y = Math.max(a.y, b.y)
        return { x: x, y: y, w: Math.max(0, Math.min(a.x + a.w, b.x + b.w) - x),
                 h: Math.max(0, Math.min(a.y + a.h, b.y + b.h) - y) }
    }

    // A scroll bar attached to a flickable is one of its children.
    function hasVisibleScrollBar(flickable) {
        for (var i = 0; i < flickable.children.length; i++) {
            var child = flickable.children[i]
            if (child.orientation === Qt.Vertical && child.policy !== undefined && child.visible)
                return true
        }
        return false
    }

    // Walks the visible items under `item`. `clip` is what the user can see of the scene there; inside a
    // flickable the contents count as reachable, so only their texts are judged.
    function walk(item, clip, scrolled, found) {
        if (!item || !item.visible || item.opacity === 0)
            return
        var origin = item.mapToItem(null, 0, 0)
        var rect = { x: origin.x, y: origin.y, w: item.width, h: item.height }
        var isText = typeof item.truncated === "boolean"
        var isControl = item.focusPolicy !== undefined || item.pressed !== undefined
        if (isText && item.text.length > 0 && shortenedOnPurpose.indexOf(item.objectName) < 0) {
            if (item.truncated)
                found.push(describe(item) + " is cut")
            else if (item.wrapMode === Text.NoWrap && item.elide === Text.ElideNone
                     && item.contentWidth > item.width + 1)
                found.push(describe(item) + " is wider than its place")
            else if (item.contentHeight > item.height + 1 && item.height > 0)
                found.push(describe(item) + " is higher than its place")
        }
        if (!scrolled && (isText || isControl) && rect.w > 0 && rect.h > 0 && outside(rect, clip))
            found.push(describe(item) + " lies outside what is shown: " + JSON.stringify(rect))
        if (item.flickableDirection !== undefined) {
            if (item.contentHeight > item.height + 1 && !hasVisibleScrollBar(item))
                found.push(describe(item) + " hides rows without a visible scroll bar")
            scrolled = true
        }
        var inner = item.clip ? intersect(clip, rect) : clip
        for (var i = 0; i < item.children.length; i++)
            walk(item.children[i], inner, scrolled, found)
    }

    function problems() {
        // Layouts settle in the polish before a frame.
        waitForRendering(window.contentItem)
        var root = window.contentItem.parent
        var found = []
        walk(root, { x: 0, y: 0, w: window.width, h: window.height }, false, found)
        return found
    }

    function inside(object, name) {
        var found = object.contentItem ? findChild(object.contentItem, name) : null
        if (!found)
            found = findChild(object, name)
        verify(found, name)
        return found
    }

    function addAmplifiers(count) {
        for (var id = 1; id <= count; id++) {
            var amplifier = AmplifierFactory.createAmplifier("RS485", "AmplifierModel", linePort, 9600, id, sharedBus)
            amplifier.connect()
            verify(amplifier.isConnected(), "amplifier " + id)
            screen.addAmplifier(amplifier)
        }
    }

    function openedPopup(popup) {
        verify(popup)
        tryCompare(popup, "opened", true)
        return popup
    }

    function openPage() {
        mouseClick(findChild(screen, "addButton"))
        var selection = openedPopup(screen.instrumentSelectionPopup)
        mouseClick(inside(selection, "protocol_RS485"))
        mouseClick(inside(selection, "model_0"))
        mouseClick(inside(selection, "selectButton"))
        var page = openedPopup(selection.calibrationPage)
        var ports = inside(page, "portSelector")
        ports.currentIndex = ports.find(linePort)
        return page
    }

    function placesOf(popup, names) {
        waitForRendering(window.contentItem)
        return names.map(function(name) {
            var item = inside(popup, name)
            var at = item.mapToItem(null, 0, 0)
            return name + "@" + Math.round(at.x) + "," + Math.round(at.y) + " " + Math.round(item.width)
        }).join("; ")
    }

    function typeInto(field, text) {
        mouseClick(field)
        field.selectAll()
        keyClick(Qt.Key_Delete)
        for (var i = 0; i < text.length; i++)
            keyClick(text[i])
    }

    // Brings the window to one of its stops, with what the user would see there.
    function visit(stop) {
        switch (stop) {
        case "weightPlot":
            simulators.serial(linePort, "load 1 99000000")
            addAmplifiers(9)
            screen.amplifierList[1].tare()
            verify(screen.amplifierList[1].isTareActive(), "amplifier 2 tared")
            mouseClick(findChild(screen, "tile_1"))
            tryVerify(function() { return /^989000\.00 g$/.test(findChild(findChild(screen, "tile_1"), "tileWeight").text) },
                      5000, "the large weight")
            simulators.serial(linePort, "load 1 250000")
            // The record button's longer text while recording moves none of the footer's buttons.
            var footer = ["writeFiltersButton", "zeroButton", "tareButton", "recordButton"]
            var idle = placesOf(screen, footer)
            var idleText = findChild(screen, "recordButton").text
            findChild(screen, "customPlot").csvLoggingStarted(3600)
            verify(findChild(screen, "recordButton").text !== idleText, "recording")
            compare(placesOf(screen, footer), idle)
            break
        case "instrumentSelection":
            mouseClick(findChild(screen, "addButton"))
            mouseClick(inside(openedPopup(screen.instrumentSelectionPopup), "protocol_RS232"))
            break
        case "calibrationPage":
            var page = openPage()
            typeInto(inside(page, "deviceIdField"), "3")
            mouseClick(inside(page, "connectButton"))
            tryVerify(function() { return /^AD: \d+$/.test(inside(page, "adReadout").text) }, 5000)
            mouseClick(inside(page, "zeroButton"))
            // Neither the scan's progress nor a message moves a button the user may be about to press.
            var buttons = ["scanButton", "connectButton", "zeroButton", "calibrateButton", "closeButton"]
            var before = placesOf(page, buttons)
            mouseClick(inside(page, "scanButton"))
            tryCompare(inside(page, "deviceIdScan"), "visible", true)
            compare(placesOf(page, buttons), before, "the scan's panel appears")
            mouseClick(inside(page, "scanButton"))
            tryCompare(inside(page, "deviceIdScan"), "running", false)
            // Calibrate without SPAN: the page says what is missing.
            mouseClick(inside(page, "calibrateButton"))
            verify(inside(page, "statusText").text.length > 0)
            compare(placesOf(page, buttons), before, "a message appears")
            break
        case "connectionError":
            var failing = openPage()
            typeInto(inside(failing, "deviceIdField"), "0")
            mouseClick(inside(failing, "connectButton"))
            tryCompare(inside(failing, "connectionErrorDialog"), "opened", true)
            break
        case "multiPoint":
            addAmplifiers(1)
            mouseClick(findChild(screen, "tile_1"))
            mouseClick(findChild(screen, "multiPointButton"))
            tryVerify(function() { var p = findChild(screen, "multiPointPopup"); return p !== null && p.opened })
            break
        case "filters":
            addAmplifiers(2)
            mouseClick(findChild(screen, "tile_1"))
            mouseClick(findChild(screen, "tile_2"))
            mouseClick(findChild(screen, "writeFiltersButton"))
            openedPopup(screen.filterSettingsPopup)
            break
        case "recording":
            addAmplifiers(1)
            mouseClick(findChild(screen, "tile_1"))
            mouseClick(findChild(screen, "recordButton"))
            openedPopup(screen.csvLoggingPopup)
            break
        case "noSelection":
            mouseClick(findChild(screen, "removeButton"))
            tryCompare(findChild(screen, "messageDialog"), "opened", true)
            break
        case "amplifierQa":
            mouseClick(findChild(window.contentItem, "sidebarAmplifierQA"))
            tryCompare(findChild(window.contentItem, "amplifierQaScreen"), "visible", true)
            break
        case "settings":
            mouseClick(findChild(window.contentItem, "sidebarSettings"))
            tryCompare(findChild(window.contentItem, "settingsScreen"), "visible", true)
            break
        case "about":
            mouseClick(findChild(window.contentItem, "sidebarAbout"))
            tryCompare(findChild(window.contentItem, "aboutScreen"), "visible", true)
            break
        default:
            fail("unknown stop " + stop)
        }
    }

    function test_everyScreenFits_data() {
        var rows = []
        for (var s = 0; s < sizes.length; s++) {
            for (var l = 0; l < languages.length; l++) {
                for (var p = 0; p < stops.length; p++)
                    rows.push({ tag: sizes[s].w + "x" + sizes[s].h + " " + languages[l] + " " + stops[p],
                                size: sizes[s], language: languages[l], stop: stops[p] })
            }
        }
        return rows
    }

    function test_everyScreenFits(data) {
        utilsLanguage.loadLanguage(data.language)
        window = createTemporaryObject(windowComponent, testCase).item
        verify(window)
        window.width = data.size.w
        window.height = data.size.h
        tryCompare(window, "height", data.size.h)
        compare(window.width, data.size.w)
        window.requestActivate()
        screen = findChild(window.contentItem, "weightPlotScreen")
        verify(screen)
        visit(data.stop)
        var found = problems()
        verify(found.length === 0, found.join("\n"))
    }
}

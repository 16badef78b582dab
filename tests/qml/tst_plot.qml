import QtQuick
import QtTest

import ComponentLibrary
import com.example.filehandler

// The live plot of the Weight Plot screen with real RS485 drivers reading a simulated line: legend and
// colours, honest curves (no invented point, a gap where readings stopped), zoom, pan, pause and back to
// live, the pointer's read-out, hiding a curve and exporting the picture.
WindowTestCase {
    id: testCase
    name: "Plot"

    property string port: ""
    property var plot: null

    FileHandler { id: files }

    function initTestCase() {
        port = simulators.startSerial("1,2,3,4,5,6,7,8,9")
        verify(port.length > 0, "simulated RS485 line")
    }

    function init() {
        simulators.serial(port, "fault all none")
        // Measuring values pinned in hundredths of a gram: 123.45 g, 500.00 g, ...
        for (var id = 1; id <= 9; id++)
            simulators.serial(port, "set " + id + " 0 " + (id === 1 ? 12345 : id * 25000))
        openMain()
        plot = findChild(screen, "customPlot")
        verify(plot)
    }

    function addOnLine(id) { return add("RS485", port, Number(id)) }

    function values(index) {
        return plot.shownPoints(index).map(function(p) { return p.y })
    }

    function waitForPoints(index, count) {
        tryVerify(function() { return plot.shownPoints(index).length >= count }, 10000)
    }

    function legendText(index) {
        return findChild(findChild(screen, "legend_" + index), "legendText").text
    }

    // Tile, curve and legend of an amplifier share its name and colour whatever is removed (which colour: the
    // model's, tst_amplifierlistmodel); a colour that comes back comes with another dash, and the ninth tile
    // starts a third row. The legend hides and shows curves, and the plot exports as a picture.
    function test_legendColours_hideShow_andExport() {
        for (var id of [1, 2, 3])
            addOnLine(id)
        mouseClick(tile("1"))
        mouseClick(findChild(screen, "removeButton"))
        tryCompare(screen, "tileCount", 2)
        for (id of [4, 5, 6, 7, 8, 9, 1])
            addOnLine(id)
        compare(plot.curves.length, 9)
        for (var i = 0; i < 9; i++) {
            compare([plot.curves[i].name, legendText(i)], ["Load cell " + (i + 2), "Load cell " + (i + 2)])
            compare(plot.curves[i].color, tile(String(i + 2)).color)
        }
        compare(plot.curves[7].color, Qt.color(Theme.curveColors[0]))
        compare([tile("10").x, tile("10").y], [0, 2 * tile("2").height])
        for (i = 0; i < 7; i++)
            verify(!Qt.colorEqual(plot.curves[i].color, plot.curves[7].color)
                   || plot.curves[i].dash !== plot.curves[7].dash, "curve " + i + " differs from curve 7")

        // A click on a legend entry hides its curve and another shows it again; the picture is exported.
        waitForPoints(0, 1)
        waitForPoints(1, 1)
        mouseClick(findChild(screen, "legend_0"))
        compare(plot.curves[0].visible, false)
        compare(plot.shownPoints(0).length, 0)
        verify(plot.shownPoints(1).length > 0)
        mouseClick(findChild(screen, "legend_0"))
        compare(plot.curves[0].visible, true)
        verify(plot.shownPoints(0).length > 0)
        mouseClick(findChild(screen, "exportPlotButton"))
        var path = expectMessage("Plot Exported", undefined, true).text.replace("The plot was saved as ", "")
        verify(/\.png$/.test(path) && files.fileSize(path) > 1000, path)
    }

    // A fault that leaves no fresh reading breaks the line; readings afterwards go on after the gap. (Which
    // faults leave none: the driver suites; where the history breaks: tst_weighthistory.)
    function test_gapWhereReadingsStopped() {
        addOnLine(1)
        waitForPoints(0, 3)
        // The first point is the first reading, not an invented 0, and with Auto Scale off the axis shows it.
        compare(values(0)[0], 123.45)
        verify(!plot.autoScale)
        tryVerify(function() { return plot.weightLow < 123.45 && plot.weightHigh > 123.45 })

        simulators.serial(port, "fault 1 garbage")
        tryVerify(function() { return values(0).some(isNaN) }, 10000, "the line breaks while silent")
        simulators.serial(port, "set 1 0 20000")
        simulators.serial(port, "fault 1 none")
        tryVerify(function() { return values(0).indexOf(200) >= 0 }, 15000, "readings again")

        // One break, where nothing was drawn over the silence: the readings around it are more than a second
        // apart, the old value before it and the new one after it, and nothing but real readings.
        var points = plot.shownPoints(0)
        var gap = values(0).findIndex(isNaN)
        verify(gap > 0 && points[gap + 1].x - points[gap - 1].x > 1, "gap at " + gap)
        compare(values(0).filter(function(v, i) { return v !== (i < gap ? 123.45 : 200) }).length, 1, values(0))
    }

    // How the wheel, a drag and a double-click move the plot: tst_customplotitem. Here the screen's controls
    // follow, and the view stays put while paused.
    function test_zoomPanPauseAndBackToLive() {
        addOnLine(1)
        waitForPoints(0, 3)
        var area = plot.plotArea
        var x = area.x + area.width / 2
        var y = area.y + area.height / 2
        var liveButton = findChild(screen, "liveButton")
        compare(liveButton.text, "Pause")
        var before = plot.timeLow
        mouseDrag(plot, x, y, 100, 0)
        verify(plot.timeLow < before)
        compare(liveButton.text, "Live")
        // While paused the view stays where it is as readings come in.
        var shown = plot.timeLow
        var answered = Number(simulators.serial(port, "count 1").split(" ")[1])
        tryVerify(function() { return Number(simulators.serial(port, "count 1").split(" ")[1]) >= answered + 5 },
                  10000)
        compare(plot.timeLow, shown)

        mouseDoubleClickSequence(plot, x, y)
        compare(liveButton.text, "Pause")

        // Zooming the weights turns Auto Scale off, and its switch says so.
        mouseClick(findChild(screen, "autoScaleSwitch"))
        verify(plot.autoScale)
        mouseWheel(plot, x, y, 0, 120, Qt.NoButton, Qt.ControlModifier)
        compare(findChild(screen, "autoScaleSwitch").checked, false)

        // A typed range stays; a reversed one is refused and says why.
        var fields = [findChild(screen, "weightLowField"), findChild(screen, "weightHighField")]
        var typed = [["-50.125", "250"], ["300", "200"]]
        for (var row = 0; row < typed.length; row++) {
            fields[0].text = typed[row][0]
            fields[1].text = typed[row][1]
            mouseClick(fields[1])
            keyClick(Qt.Key_Return)
            compare(plot.weightLow, -50.125)
            compare(plot.weightHigh, 250)
            compare([fields[0].placeholderText, fields[1].placeholderText], ["-50.125", "250"])
        }
        compare(findChild(screen, "messageDialog").text, "The upper weight must be above the lower one.")
    }

    function test_curveLeavingTheRange_isSaid_data() {
        return [{ tag: "zeroed", measured: 0, hint: "\nbelow the weight range shown" },
                { tag: "loaded", measured: 100000, hint: "\nabove the weight range shown" }]
    }

    // Without Auto Scale the first readings choose the range; a curve whose end then leaves it is named in
    // the legend, and Auto Scale brings it back into sight.
    function test_curveLeavingTheRange_isSaid(data) {
        addOnLine(1)
        waitForPoints(0, 2)
        verify(!plot.autoScale)
        simulators.serial(port, "set 1 0 " + data.measured)
        tryVerify(function() { return values(0)[values(0).length - 1] === data.measured / 100 }, 5000)
        tryVerify(function() { return legendText(0) === "Load cell 1" + data.hint }, 5000, legendText(0))
        mouseClick(findChild(screen, "autoScaleSwitch"))
        tryVerify(function() { return legendText(0) === "Load cell 1" }, 5000, legendText(0))
    }

    // The read-out under the pointer, in the unit the screen shows: earlier readings are converted too.
    // (The conversion factors: tst_weight.)
    function test_readOut() {
        var data = { unit: 1, factor: 0.0022046244201837776, first: "0.27 lb", second: "1.10 lb", axis: "Weight (lb)" }
        addOnLine(1)
        addOnLine(2)
        waitForPoints(0, 3)
        waitForPoints(1, 3)
        screen.selectUnit(data.unit)
        compare(plot.weightTitle, data.axis)
        // The view is converted at once: no curve drops to the new unit's small numbers.
        fuzzyCompare(values(0)[0], 123.45 * data.factor, 1e-9)

        // Paused once the view shows them, so that the time under the pointer stays; between two readings of
        // the second amplifier.
        var points = plot.shownPoints(1)
        tryVerify(function() { return plot.timeHigh > points[2].x })
        mouseClick(findChild(screen, "liveButton"))
        // Moved until the plot has the pointer: on a loaded machine a hover can reach it late or not at all.
        var x = plot.timeToX((points[1].x + points[2].x) / 2)
        tryVerify(function() { mouseMove(plot, x, plot.plotArea.y + 5); return plot.cursorValues.length === 2 })
        compare(plot.cursorValues[0], data.first)
        compare(plot.cursorValues[1], data.second)
        verify(/^\d\d:\d\d:\d\d\.\d\d\d$/.test(plot.cursorTime), plot.cursorTime)
        compare(findChild(screen, "cursorTime").text, plot.cursorTime)
        compare(legendText(0), "Load cell 1\n" + data.first)
        compare(legendText(1), "Load cell 2\n" + data.second)

        // Before the first reading there is no value to tell.
        mouseMove(plot, plot.plotArea.x + 2, plot.plotArea.y + 5)
        tryVerify(function() { return plot.cursorValues[0] === "" })
        compare(legendText(0), "Load cell 1")
    }
}

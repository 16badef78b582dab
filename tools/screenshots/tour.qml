import QtQuick
import QtTest

import com.example.amplifiers

// A walk through the program's window with simulated amplifiers, saving a picture of each stop into the
// folder named by KELVORA_SHOTS_DIR. Run by tools/screenshots.sh through the QML test runner, which loads the
// program's own documents with the program's registrations. KELVORA_SHOTS_SIZE ("1024x640"),
// KELVORA_SHOTS_LANGUAGE (a language of the Settings list) and KELVORA_SHOTS_THEME ("light" or "dark")
// choose the window; the defaults give the README's pictures.
TestCase {
    id: tour
    name: "ScreenshotTour"
    when: windowShown

    property string folder: testFiles.environment("KELVORA_SHOTS_DIR")
    readonly property var size: (testFiles.environment("KELVORA_SHOTS_SIZE") || "1280x720").split("x")
    readonly property string language: testFiles.environment("KELVORA_SHOTS_LANGUAGE") || "English"
    readonly property bool dark: testFiles.environment("KELVORA_SHOTS_THEME") === "dark"
    property var window: null
    property var screen: null

    Component {
        id: windowComponent
        Loader { source: "qrc:/DesktopApplication.qml" }
    }

    function shot(name) {
        // Lets the last change be drawn before the picture is taken.
        wait(400)
        var image = grabImage(window.contentItem)
        image.save(folder + "/" + name + ".png")
        verify(testFiles.readText(folder + "/" + name + ".png").length > 0, name)
    }

    function open(popup) {
        tryCompare(popup, "opened", true)
        return popup
    }

    function inside(popup, name) {
        var found = findChild(popup.contentItem, name)
        verify(found, name)
        return found
    }

    function typeInto(field, text) {
        mouseClick(field)
        field.selectAll()
        for (var i = 0; i < text.length; i++)
            keyClick(text[i])
    }

    // A reading as the screen writes it ("1,000.30", "1 000,30") as a number.
    function grams(text) {
        text = text.replace(/[^0-9.,\-]/g, "")
        return Number(text.indexOf(".") >= 0 ? text.replace(/,/g, "") : text.replace(",", "."))
    }

    function test_tour() {
        verify(folder.length > 0, "KELVORA_SHOTS_DIR names the folder for the pictures")
        settingsManager.appTheme = dark ? "THEME_DESKTOP_DARK" : "THEME_DESKTOP_LIGHT"
        settingsManager.appLanguage = language
        utilsLanguage.loadLanguage(language)
        var line = simulators.startSerial("1,2,3,4")
        var single = simulators.startSerial("1")
        simulators.serial(line, "load 1 180000")
        simulators.serial(line, "steps 2 220000,330000,260000 1500")
        simulators.serial(line, "noise 2 4000")
        simulators.serial(line, "steps 3 400000,450000,380000,420000 1100")

        window = createTemporaryObject(windowComponent, tour).item
        window.width = Number(size[0])
        window.height = Number(size[1])
        tryCompare(window, "height", Number(size[1]))
        window.requestActivate()
        screen = findChild(window.contentItem, "weightPlotScreen")
        for (var id = 1; id <= 3; id++) {
            var amplifier = AmplifierFactory.createAmplifier("RS485", "AmplifierModel", line, 9600, id, sharedBus)
            amplifier.connect()
            verify(amplifier.isConnected())
            screen.addAmplifier(amplifier)
        }
        mouseClick(findChild(screen, "tile_1"))
        mouseClick(findChild(screen, "tile_2"))
        mouseClick(findChild(screen, "autoScaleSwitch"))
        wait(6000)
        // The pointer over the plot: the cursor line and every curve's value in the legend.
        var plot = findChild(screen, "customPlot")
        for (var step = 0; step < 6; step++)
            mouseWheel(plot, plot.width / 2, plot.height / 2, 0, 120)
        mouseMove(plot, plot.plotArea.x + plot.plotArea.width * 0.8, plot.height / 2)
        tryVerify(function() { return plot.cursorTime.length > 0 })
        shot("main")

        mouseClick(findChild(screen, "addButton"))
        var selection = open(screen.instrumentSelectionPopup)
        mouseClick(inside(selection, "protocol_RS485"))
        // The model buttons of the protocol are laid out before the frame that shows them.
        waitForRendering(selection.contentItem)
        mouseClick(inside(selection, "model_0"))
        mouseClick(inside(selection, "selectButton"))
        var page = open(selection.calibrationPage)
        var ports = inside(page, "portSelector")
        ports.currentIndex = ports.find(line)
        typeInto(inside(page, "deviceIdField"), "4")
        mouseClick(inside(page, "connectButton"))
        tryVerify(function() { return /^AD: \d+$/.test(inside(page, "adReadout").text) }, 5000)
        mouseClick(inside(page, "zeroButton"))
        // The zero taken at rest, beside the calibration the amplifier holds.
        tryVerify(function() { return page.zeroCaptured }, 15000)
        tryVerify(function() { return inside(page, "storedSummary").text.length > 0 }, 5000)
        shot("calibration")
        keyClick(Qt.Key_Escape)
        tryVerify(function() { return selection.calibrationPage === null })

        mouseClick(findChild(screen, "writeFiltersButton"))
        var filters = open(screen.filterSettingsPopup)
        shot("filters")
        filters.close()

        // Multi-point calibration works on one selected amplifier.
        mouseClick(findChild(screen, "tile_2"))
        mouseClick(findChild(screen, "multiPointButton"))
        var multiPoint = open(findChild(screen, "multiPointPopup"))
        shot("multi-point")
        multiPoint.close()

        // A backup of amplifier 1, a filter changed behind the program's back, and the dry run of a restore
        // that would write it back.
        mouseClick(findChild(screen, "backupTileButton"))
        var backup = open(findChild(screen, "backupPopup"))
        compare(backup.mode, "backup")
        mouseClick(inside(backup, "backupRunButton"))
        tryCompare(backup.session, "busy", false, 20000)
        verify(!backup.session.failed, backup.session.message)
        var level = simulators.serial(line, "get 1 0x0056") === "OK 1" ? 3 : 1
        simulators.serial(line, "set 1 0x0056 " + level)
        // The mode buttons are named after their (translated) texts.
        backup.switchTo("restore")
        mouseClick(inside(backup, "dryRunButton"))
        tryCompare(backup.session, "busy", false, 20000)
        verify(backup.session.rows.length > 0, backup.session.message)
        shot("backup")
        backup.close()
        tryVerify(function() { return findChild(screen, "backupPopup") === null })
        mouseClick(findChild(screen, "tile_2"))

        mouseClick(findChild(screen, "recordButton"))
        var logging = open(screen.csvLoggingPopup)
        typeInto(inside(logging, "frequencyField"), "100")
        typeInto(inside(logging, "durationField"), "60")
        shot("recording")
        // A run under way: STOP RECORDING and the footer naming what is recorded, into a throw-away file.
        logging.chooseFile("file://" + encodeURI(testFiles.newFolder() + "/tour.csv"))
        mouseClick(inside(logging, "startLoggingButton"))
        tryCompare(screen, "recording", true)
        shot("recording-running")
        mouseClick(findChild(screen, "recordButton"))
        tryCompare(screen, "recording", false)

        mouseClick(findChild(window.contentItem, "sidebarSettings"))
        var settings = findChild(window.contentItem, "settingsScreen")
        mouseClick(findChild(settings, "swatchDark"))
        shot("settings-dark")
        mouseClick(findChild(window.contentItem, "sidebarWeightPlot"))
        shot("main-dark")
        mouseClick(findChild(window.contentItem, "sidebarSettings"))
        if (!dark)
            mouseClick(findChild(settings, "swatchLight"))

        mouseClick(findChild(window.contentItem, "sidebarAbout"))
        shot("about")

        // A short check of amplifier 1 (AD 100000 empty, 100 counts per gram) reading 0.3 g heavy per kg,
        // and the first page of its report. The check's files go into the pictures' folder, where
        // tools/screenshots.sh turns the report into a picture.
        mouseClick(findChild(window.contentItem, "sidebarCheck"))
        var check = findChild(window.contentItem, "checkScreen")
        tryCompare(check, "visible", true)
        var session = null
        for (var r = 0; r < check.resources.length; r++)
            if (check.resources[r].writePdf !== undefined)
                session = check.resources[r]
        verify(session, "the check screen's session")
        var selector = findChild(check, "checkAmplifierSelector")
        selector.currentIndex = check.choices.findIndex(function(c) { return c.amplifier.getName() === "1" })
        verify(selector.currentIndex >= 0)
        var entries = { loadsField: "0, 500, 1000, 1500, 2000", toleranceField: "1 g", repeatField: "2",
                        divisionField: "0.1", weightUncertaintyField: "0.05 g", operatorField: "A. Martin",
                        weightsIdField: "F1 set 2 kg, cert. 2026-118", timeoutField: "30" }
        for (var field in entries)
            findChild(check, field).text = entries[field]
        simulators.serial(line, "settle 1 100")
        simulators.serial(line, "load 1 100000")
        verify(session.start(check.choices[selector.currentIndex].amplifier, {
            loads: entries.loadsField, repeatCount: entries.repeatField, tolerance: entries.toleranceField,
            weightUncertainty: entries.weightUncertaintyField, division: entries.divisionField,
            timeoutS: entries.timeoutField, operatorName: entries.operatorField, weightsId: entries.weightsIdField
        }, folder), session.error)
        while (check.running) {
            var stepIndex = session.sequence.stepIndex
            var load = session.sequence.stepLoad * 1.0003
            simulators.serial(line, "load 1 " + Math.round(100000 + 100 * load))
            tryVerify(function() { return Math.abs(grams(session.lastReading) - load) < 1 || stepIndex === 0 }, 5000)
            mouseClick(findChild(check, "placedButton"))
            tryVerify(function() { return !check.running || session.sequence.stepIndex !== stepIndex }, 15000)
        }
        tryCompare(check, "ended", true, 5000)
        mouseClick(findChild(check, "pdfReportButton"))
        verify(session.pdfPath.length > 0, session.error)
        shot("check")

        // The Link screen opened by the fault marker of amplifier 3, which answers with bad checksums; the
        // register panel's read of its filter level fails the same way.
        simulators.serial(line, "fault 3 bad-crc")
        mouseClick(findChild(window.contentItem, "sidebarWeightPlot"))
        var marker = findChild(findChild(screen, "tile_3"), "tileFault")
        tryCompare(marker, "visible", true, 10000)
        mouseClick(marker)
        var link = findChild(window.contentItem, "linkScreen")
        tryVerify(function() { return findChild(link, "frameList").count > 3 }, 20000)
        typeInto(findChild(link, "registerField"), "0x0056")
        mouseClick(findChild(link, "readButton"))
        shot("link")
        simulators.serial(line, "fault 3 none")

        mouseClick(findChild(window.contentItem, "sidebarAmplifierQA"))
        var qa = findChild(window.contentItem, "amplifierQaScreen")
        var qaPorts = findChild(qa, "qaPortSelector")
        qaPorts.currentIndex = qaPorts.find(single)
        mouseClick(findChild(qa, "qaStartButton"))
        // The summary line comes in the window's language once the registers are written back.
        tryVerify(function() { return !qa.testing && /\d+ (of|registres sur) \d+/.test(findChild(qa, "qaSummary").text) }, 20000)
        shot("amplifier-qa")

        qa.releaseAmplifier()
        screen.amplifiersOnScreen().forEach(function(a) { a.stopContinuousADRead(); a.disconnect() })
        simulators.stopAll()
    }
}

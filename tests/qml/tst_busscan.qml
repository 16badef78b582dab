import QtQuick
import QtTest

// The calibration page's Scan beside "Device ID", with the real scanner against a simulated RS485 line:
// progress while it runs, a cancel, the ids that answered as choices, and a choice filling the field.
TestCase {
    id: testCase
    name: "BusScan"
    when: windowShown

    property string port: ""

    Component {
        id: pageComponent
        Loader { source: "qrc:/PopupCalibrationPage.qml" }
    }

    function initTestCase() {
        port = simulators.startSerial("4,9")
        verify(port.length > 0, "simulated RS485 line")
    }

    function openPage(protocol) {
        var page = createTemporaryObject(pageComponent, testCase).item
        verify(page)
        page.selectedProtocol = protocol
        page.open()
        tryCompare(page, "opened", true)
        return page
    }

    function item(page, name) {
        var found = findChild(page.contentItem, name)
        verify(found, name)
        return found
    }

    function test_rs232_offersNoScan() {
        var page = openPage("RS232")
        verify(!item(page, "scanButton").visible)
    }

    function test_rs485_scanShowsProgress_cancels_andAChoiceFillsTheDeviceId() {
        var page = openPage("RS485")
        var selector = item(page, "portSelector")
        selector.currentIndex = selector.find(port)
        verify(selector.currentIndex >= 0, "port offered")
        var button = item(page, "scanButton")
        var progress = item(page, "scanProgress")
        verify(button.visible)
        compare(button.text, "Scan")

        mouseClick(button)
        tryVerify(function() { return /^Scanning: \d+ \/ 247 ids probed/.test(progress.text) }, 5000)
        compare(button.text, "Cancel")
        mouseClick(button)
        tryVerify(function() { return progress.text.indexOf("Scan cancelled: ") === 0 }, 5000, progress.text)
        compare(button.text, "Scan")

        mouseClick(button)
        tryVerify(function() { return progress.text === "Scan done: 247 / 247 ids probed, 2 found" }, 30000,
                  progress.text)
        verify(findChild(page.contentItem, "scanResult4"))
        var nine = item(page, "scanResult9")
        compare(nine.text, "9 (AD 250000)")
        mouseClick(nine)
        compare(item(page, "deviceIdField").text, "9")
    }
}

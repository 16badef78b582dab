import QtQuick
import QtTest

import com.example.amplifiers

// The real main window for a screen test: opened before each test, every amplifier on its Weight Plot
// screen released after it, and the steps the screens' tests share.
TestCase {
    id: base
    when: windowShown

    property var window: null
    property var screen: null

    Component {
        id: windowComponent
        Loader { source: "qrc:/DesktopApplication.qml" }
    }

    function openWindow() {
        var opened = createTemporaryObject(windowComponent, base).item
        verify(opened)
        return opened
    }

    function openMain() {
        window = openWindow()
        window.requestActivate()
        screen = findChild(window.contentItem, "weightPlotScreen")
        verify(screen)
    }

    // Whatever a test left connected gives its port back, as the program does when it ends.
    function releaseAll() {
        if (screen)
            screen.amplifiersOnScreen().forEach(function(a) { a.stopContinuousADRead(); a.disconnect() })
        screen = null
        window = null
    }

    function init() { openMain() }
    function cleanup() { releaseAll() }

    // Popups keep what repeaters create under their content item only.
    function inside(object, name) {
        var found = (object.contentItem ? findChild(object.contentItem, name) : null) || findChild(object, name)
        verify(found, name)
        return found
    }

    function typeInto(field, text) {
        mouseClick(field)
        keyClick(Qt.Key_End)
        while (field.text.length > 0 && field.activeFocus)
            keyClick(Qt.Key_Backspace)
        for (var i = 0; i < text.length; i++)
            keyClick(text[i])
        compare(field.text, text)
    }

    // Connected and handed to the screen as the calibration page does. On a loaded machine the handshake's
    // bounded wait for a busy line can run out; the user would press Connect again.
    function add(protocol, port, deviceId) {
        var amplifier = AmplifierFactory.createAmplifier(protocol, "AmplifierModel", port, 9600, deviceId, sharedBus)
        tryVerify(function() { if (!amplifier.isConnected()) amplifier.connect(); return amplifier.isConnected() }, 10000,
                  protocol + " " + port + " " + deviceId)
        screen.addAmplifier(amplifier)
        return amplifier
    }

    function tile(name) { return findChild(screen, "tile_" + name) }
    function tileText(name, part) { return findChild(tile(name), part).text }
    function messageDialog() { return findChild(screen, "messageDialog") }

    // The message dialog opens with this title (and text, when given); closed again unless `keep`.
    function expectMessage(title, text, keep) {
        var dialog = messageDialog()
        tryCompare(dialog, "opened", true)
        compare(dialog.title, title)
        if (text !== undefined)
            compare(dialog.text, text)
        if (!keep) {
            dialog.close()
            tryCompare(dialog, "visible", false)
        }
        return dialog
    }
}

import QtQuick
import QtTest

import ComponentLibrary

// Settings and About in the real main window: theme loading with automatic dark mode on a clock of the
// test's choosing, window decoration, the language list across windows, and what About credits.
WindowTestCase {
    id: testCase
    name: "SettingsAndAbout"

    function init() {
        settingsManager.appThemeAuto = false
        settingsManager.appThemeCSD = false
        settingsManager.appTheme = "THEME_DEFAULT"
        Theme.clock = function() { return new Date() }
        Theme.loadTheme(settingsManager.appTheme)
        openMain()
    }

    function cleanup() {
        Theme.clock = function() { return new Date() }
        releaseAll()
    }

    function show(target, entry, screenName) {
        mouseClick(findChild(target.contentItem, entry))
        var shown = findChild(target.contentItem, screenName)
        verify(shown, screenName)
        tryCompare(shown, "visible", true)
        return shown
    }

    function at(hour) {
        return function() { return new Date(2026, 0, 15, hour, 0, 0) }
    }

    function themeIs(name) {
        compare(Theme.getThemeName(Theme.currentTheme), name)
    }

    function test_themes_data() {
        return [
            { tag: "light swatch, day", auto: false, hour: 14, swatch: "swatchLight", stored: "THEME_DESKTOP_LIGHT", loaded: "THEME_DESKTOP_LIGHT" },
            { tag: "dark swatch, day", auto: false, hour: 14, swatch: "swatchDark", stored: "THEME_DESKTOP_DARK", loaded: "THEME_DESKTOP_DARK" },
            { tag: "light swatch, 08:59 auto", auto: true, hour: 8, swatch: "swatchLight", stored: "THEME_DESKTOP_LIGHT", loaded: "THEME_DESKTOP_DARK" },
            { tag: "light swatch, 09:00 auto", auto: true, hour: 9, swatch: "swatchLight", stored: "THEME_DESKTOP_LIGHT", loaded: "THEME_DESKTOP_LIGHT" },
        ]
    }

    // The stored "THEME_DEFAULT" of a first start is the desktop light theme; each swatch stores its theme,
    // automatic dark mode swaps in the dark variant at night, and the outline marks what is shown.
    function test_themes(data) {
        themeIs("THEME_DESKTOP_LIGHT")
        Theme.clock = at(data.hour)
        var settings = show(window, "sidebarSettings", "settingsScreen")
        if (data.auto)
            mouseClick(findChild(settings, "autoDarkSwitch"))
        compare(settingsManager.appThemeAuto, data.auto)
        mouseClick(findChild(settings, data.swatch))
        compare(settingsManager.appTheme, data.stored)
        themeIs(data.loaded)
        compare(findChild(settings, "swatchDark").current, data.loaded === "THEME_DESKTOP_DARK")
        compare(findChild(settings, "swatchLight").current, data.loaded !== "THEME_DESKTOP_DARK")
    }

    function test_clientSideDecoration_framelessNowAndAtTheNextStart() {
        var settings = show(window, "sidebarSettings", "settingsScreen")
        compare(window.flags & Qt.FramelessWindowHint, 0)
        mouseClick(findChild(settings, "csdSwitch"))
        verify(settingsManager.appThemeCSD)
        verify(window.flags & Qt.FramelessWindowHint, "frameless at once")
        verify(openWindow().flags & Qt.FramelessWindowHint, "and at the next start")
    }

    function chooseLanguage(settings, name) {
        var list = findChild(settings, "languageSelector")
        mouseClick(list)
        tryCompare(list.popup, "opened", true)
        var entries = list.popup.contentItem
        entries.positionViewAtIndex(list.find(name), ListView.Contain)
        var entry = null
        tryVerify(function() { entry = entries.itemAtIndex(list.find(name)); return entry !== null })
        mouseClick(entry)
        tryCompare(list.popup, "opened", false)
        compare(list.currentText, name)
    }

    // A stored language is shown by a new Settings screen; French changes the open window at once. (What
    // each language loads: tst_language; that French fits every screen: tst_layout.)
    function test_language_storedAndShown_frenchTranslatesTheWindow() {
        var settings = show(window, "sidebarSettings", "settingsScreen")
        compare(findChild(settings, "languageSelector").currentText, "auto")
        chooseLanguage(settings, "Deutsch")
        compare(settingsManager.appLanguage, "Deutsch")
        var next = openWindow()
        compare(findChild(show(next, "sidebarSettings", "settingsScreen"), "languageSelector").currentText, "Deutsch")

        chooseLanguage(settings, "Français")
        compare(settingsManager.appLanguage, "Français")
        compare(findChild(window.contentItem, "sidebarSettings").text, "Paramètres")
        compare(findChild(window.contentItem, "recordButton").text, "DÉMARRER L'ENREGISTREMENT")
        chooseLanguage(settings, "English")
        compare(findChild(window.contentItem, "sidebarSettings").text, "Settings")
    }

    // About names the version and exactly what the program contains, with the licences.
    function test_about_versionAndThirdParty() {
        var about = show(window, "sidebarAbout", "aboutScreen")
        compare(findChild(about, "aboutTitle").text, "Kelvora Amplifier Manager")
        compare(findChild(about, "aboutVersion").text, "version " + utilsApp.appVersion() + " " + utilsApp.appBuildMode())
        compare(about.thirdParty, ["Qt 6 (LGPL v3)", "QCustomPlot (GPL v3)"])
        compare(findChild(about, "thirdParty_QCustomPlot (GPL v3)").text, "- QCustomPlot (GPL v3)")
        compare(findChild(about, "aboutDebugLines").visible, utilsApp.isDebugBuild())
    }
}

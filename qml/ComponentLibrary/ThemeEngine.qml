pragma Singleton

import QtQuick

// The colours and sizes every screen and themed control binds to. Follows settingsManager.appTheme and,
// when automatic dark mode is on, swaps in a dark variant between 21:00 and 08:59.
QtObject {
    id: theme

    readonly property var themeNames: [
        "THEME_MOBILE_LIGHT", "THEME_MOBILE_DARK", "THEME_MATERIAL_LIGHT", "THEME_MATERIAL_DARK",
        "THEME_DESKTOP_LIGHT", "THEME_DESKTOP_DARK", "THEME_SNOW", "THEME_PLANT", "THEME_RAIN", "THEME_DAY",
        "THEME_NIGHT", "THEME_LIGHT_AND_WARM", "THEME_DARK_AND_SPOOKY", "THEME_PLAIN_AND_BORING",
        "THEME_BLOOD_AND_TEARS", "THEME_MIGHTY_KITTENS"
    ]
    readonly property int defaultTheme: 4 // THEME_DESKTOP_LIGHT

    // Per theme: primary, secondary, background, foreground, text, sub-text, sidebar, sidebar highlight,
    // separator, dark flag. The sidebar stays dark everywhere so its white icons always read well.
    readonly property var palettes: [
        ["#3a5eab", "#5b7fcf", "#ffffff", "#f2f2f2", "#222222", "#666666", "#2c3e50", "#3a5eab", "#e0e0e0", false],
        ["#5b7fcf", "#3a5eab", "#1e1e1e", "#2a2a2a", "#eeeeee", "#aaaaaa", "#141414", "#3a5eab", "#3a3a3a", true],
        ["#6200ee", "#03dac6", "#fafafa", "#eeeeee", "#202020", "#616161", "#37474f", "#6200ee", "#e0e0e0", false],
        ["#bb86fc", "#03dac6", "#121212", "#1f1f1f", "#f0f0f0", "#a0a0a0", "#0c0c0c", "#7e57c2", "#333333", true],
        ["#3a5eab", "#c58800", "#f5f5f5", "#ffffff", "#1a1a1a", "#5f5f5f", "#2f3b4c", "#3a5eab", "#d8d8d8", false],
        ["#6f93e0", "#e0a21a", "#23262b", "#2d3138", "#e8e8e8", "#a5a5a5", "#181a1e", "#3a5eab", "#3c4048", true],
        ["#4a90c2", "#9ec9e8", "#fcfdff", "#eef4fa", "#22313f", "#6b7c8c", "#34495e", "#4a90c2", "#dde6ee", false],
        ["#40b040", "#8bc34a", "#f6fbf3", "#e9f5e3", "#1f3320", "#5d7a5e", "#2e4a2f", "#40b040", "#d5e8cf", false],
        ["#3a7bd5", "#00d2ff", "#f4f7fb", "#e6eef8", "#1c2a3a", "#5c6f85", "#253649", "#3a7bd5", "#d2dde9", false],
        ["#ff9800", "#ffc107", "#fffdf7", "#fff3de", "#3a2a10", "#7a6442", "#4e3b1f", "#ff9800", "#f0e2c6", false],
        ["#7986cb", "#4db6ac", "#101522", "#1a2133", "#dfe4f2", "#8f99b5", "#090c14", "#3f51b5", "#2a3246", true],
        ["#d67b3a", "#e8b04c", "#fff8f0", "#fbeadb", "#3d2616", "#85654d", "#4d3222", "#d67b3a", "#f0dcc8", false],
        ["#ff7518", "#8e44ad", "#17121c", "#231b2b", "#f1e6ff", "#a393b5", "#0d0a10", "#8e44ad", "#35293f", true],
        ["#606060", "#909090", "#ffffff", "#f0f0f0", "#202020", "#707070", "#404040", "#606060", "#dddddd", false],
        ["#a91e22", "#414141", "#1b1010", "#2a1717", "#f5e6e6", "#b39696", "#120909", "#a91e22", "#3d2424", true],
        ["#ec6fae", "#f7b2d4", "#fff7fb", "#fde6f1", "#45213a", "#8c6680", "#5c2c4c", "#ec6fae", "#f3d4e4", false]
    ]

    property int currentTheme: -1
    property bool isLight: true
    property bool isDark: false

    property color colorPrimary: "#3a5eab"
    property color colorSecondary: "#c58800"
    property color colorBackground: "#f5f5f5"
    property color colorForeground: "#ffffff"
    property color colorText: "#1a1a1a"
    property color colorSubText: "#5f5f5f"
    property color colorSeparator: "#d8d8d8"
    property color colorSidebar: "#2f3b4c"
    property color colorSidebarContent: "#ffffff"
    property color colorSidebarHighlight: "#3a5eab"
    property color colorSuccess: "#40b040"
    property color colorWarning: "#c58800"
    property color colorError: "#a91e22"

    // Text and marks on a saturated fill (a curve-coloured tile, a warning button) in every theme.
    readonly property color colorOnAccent: "#ffffff"
    // Curves and their tiles, one colour per amplifier in the order they were added; the same in every theme
    // so that a curve keeps its colour when the theme changes.
    readonly property var curveColors: ["#a91e22", "#c58800", "#40b040", "#3a5eab", "#7233ac", "#8c2a8c",
                                        "#777777", "#414141"]

    // Options of a group of which one is chosen (protocols, models) keep these colours in every theme.
    readonly property color colorChoiceSelected: "#325DA9"
    readonly property color colorChoiceIdle: "#F5F5F5"
    readonly property color colorChoiceIdleBorder: "#CCCCCC"
    readonly property color colorChoiceIdleText: "#222222"

    // Marks that carry a meaning of their own, the same in every theme: a location that can or cannot be
    // written, the lines of a self-test log, and its summary box before, after a pass and after a failure.
    readonly property color colorGood: "green"
    readonly property color colorBad: "red"
    readonly property color colorLogBackground: "white"
    readonly property color colorLogText: "black"
    readonly property color colorVerdictPending: "lightgray"
    readonly property color colorVerdictPassed: "#e0ffe0"
    readonly property color colorVerdictFailed: "#ffe0e0"
    // No fill at all: a window the system decorates, an outlined tag.
    readonly property color colorNone: "transparent"

    // Sizes. All follow the content font: gaps are multiples of a quarter of it, controls and fixed columns
    // multiples of the control height, so a larger font makes every screen roomier alike.
    readonly property int fontSizeContent: 15
    readonly property int fontSizeTitle: 22
    // Notes, read-outs and the legend's time.
    readonly property int fontSizeSmall: fontSizeContent - 2
    // Tile lines, legend entries and the footer.
    readonly property int fontSizeCaption: fontSizeContent - 3
    // The net/gross tag of a tile.
    readonly property int fontSizeTag: fontSizeContent - 4
    readonly property int fontSizeHeadline: fontSizeTitle + 4
    // The least a line that shrinks to fit may become.
    readonly property int fontSizeFitFloor: Math.round(fontSizeContent / 2)
    // The self-test summary, in points as the log box has always shown it.
    readonly property int fontPointSizeSummary: fontSizeContent + 1

    readonly property int gridUnit: Math.round(fontSizeContent / 4)
    readonly property int spacingHairline: gridUnit / 2
    readonly property int spacingTight: gridUnit
    readonly property int spacingSnug: gridUnit * 3 / 2
    readonly property int spacingNormal: 2 * gridUnit
    readonly property int spacingRoomy: gridUnit * 5 / 2
    readonly property int spacingWide: 3 * gridUnit
    readonly property int componentMargin: 4 * gridUnit
    readonly property int popupPadding: 5 * gridUnit
    readonly property int pagePadding: 6 * gridUnit
    readonly property int componentHeight: 10 * gridUnit
    readonly property int componentRadius: gridUnit
    // A tile: its rounding and its border, which shows the selection.
    readonly property int tileRadius: 2 * gridUnit
    readonly property int tileBorder: gridUnit * 3 / 4
    // The line of a curve in the legend: its thickness, and the room before the curve's name.
    readonly property int legendLine: tileBorder
    readonly property int legendIndent: 7 * gridUnit
    readonly property int legendMaxWidth: 55 * gridUnit
    // The least width of a popup of labelled fields: a label and its field side by side, in any language.
    readonly property int formPopupWidth: 14 * componentHeight
    // The least heights of the filter and recording popups.
    readonly property int filterPopupMinHeight: 125 * gridUnit
    readonly property int recordingPopupMinHeight: 45 * componentHeight / 4
    // Fixed columns: short read-outs, point numbers, selectors and the settings' widest column.
    readonly property int columnNarrow: 2 * componentHeight
    readonly property int columnMedium: 3 * componentHeight
    readonly property int columnSelector: 4 * componentHeight
    readonly property int columnWide: 55 * gridUnit
    readonly property int columnCombo: 6 * componentHeight
    readonly property int columnContent: 18 * componentHeight
    // A theme swatch in Settings; its border when it is the theme in force.
    readonly property int swatchWidth: 24 * gridUnit
    readonly property int swatchHeight: 14 * gridUnit
    readonly property int swatchBorderCurrent: tileBorder
    // The program's logo on About, and the header row that holds it.
    readonly property int logoSize: 2 * componentHeight
    readonly property int aboutHeaderHeight: 32 * gridUnit
    // The side bar, narrower on a dense screen.
    readonly property int sidebarWidth: 64 * gridUnit
    readonly property int sidebarWidthHdpi: 55 * gridUnit
    // The window: its least size (a 1024 x 640 laptop screen shows every screen whole), the widths from
    // which wide layouts apply, and the default size where none is stored.
    readonly property int windowMinWidth: 25 * componentHeight
    readonly property int windowMinHeight: 16 * componentHeight
    readonly property int wideModeWidth: 14 * componentHeight
    readonly property int wideWideModeWidth: 16 * componentHeight
    readonly property size windowDefaultSize: Qt.size(32 * componentHeight, 18 * componentHeight)
    readonly property size windowDefaultSizeHdpi: Qt.size(20 * componentHeight, 14 * componentHeight)
    // Where the screen title sits when the header is not known.
    readonly property int headerIndent: 16 * gridUnit
    // The Link screen: the amplifier and a figure of its counters' table, the room of that table (three
    // amplifiers, then it scrolls) and the least room of its frame list. Raw bytes in a fixed-width font, so
    // columns of hex align.
    readonly property int columnLinkName: 13 * gridUnit
    readonly property int columnLinkFigure: 16 * gridUnit
    readonly property int linkStatsHeight: 3 * componentHeight
    readonly property int linkFramesMinHeight: 4 * componentHeight
    readonly property string fontFamilyMono: "monospace"

    function getThemeIndex(name) {
        for (var i = 0; i < themeNames.length; i++) {
            if (themeNames[i] === name)
                return i
        }
        return -1
    }

    function getThemeName(index) {
        if (index >= 0 && index < themeNames.length)
            return themeNames[index]
        return ""
    }

    function darkVariant(index) {
        switch (getThemeName(index)) {
        case "THEME_MOBILE_LIGHT": return getThemeIndex("THEME_MOBILE_DARK")
        case "THEME_MATERIAL_LIGHT": return getThemeIndex("THEME_MATERIAL_DARK")
        case "THEME_DESKTOP_LIGHT": return getThemeIndex("THEME_DESKTOP_DARK")
        case "THEME_SNOW":
        case "THEME_PLANT":
        case "THEME_RAIN":
        case "THEME_DAY": return getThemeIndex("THEME_NIGHT")
        case "THEME_LIGHT_AND_WARM":
        case "THEME_PLAIN_AND_BORING": return getThemeIndex("THEME_DARK_AND_SPOOKY")
        }
        return index
    }

    // The time automatic dark mode goes by. Replaceable, so that the evening can be checked without waiting
    // for it.
    property var clock: function() { return new Date() }

    function autoDarkWanted() {
        if (typeof settingsManager === "undefined" || !settingsManager.appThemeAuto)
            return false
        var hour = Number(Qt.formatDateTime(theme.clock(), "hh"))
        return hour >= 21 || hour <= 8
    }

    // Accepts a theme name or its number; anything unknown loads the desktop light theme.
    function loadTheme(newTheme) {
        var index = (typeof newTheme === "number") ? Math.floor(newTheme) : getThemeIndex(String(newTheme))
        if (index < 0 || index >= themeNames.length)
            index = defaultTheme
        if (autoDarkWanted())
            index = darkVariant(index)
        if (index === currentTheme)
            return

        var p = palettes[index]
        colorPrimary = p[0]
        colorSecondary = p[1]
        colorBackground = p[2]
        colorForeground = p[3]
        colorText = p[4]
        colorSubText = p[5]
        colorSidebar = p[6]
        colorSidebarHighlight = p[7]
        colorSeparator = p[8]
        isDark = p[9]
        isLight = !p[9]
        currentTheme = index
    }

    property Connections settingsWatcher: Connections {
        target: (typeof settingsManager !== "undefined") ? settingsManager : null
        function onAppThemeChanged() { theme.loadTheme(settingsManager.appTheme) }
        function onAppThemeAutoChanged() { theme.loadTheme(settingsManager.appTheme) }
    }

    Component.onCompleted: loadTheme((typeof settingsManager !== "undefined") ? settingsManager.appTheme : "")
}

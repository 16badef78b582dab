import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts

import ComponentLibrary

// Theme, automatic dark mode, window decoration and language; every choice is stored at once.
Rectangle {
    id: screenSettings
    objectName: "settingsScreen"

    color: Theme.colorBackground

    // The window lines the text column up with its header and says how wide and what kind it is.
    property int indent: Theme.headerIndent
    property bool showSwatchLabels: width >= Theme.wideWideModeWidth
    property bool mobile: false
    // The "light" swatch stores the desktop light theme, the one a first start shows, so that choosing
    // "light" changes nothing unexpected; the "dark" swatch stores its dark variant, so that "dark" gives a
    // dark window whatever the clock says. Each swatch is painted in the colours of its theme.
    readonly property string lightTheme: "THEME_DESKTOP_LIGHT"
    readonly property string darkTheme: "THEME_DESKTOP_DARK"
    function paletteOf(themeName) {
        return Theme.palettes[Theme.getThemeIndex(themeName)]
    }

    // `key` is what is loaded and stored; only "auto" is shown translated.
    readonly property var languages: [
        //: short for automatic
        { key: "auto", label: qsTr("auto") },
        { key: "Chinese (traditional)", label: "Chinese (traditional)" },
        { key: "Chinese (simplified)", label: "Chinese (simplified)" },
        { key: "Dansk", label: "Dansk" },
        { key: "Deutsch", label: "Deutsch" },
        { key: "English", label: "English" },
        { key: "Español", label: "Español" },
        { key: "Français", label: "Français" },
        { key: "Frysk", label: "Frysk" },
        { key: "Nederlands", label: "Nederlands" },
        { key: "Norsk (Bokmål)", label: "Norsk (Bokmål)" },
        { key: "Norsk (Nynorsk)", label: "Norsk (Nynorsk)" },
        { key: "Pусский", label: "Pусский" }
    ]

    // The last entry naming the stored language; none found leaves "auto" shown and stores nothing.
    function storedLanguageIndex() {
        var found = 0
        for (var i = 0; i < languages.length; i++) {
            if (languages[i].key === settingsManager.appLanguage)
                found = i
        }
        return found
    }

    function chooseLanguage(index) {
        var key = languages[index].key
        utilsLanguage.loadLanguage(key)
        settingsManager.appLanguage = key
    }

    component SettingTitle: Text {
        Layout.fillWidth: true
        color: Theme.colorText
        font.pixelSize: Theme.fontSizeContent
        font.bold: true
    }
    component Legend: Text {
        Layout.fillWidth: true
        color: Theme.colorSubText
        font.pixelSize: Theme.fontSizeSmall
        wrapMode: Text.WordWrap
    }
    component Swatch: Rectangle {
        id: swatch
        property string label
        property bool current
        property color textColor
        signal chosen()
        implicitWidth: Theme.swatchWidth
        implicitHeight: Theme.swatchHeight
        radius: Theme.componentRadius
        border.width: current ? Theme.swatchBorderCurrent : 1
        border.color: current ? Theme.colorPrimary : Theme.colorSeparator
        Text {
            anchors.centerIn: parent
            visible: screenSettings.showSwatchLabels
            text: swatch.label
            color: swatch.textColor
            font.pixelSize: Theme.fontSizeContent
        }
        MouseArea {
            anchors.fill: parent
            onClicked: swatch.chosen()
        }
    }

    Flickable {
        anchors.fill: parent
        contentWidth: width
        contentHeight: column.implicitHeight + 2 * Theme.pagePadding
        boundsBehavior: Flickable.StopAtBounds
        clip: true
        ScrollBar.vertical: ScrollBarThemed {}

        ColumnLayout {
            id: column
            x: screenSettings.indent
            y: Theme.pagePadding
            width: Math.min(Theme.columnContent, screenSettings.width - 2 * screenSettings.indent)
            spacing: Theme.spacingWide

            SettingTitle { text: qsTr("Theme") }
            Row {
                spacing: Theme.componentMargin
                Swatch {
                    objectName: "swatchLight"
                    label: qsTr("light")
                    color: screenSettings.paletteOf(screenSettings.lightTheme)[2]
                    textColor: screenSettings.paletteOf(screenSettings.lightTheme)[4]
                    current: Theme.isLight
                    onChosen: settingsManager.appTheme = screenSettings.lightTheme
                }
                Swatch {
                    objectName: "swatchDark"
                    label: qsTr("dark")
                    color: screenSettings.paletteOf(screenSettings.darkTheme)[2]
                    textColor: screenSettings.paletteOf(screenSettings.darkTheme)[4]
                    current: Theme.isDark
                    onChosen: settingsManager.appTheme = screenSettings.darkTheme
                }
            }

            // Mobile layouts choose among all themes here; the desktop window does not show it.
            RowLayout {
                visible: screenSettings.mobile
                SettingTitle { text: qsTr("Theme") }
                ComboBoxThemed {
                    model: Theme.themeNames
                    currentIndex: Math.max(0, Theme.getThemeIndex(settingsManager.appTheme))
                    onActivated: function(index) { settingsManager.appTheme = Theme.getThemeName(index) }
                }
            }

            SwitchThemed {
                objectName: "autoDarkSwitch"
                text: qsTr("Automatic dark mode")
                checked: settingsManager.appThemeAuto
                onClicked: {
                    settingsManager.appThemeAuto = checked
                    Theme.loadTheme(settingsManager.appTheme)
                }
            }
            Legend { text: qsTr("Dark mode will switch on automatically between 9 PM and 9 AM.") }

            SwitchThemed {
                objectName: "csdSwitch"
                text: qsTr("Client Side Decoration")
                checked: settingsManager.appThemeCSD
                onClicked: settingsManager.appThemeCSD = checked
            }
            Legend {
                objectName: "csdLegend"
                text: qsTr("The window is shown without the system's title bar and borders.")
            }

            ListSeparator { Layout.fillWidth: true }

            RowLayout {
                Layout.fillWidth: true
                SettingTitle { text: qsTr("Language") }
                ComboBoxThemed {
                    id: languageSelector
                    objectName: "languageSelector"
                    Layout.preferredWidth: Theme.columnCombo
                    wheelEnabled: false
                    textRole: "label"
                    model: screenSettings.languages
                    Component.onCompleted: currentIndex = screenSettings.storedLanguageIndex()
                    onActivated: function(index) { screenSettings.chooseLanguage(index) }
                }
            }

            ListSeparator { Layout.fillWidth: true }
        }
    }
}

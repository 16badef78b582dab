import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import QtQuick.Window

import ComponentLibrary

ApplicationWindow {
    id: appWindow

    title: "Kelvora Amplifier Manager"

    property bool isHdpi: (utilsScreen.screenDpi >= 128 || utilsScreen.screenPar >= 2.0)
    property bool isDesktop: true
    property bool isMobile: false
    property bool isPhone: false
    property bool isTablet: false
    property bool singleColumn: width < height
    property bool wideMode: width >= Theme.wideModeWidth
    property bool wideWideMode: width >= Theme.wideWideModeWidth

    // Small laptop screens (1024 x 640 of usable room) still show every screen whole.
    minimumWidth: Theme.windowMinWidth
    minimumHeight: Theme.windowMinHeight
    // A stored size that is missing or broken falls back to a default that suits the screen.
    width: settingsManager.initialSize.width > 0 ? settingsManager.initialSize.width : (isHdpi ? Theme.windowDefaultSizeHdpi.width : Theme.windowDefaultSize.width)
    height: settingsManager.initialSize.height > 0 ? settingsManager.initialSize.height : (isHdpi ? Theme.windowDefaultSizeHdpi.height : Theme.windowDefaultSize.height)
    x: settingsManager.initialPosition.width
    y: settingsManager.initialPosition.height
    // With "automatic" visibility a Quick window takes its visibility from `visible`, so both are needed.
    visible: true
    visibility: settingsManager.initialVisibility

    flags: settingsManager.appThemeCSD ? (Qt.Window | Qt.FramelessWindowHint) : Qt.Window
    color: settingsManager.appThemeCSD ? Theme.colorNone : Theme.colorBackground

    // A running self-test writes back the registers it changed before the window goes: it is stopped here
    // and closes the window itself once it has ended.
    // Stands where a header would be; Settings and About indent their text column by headerPosition.
    Item {
        id: appHeader
        property int headerPosition: Theme.headerIndent
        signal backButtonClicked()
        signal rightMenuClicked()
        height: 0
    }

    // The theme follows the clock in automatic dark mode, so it is re-evaluated on every activation.
    Connections {
        target: Qt.application
        function onStateChanged() {
            if (Qt.application.state === Qt.ApplicationActive)
                Theme.loadTheme(settingsManager.appTheme)
        }
    }

    function backAction() {
        if (appContent.state === "MobileComponents" && screenMobileComponents.item
                && screenMobileComponents.item.backAction) {
            screenMobileComponents.item.backAction()
            return
        }
        screenDesktopComponents.loadScreen()
    }

    Shortcut {
        sequences: [StandardKey.Back, StandardKey.Backspace]
        onActivated: appWindow.backAction()
    }
    Shortcut {
        sequences: [StandardKey.Forward]
        onActivated: {}
    }
    Shortcut {
        sequences: [StandardKey.Preferences]
        onActivated: screenSettings.loadScreen()
    }
    Shortcut {
        sequences: [StandardKey.Close]
        onActivated: appWindow.close()
    }
    Shortcut {
        sequences: [StandardKey.Quit]
        onActivated: appWindow.requestExit()
    }

    // Leaving during a recording is asked first; the run then ends with its file complete.
    property bool exitConfirmed: false

    function recordingRuns() {
        return screenPlayground.item !== null && screenPlayground.item.recording === true
    }

    function requestExit() {
        if (!recordingRuns() || exitConfirmed) {
            utilsApp.appExit()
            return
        }
        exitDialog.ask(qsTr("Stop Recording?"),
                       qsTr("A recording is running. Exit ends it; the rows recorded so far stay in the file."),
                       qsTr("Exit"))
    }

    // A self-test in progress writes back what it changed before the window goes (it closes the window
    // again once it has); a running recording asks first.
    onClosing: function(close) {
        if (screenHostInfos.item && screenHostInfos.item.stopTestBeforeClose()) {
            close.accepted = false
            return
        }
        if (screenPlayground.item && screenPlayground.item.finishBackupBeforeClose()) {
            close.accepted = false
            return
        }
        if (recordingRuns() && !exitConfirmed) {
            close.accepted = false
            requestExit()
        }
    }

    DialogConfirm {
        id: exitDialog
        objectName: "exitDialog"
        onConfirmed: {
            appWindow.exitConfirmed = true
            screenPlayground.item.stopRecording()
            utilsApp.appExit()
        }
    }

    RowLayout {
        anchors.fill: parent
        spacing: 0

        DesktopSidebar {
            id: appSidebar
            objectName: "appSidebar"
            Layout.fillHeight: true
            Layout.preferredWidth: appWindow.isHdpi ? Theme.sidebarWidthHdpi : Theme.sidebarWidth
            currentState: appContent.state
            onScreenRequested: function(screenName) { appContent.showScreen(screenName) }
            onExitRequested: appWindow.requestExit()
        }

        // Exactly one screen is shown at a time. Each is created on its first visit and then kept, so it
        // keeps its contents while another is shown.
        Item {
            id: appContent
            objectName: "appContent"
            Layout.fillWidth: true
            Layout.fillHeight: true

            function showScreen(screenName) {
                switch (screenName) {
                case "Playground": screenPlayground.loadScreen(); break
                case "HostInfos": screenHostInfos.loadScreen(); break
                case "Link": screenLink.loadScreen(); break
                case "Check": screenCheck.loadScreen(); break
                case "Settings": screenSettings.loadScreen(); break
                case "About": screenAbout.loadScreen(); break
                case "DesktopComponents": screenDesktopComponents.loadScreen(); break
                case "MobileComponents": screenMobileComponents.loadScreen(); break
                }
            }

            Component {
                id: placeholderScreen
                Rectangle {
                    property string screenTitle
                    color: Theme.colorBackground
                    Text {
                        anchors.left: parent.left
                        anchors.top: parent.top
                        anchors.margins: Theme.pagePadding
                        text: parent.screenTitle
                        color: Theme.colorText
                        font.pixelSize: Theme.fontSizeTitle
                    }
                }
            }

            component ScreenLoader: Loader {
                property string screenState
                property string screenTitle
                anchors.fill: parent
                active: false
                asynchronous: false
                visible: false
                enabled: false
                sourceComponent: placeholderScreen
                onLoaded: if (item.screenTitle !== undefined) item.screenTitle = Qt.binding(() => screenTitle)
                function loadScreen() {
                    active = true
                    appContent.state = screenState
                }
            }

            Component {
                id: weightPlotScreen
                // A tile's fault marker shows the Link screen with that amplifier's frames only.
                ScreenPlayground {
                    onLinkRequested: function(name) {
                        screenLink.loadScreen()
                        if (screenLink.item)
                            screenLink.item.showAmplifier(name)
                    }
                }
            }
            Component {
                id: linkScreen
                ScreenLink { amplifiers: screenPlayground.item ? screenPlayground.item.amplifiers : null }
            }
            Component {
                id: amplifierQaScreen
                ScreenHostInfos {}
            }
            Component {
                id: checkScreen
                ScreenCheck { weightPlot: screenPlayground.item }
            }
            Component {
                id: settingsScreen
                ScreenSettings {
                    indent: appHeader.headerPosition
                    showSwatchLabels: appWindow.wideWideMode
                    mobile: appWindow.isMobile
                }
            }
            Component {
                id: aboutScreen
                ScreenAbout {
                    indent: appHeader.headerPosition
                }
            }

            ScreenLoader { id: screenPlayground; objectName: "screenPlayground"; screenState: "Playground"; screenTitle: qsTr("Weight Plot"); sourceComponent: weightPlotScreen }
            ScreenLoader { id: screenHostInfos; objectName: "screenHostInfos"; screenState: "HostInfos"; screenTitle: qsTr("Amplifier QA"); sourceComponent: amplifierQaScreen }
            ScreenLoader { id: screenLink; objectName: "screenLink"; screenState: "Link"; screenTitle: qsTr("Link"); sourceComponent: linkScreen }
            ScreenLoader { id: screenCheck; objectName: "screenCheck"; screenState: "Check"; screenTitle: qsTr("Calibration Check"); sourceComponent: checkScreen }
            ScreenLoader { id: screenSettings; objectName: "screenSettings"; screenState: "Settings"; screenTitle: qsTr("Settings"); sourceComponent: settingsScreen }
            ScreenLoader { id: screenAbout; objectName: "screenAbout"; screenState: "About"; screenTitle: qsTr("About"); sourceComponent: aboutScreen }
            ScreenLoader { id: screenDesktopComponents; objectName: "screenDesktopComponents"; screenState: "DesktopComponents"; screenTitle: qsTr("Components") }
            ScreenLoader { id: screenMobileComponents; objectName: "screenMobileComponents"; screenState: "MobileComponents"; screenTitle: "" }

            state: "Playground"
            states: [
                State { name: "Playground"; PropertyChanges { target: screenPlayground; visible: true; enabled: true; focus: true } },
                State { name: "HostInfos"; PropertyChanges { target: screenHostInfos; visible: true; enabled: true; focus: true } },
                State { name: "Link"; PropertyChanges { target: screenLink; visible: true; enabled: true; focus: true } },
                State { name: "Check"; PropertyChanges { target: screenCheck; visible: true; enabled: true; focus: true } },
                State { name: "Settings"; PropertyChanges { target: screenSettings; visible: true; enabled: true; focus: true } },
                State { name: "About"; PropertyChanges { target: screenAbout; visible: true; enabled: true; focus: true } },
                State { name: "DesktopComponents"; PropertyChanges { target: screenDesktopComponents; visible: true; enabled: true; focus: true } },
                State { name: "MobileComponents"; PropertyChanges { target: screenMobileComponents; visible: true; enabled: true; focus: true } }
            ]

            Component.onCompleted: screenPlayground.loadScreen()
        }
    }

    // The mouse's back button goes back; its forward button does nothing. Other clicks pass through.
    MouseArea {
        anchors.fill: parent
        z: 1000
        acceptedButtons: Qt.BackButton | Qt.ForwardButton
        onClicked: function(mouse) {
            if (mouse.button === Qt.BackButton)
                appWindow.backAction()
        }
    }
}

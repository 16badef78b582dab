import QtQuick
import QtQuick.Layouts

import ComponentLibrary

// The fixed navigation column on the left of the main window. It only asks the content area to show a
// screen; which one is shown is decided there.
Rectangle {
    id: sidebar

    // The content area's current state (see DesktopApplication.qml).
    property string currentState: "Playground"
    // Within the "Amplifier Manager" group, the sub-entry last clicked.
    property string lastManagerEntry: "Playground"

    signal screenRequested(string screenName)
    signal exitRequested()

    color: Theme.colorSidebar

    // Dragging on the sidebar moves the window; this is how a frameless window is moved.
    DragHandler {
        target: null
        onActiveChanged: if (active) sidebar.Window.window.startSystemMove()
    }

    ColumnLayout {
        anchors.top: parent.top
        anchors.topMargin: Theme.componentMargin
        anchors.left: parent.left
        anchors.right: parent.right
        spacing: 0

        DesktopSidebarItem {
            objectName: "sidebarManager"
            Layout.fillWidth: true
            text: qsTr("Amplifier Manager")
            source: "qrc:/assets/icons/scale.svg"
            highlighted: sidebar.currentState === "Playground" || sidebar.currentState === "HostInfos"
                         || sidebar.currentState === "Check"
            onClicked: {
                sidebar.lastManagerEntry = "Playground"
                sidebar.screenRequested("Playground")
            }
        }
        DesktopSidebarItem {
            objectName: "sidebarWeightPlot"
            Layout.fillWidth: true
            indented: true
            text: qsTr("Weight Plot")
            source: "qrc:/assets/icons/chart.svg"
            highlighted: (sidebar.currentState === "Playground" || sidebar.currentState === "HostInfos")
                         && sidebar.lastManagerEntry === "Playground"
            onClicked: {
                sidebar.lastManagerEntry = "Playground"
                sidebar.screenRequested("Playground")
            }
        }
        DesktopSidebarItem {
            objectName: "sidebarCheck"
            Layout.fillWidth: true
            indented: true
            text: qsTr("Calibration Check")
            source: "qrc:/assets/icons/weight-check.svg"
            highlighted: sidebar.currentState === "Check"
            onClicked: {
                sidebar.lastManagerEntry = "Check"
                sidebar.screenRequested("Check")
            }
        }
        DesktopSidebarItem {
            objectName: "sidebarAmplifierQA"
            Layout.fillWidth: true
            indented: true
            text: qsTr("Amplifier QA")
            source: "qrc:/assets/icons/checklist.svg"
            highlighted: (sidebar.currentState === "Playground" || sidebar.currentState === "HostInfos")
                         && sidebar.lastManagerEntry === "HostInfos"
            onClicked: {
                sidebar.lastManagerEntry = "HostInfos"
                sidebar.screenRequested("HostInfos")
            }
        }
        DesktopSidebarItem {
            objectName: "sidebarLink"
            Layout.fillWidth: true
            text: qsTr("Link")
            source: "qrc:/assets/icons/link.svg"
            highlighted: sidebar.currentState === "Link"
            onClicked: sidebar.screenRequested("Link")
        }
    }

    ColumnLayout {
        anchors.bottom: parent.bottom
        anchors.bottomMargin: Theme.componentMargin
        anchors.left: parent.left
        anchors.right: parent.right
        spacing: 0

        DesktopSidebarItem {
            objectName: "sidebarSettings"
            Layout.fillWidth: true
            text: qsTr("Settings")
            source: "qrc:/assets/icons/settings.svg"
            highlighted: sidebar.currentState === "Settings"
            onClicked: sidebar.screenRequested("Settings")
        }
        DesktopSidebarItem {
            objectName: "sidebarAbout"
            Layout.fillWidth: true
            text: qsTr("About")
            source: "qrc:/assets/icons/info.svg"
            highlighted: sidebar.currentState === "About"
            onClicked: sidebar.screenRequested("About")
        }
        DesktopSidebarItem {
            objectName: "sidebarExit"
            Layout.fillWidth: true
            text: qsTr("Exit")
            source: "qrc:/assets/icons/exit.svg"
            onClicked: sidebar.exitRequested()
        }
    }
}

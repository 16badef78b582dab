import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T

import ComponentLibrary

// Name, version, what the program is for and the third-party projects it contains.
Rectangle {
    id: screenAbout
    objectName: "aboutScreen"

    color: Theme.colorBackground

    // The window lines the text column up with its header.
    property int indent: Theme.headerIndent
    // What the program ships with, and under which licence; libmodbus serves the tests only.
    readonly property var thirdParty: ["Qt 6 (LGPL v3)", "QCustomPlot (GPL v3)"]

    component Line: Text {
        Layout.fillWidth: true
        color: Theme.colorText
        font.pixelSize: Theme.fontSizeContent
        wrapMode: Text.WordWrap
    }

    Flickable {
        anchors.fill: parent
        contentWidth: width
        contentHeight: column.implicitHeight
        boundsBehavior: Flickable.StopAtBounds
        clip: true
        T.ScrollBar.vertical: ScrollBarThemed {}

        ColumnLayout {
            id: column
            width: parent.width
            spacing: Theme.spacingWide

            Rectangle {
                Layout.fillWidth: true
                Layout.preferredHeight: Theme.aboutHeaderHeight
                color: Theme.colorForeground

                RowLayout {
                    anchors.verticalCenter: parent.verticalCenter
                    x: screenAbout.indent
                    spacing: Theme.pagePadding
                    Image {
                        Layout.preferredWidth: Theme.logoSize
                        Layout.preferredHeight: Theme.logoSize
                        sourceSize: Qt.size(Theme.logoSize, Theme.logoSize)
                        source: "qrc:/assets/gfx/logos/file.svg"
                    }
                    Column {
                        spacing: Theme.spacingTight
                        Text {
                            objectName: "aboutTitle"
                            text: "Kelvora Amplifier Manager"
                            color: Theme.colorText
                            font.pixelSize: Theme.fontSizeHeadline
                            font.bold: true
                        }
                        Text {
                            objectName: "aboutVersion"
                            text: qsTr("version %1 %2").arg(utilsApp.appVersion()).arg(utilsApp.appBuildMode())
                            color: Theme.colorSubText
                            font.pixelSize: Theme.fontSizeContent
                        }
                    }
                }
            }

            ListItemThemed {
                Layout.fillWidth: true
                Layout.leftMargin: screenAbout.indent - Theme.componentMargin
                Layout.rightMargin: screenAbout.indent
                // The sidebar's icons are white; this one stands on the page and must read in light and dark themes.
                source: "qrc:/assets/icons/info-grey.svg"
                text: qsTr("A device manager for Kelvora digital load-cell amplifiers: connect RS232, RS485 and CANopen amplifiers, calibrate them, watch and record their weights and check them on the bench.")
            }

            ColumnLayout {
                Layout.leftMargin: screenAbout.indent
                Layout.rightMargin: screenAbout.indent
                Layout.fillWidth: true
                spacing: Theme.spacingTight

                Line { text: qsTr("This application is made possible thanks to a couple of third party open source projects:") }
                Repeater {
                    model: screenAbout.thirdParty
                    Line {
                        required property string modelData
                        objectName: "thirdParty_" + modelData
                        text: "- " + modelData
                    }
                }

                Item { Layout.preferredHeight: Theme.spacingWide; visible: debugLines.visible }
                ColumnLayout {
                    id: debugLines
                    objectName: "aboutDebugLines"
                    visible: utilsApp.isDebugBuild()
                    spacing: Theme.spacingTight
                    Line { text: qsTr("App name: %1").arg(utilsApp.appName()) }
                    Line { text: qsTr("App version: %1").arg(utilsApp.appVersion()) }
                    Line { text: qsTr("Build mode: %1").arg(utilsApp.appBuildModeFull()) }
                    Line { text: qsTr("Build architecture: %1").arg(utilsApp.qtArchitecture()) }
                    Line { text: qsTr("Build date: %1").arg(utilsApp.appBuildDateTime()) }
                    Line { text: qsTr("Qt version: %1").arg(utilsApp.qtVersion()) }
                }
                Item { Layout.preferredHeight: Theme.pagePadding }
            }
        }
    }
}

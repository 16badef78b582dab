<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>DesktopApplication</name>
    <message>
        <location filename="../qml/DesktopApplication.qml" line="147"/>
        <source>Weight Plot</source>
        <translation>Courbe de poids</translation>
    </message>
    <message>
        <location filename="../qml/DesktopApplication.qml" line="148"/>
        <source>Amplifier QA</source>
        <translation>Contrôle des amplificateurs</translation>
    </message>
    <message>
        <location filename="../qml/DesktopApplication.qml" line="149"/>
        <source>Settings</source>
        <translation>Paramètres</translation>
    </message>
    <message>
        <location filename="../qml/DesktopApplication.qml" line="150"/>
        <source>About</source>
        <translation>À propos</translation>
    </message>
    <message>
        <location filename="../qml/DesktopApplication.qml" line="151"/>
        <source>Components</source>
        <translation>Composants</translation>
    </message>
</context>
<context>
    <name>DesktopSidebar</name>
    <message>
        <location filename="../qml/DesktopSidebar.qml" line="37"/>
        <source>Amplifier Manager</source>
        <translation>Gestionnaire d&apos;amplificateurs</translation>
    </message>
    <message>
        <location filename="../qml/DesktopSidebar.qml" line="49"/>
        <source>Weight Plot</source>
        <translation>Courbe de poids</translation>
    </message>
    <message>
        <location filename="../qml/DesktopSidebar.qml" line="62"/>
        <source>Amplifier QA</source>
        <translation>Contrôle des amplificateurs</translation>
    </message>
    <message>
        <location filename="../qml/DesktopSidebar.qml" line="83"/>
        <source>Settings</source>
        <translation>Paramètres</translation>
    </message>
    <message>
        <location filename="../qml/DesktopSidebar.qml" line="91"/>
        <source>About</source>
        <translation>À propos</translation>
    </message>
    <message>
        <location filename="../qml/DesktopSidebar.qml" line="99"/>
        <source>Exit</source>
        <translation>Quitter</translation>
    </message>
</context>
</TS>

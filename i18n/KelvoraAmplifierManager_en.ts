<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>DesktopApplication</name>
    <message>
        <source>Weight Plot</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Amplifier QA</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Components</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DesktopSidebar</name>
    <message>
        <source>Amplifier Manager</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Weight Plot</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Amplifier QA</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exit</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DeviceIdScan</name>
    <message>
        <source>%1 (duplicate: two devices answer this id)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scan failed: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 / %2 ids probed, %3 found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scanning: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scan cancelled: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scan done: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (refuses: %2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (AD %2)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DialogConfirm</name>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DialogMessage</name>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>InputRules</name>
    <message>
        <source>Unknown setting.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Empty: enter a whole number from %1 to %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a whole number: enter one from %2 to %3.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is outside %2 to %3.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Device ID must be a whole number from %1 to %2 for %3 (typed: &quot;%4&quot;).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Span Weight(g) must be a number of grams, such as 1000 (typed: &quot;%1&quot;).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The span weight %1 g is too large: the amplifier stores at most %2 g.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PopupCalibrationPage</name>
    <message>
        <source>Connection Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed to connect to amplifier. Please check your connection.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No protocol was chosen.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknown protocol &quot;%1&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The amplifier did not answer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No AD value has arrived yet: wait until the read-out counts, then press %1 again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connect an amplifier first.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Press ZERO with the scale empty and SPAN with the known weight on it before Calibrate, or tick Pre-Calibrated to keep the amplifier&apos;s own calibration.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Device ID</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connect</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pre-Calibrated</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Calibration Type</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ZERO</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>SPAN</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zero Calibration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Span Calibration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Span Weight(g): </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Calibrate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid Input</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This amplifier is already on the Weight Plot screen as amplifier %1; it is not added twice.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CANopen: type the span weight before pressing SPAN; SPAN sends it to the amplifier.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PopupFiltersSetting</name>
    <message>
        <source>Amplifier %1 cannot report its current settings: the fields keep what was last entered, and empty fields write the defaults.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The current settings of amplifier %1 could not be read (%2): the fields keep what was last entered, and empty fields write the defaults.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The fields show the current settings of amplifier %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Amplifier %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Success</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Filter settings applied successfully.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings applied to amplifiers %1; not applied to the others.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No amplifier took the settings.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Filter Settings Failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Filter Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Selected Amplifiers: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enable FIR Filtering</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Filtering Level (0-5)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Filtering Bandwidth (0-1000)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Auto Zero Tracking Time (0-50)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Auto Zero Tracking Bandwidth (0-10000)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stability Determination Time (1-50)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zero Point</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Apply</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PopupInstrumentSelection</name>
    <message>
        <source>Protocol</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Model</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose a protocol first.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PopupMultiPointCalibration</name>
    <message>
        <source>No AD value has arrived yet: press Start Calibration and wait until the read-out counts.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Point %1: enter its weight in grams as a number of 0 or more.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Multi-Point Calibration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please capture at least two points before calibrating.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start Calibration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Capture AD</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not Captured</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Weight (g)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Calibrate Multi-Point</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Point %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PopupOutputLogging</name>
    <message>
        <source>Enter a logging frequency from %1 to %2 ms.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enter a duration from %1 to %2 seconds.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replace File?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 already holds data. Starting the recording empties it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replace</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed to create file. Please try another location.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select Output File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CSV Logging Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Logging Frequency (ms)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Duration (seconds)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output File:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Browse</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start Logging</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ScreenAbout</name>
    <message>
        <source>version %1 %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A device manager for Kelvora digital load-cell amplifiers: connect RS232, RS485 and CANopen amplifiers, calibrate them, watch and record their weights and check them on the bench.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This application is made possible thanks to a couple of third party open source projects:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>App name: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>App version: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Build mode: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Build architecture: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Build date: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Qt version: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ScreenPlayground</name>
    <message>
        <source>No Selection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please select at least one amplifier to remove.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please select at least one amplifier to record.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Multi-Point Calibration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select exactly one RS485 amplifier to calibrate with several points.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>calibrating</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no answer for %1 s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Multi-Point</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Auto Scale</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>WRITE FILTERS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ZERO</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TARE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Click a tile to select it; ZERO, TARE, WRITE FILTERS and recording act on the selected amplifiers.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Load cell %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>RECORDING - %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>START RECORDING</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ScreenSettings</name>
    <message>
        <source>Theme</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>light</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>dark</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Automatic dark mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dark mode will switch on automatically between 9 PM and 9 AM.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Client Side Decoration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Language</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>auto</source>
        <extracomment>short for automatic</extracomment>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>

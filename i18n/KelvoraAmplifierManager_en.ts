<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>CapturedValue</name>
    <message>
        <source>(captured anyway)</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>CheckSequence</name>
    <message>
        <source>Empty the scale; it will be zeroed.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Remove the load.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Empty the scale.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Place %1 g on the scale.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Step %1 (%2) was skipped: nothing recorded.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Stopped by the operator.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The amplifier could not be zeroed: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>it did not report back.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Step %1 (%2) was recorded without a stable reading (spread %3 g).</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Nothing was recorded for this step.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The check stopped at step %1: %2</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The amplifier was removed.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The link to the amplifier was lost.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The link to the amplifier was lost: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The check was closed before it ended.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>A check is already running.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The amplifier is not connected.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The tolerance must be greater than 0 (grams, or percent of the load).</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The test weights&apos; uncertainty cannot be negative.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The repeat load is placed 2 to 100 times (a standard deviation needs two).</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The repeat load must be greater than 0 g.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The scale interval must be greater than 0 g.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The time-out must be greater than 0 ms.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>A stable reading needs a window of 100 to 60000 ms and a threshold above 0.</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>CheckSession</name>
    <message>
        <source>Choose an amplifier of the Weight Plot screen first.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Repeat: enter how many times the repeat load is placed, a whole number.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Tolerance: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Test weights&apos; uncertainty: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Scale interval: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>give it in grams.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Time-out: enter the longest wait for a stable reading in whole seconds.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The report is written once a check has ended.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The PDF report was not written: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 g</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>CustomPlotItem</name>
    <message>
        <source>above the weight range shown</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>below the weight range shown</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>DesktopApplication</name>
    <message>
        <source>Weight Plot</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Amplifier QA</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Settings</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>About</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Components</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Stop Recording?</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>A recording is running. Exit ends it; the rows recorded so far stay in the file.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Exit</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Link</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Calibration Check</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>DesktopSidebar</name>
    <message>
        <source>Amplifier Manager</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Weight Plot</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Amplifier QA</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Settings</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>About</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Exit</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Link</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Calibration Check</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>DeviceIdScan</name>
    <message>
        <source>%1 (duplicate: two devices answer this id)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Scan failed: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 / %2 ids probed, %3 found</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Scanning: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Scan cancelled: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Scan done: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 (refuses: %2)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 (AD %2)</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>DialogConfirm</name>
    <message>
        <source>OK</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>DialogMessage</name>
    <message>
        <source>OK</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>FileHandler</name>
    <message>
        <source>Path is empty</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Directory doesn&apos;t exist and cannot be created</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Location is writable</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>No write permission for this location</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>FrameListModel</name>
    <message>
        <source>id %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Load cell %1</source>
        <translation type="unfinished" />
    </message>
    <message numerus="yes">
        <source> … (%n bytes)</source>
        <translation type="unfinished">
            <numerusform />
            <numerusform />
        </translation>
    </message>
    <message>
        <source>exception/abort</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>No file was chosen.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 cannot be written: %2</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>InputRules</name>
    <message>
        <source>Unknown setting.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Empty: enter a whole number from %1 to %2.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>&quot;%1&quot; is not a whole number: enter one from %2 to %3.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 is outside %2 to %3.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Device ID must be a whole number from %1 to %2 for %3 (typed: &quot;%4&quot;).</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Span Weight(g) must be a number of grams, such as 1000 (typed: &quot;%1&quot;).</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The span weight %1 g is too large: the amplifier stores at most %2 g.</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>LinkRegisters</name>
    <message>
        <source>Choose an amplifier first.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>not in the register map</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 %2, takes %3 to %4</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 %2, any 32-bit value</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Load cell %1 holds %2 (0x%3) in %4.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>&quot;%1&quot; is no value: type a whole number from 0 to 4294967295.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 takes %2 to %3; %4 was not written.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Write %1 into %2 of load cell %3? It is read back afterwards.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Written and read back: load cell %1 holds %2 in %3.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>&quot;%1&quot; is no entry: type index:sub in hex, e.g. 2018:00, or a setting&apos;s name.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>&quot;%1&quot; is no register: type 0x0056 or 86, or a setting&apos;s name.</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>LinkStatsModel</name>
    <message>
        <source>This amplifier&apos;s link keeps no counters.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>exception %1: %2</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>abort 0x%1: %2</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>refused by code: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>garbled or cut answers: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>port errors: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>last error at %1: %2</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>PopupCalibrationPage</name>
    <message>
        <source>Connection Error</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Failed to connect to amplifier. Please check your connection.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>No protocol was chosen.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Unknown protocol &quot;%1&quot;.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The amplifier did not answer.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>No AD value has arrived yet: wait until the read-out counts, then press %1 again.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>no answer for %1 s</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The AD read-out is not current (%1): wait until it counts again, then press %2 again.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Connect an amplifier first.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Press ZERO with the scale empty and SPAN with the known weight on it before Calibrate, or tick Pre-Calibrated to keep the amplifier&apos;s own calibration.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Device ID</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Scan</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Connect</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Pre-Calibrated</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Calibration Type</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>ZERO</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>SPAN</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Zero Calibration</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Span Calibration</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Span Weight(g): </source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Calibrate</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Invalid Input</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>This amplifier is already on the Weight Plot screen as amplifier %1; it is not added twice.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>CANopen: type the span weight before pressing SPAN; SPAN sends it to the amplifier.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Calibration Points Close Together</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Calibrate Anyway</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>PopupFiltersSetting</name>
    <message>
        <source>Amplifier %1 cannot report its current settings: the fields keep what was last entered, and empty fields write the defaults.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The current settings of amplifier %1 could not be read (%2): the fields keep what was last entered, and empty fields write the defaults.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The fields show the current settings of amplifier %1.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Success</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Filter settings applied successfully.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Settings applied to amplifiers %1; not applied to the others.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>No amplifier took the settings.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Filter Settings Failed</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Filter Settings</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Selected Amplifiers: </source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Enable FIR Filtering</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Zero Point</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Apply</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>it did not report back.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Load cell %1: %2</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Filtering Level (%1)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Filtering Bandwidth (%1)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Auto Zero Tracking Time (%1)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Auto Zero Tracking Bandwidth (%1)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Stability Determination Time (%1)</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>PopupInstrumentSelection</name>
    <message>
        <source>Protocol</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Model</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Select</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Choose a protocol first.</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>PopupMultiPointCalibration</name>
    <message>
        <source>No AD value has arrived yet: press Start Calibration and wait until the read-out counts.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Point %1: enter its weight in grams as a number of 0 or more.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Multi-Point Calibration</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Please capture at least two points before calibrating.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Start Calibration</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Capture AD</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Not Captured</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Weight (g)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Calibrate Multi-Point</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Point %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Calibration Points Close Together</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Calibrate Anyway</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>PopupOutputLogging</name>
    <message>
        <source>Enter a logging frequency from %1 to %2 ms.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Enter a duration from %1 to %2 seconds.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Replace File?</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 already holds data. Starting the recording empties it.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Replace</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Failed to create file. Please try another location.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Select Output File</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>CSV Logging Settings</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Logging Frequency (ms)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Duration (seconds)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Output File:</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Browse</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Start Logging</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Save</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Records: %1 (the selected amplifiers), in %2.</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>RegisterAmplifier</name>
    <message>
        <source>AVP1</source>
        <translation>AVP1</translation>
    </message>
    <message>
        <source>AVP2</source>
        <translation>AVP2</translation>
    </message>
    <message>
        <source>只读参数</source>
        <translation>read-only parameter</translation>
    </message>
    <message>
        <source>滤波级别</source>
        <translation>filter level</translation>
    </message>
    <message>
        <source>滤波带宽</source>
        <translation>filter bandwidth</translation>
    </message>
    <message>
        <source>自动零点追踪时间</source>
        <translation>auto-zero tracking time</translation>
    </message>
    <message>
        <source>自动零点追踪带宽</source>
        <translation>auto-zero tracking bandwidth</translation>
    </message>
    <message>
        <source>稳定时间</source>
        <translation>stability time</translation>
    </message>
    <message>
        <source>显示分度</source>
        <translation>display division</translation>
    </message>
    <message>
        <source>启动放大器功能测试程序...</source>
        <translation>Starting the amplifier function test...</translation>
    </message>
    <message>
        <source>【保存】正在读取测试前的参数值...</source>
        <translation>[Save] Reading the values held before the test...</translation>
    </message>
    <message>
        <source>→ [0x%1] 原值：0x%2</source>
        <translation>→ [0x%1] value before: 0x%2</translation>
    </message>
    <message>
        <source>【错误】原值读取失败（%1），为免丢失现有设置，不写入任何测试数据。</source>
        <translation>[Error] A value could not be read first (%1); so as not to lose the present settings, no test value is written.</translation>
    </message>
    <message>
        <source>【停止】测试已中止，正在恢复测试前的参数值...</source>
        <translation>[Stop] Test stopped; writing back the values held before the test...</translation>
    </message>
    <message>
        <source>【测试】正在处理 [%1] 参数 (地址：0x%2)</source>
        <translation>[Test] Processing [%1] (address: 0x%2)</translation>
    </message>
    <message>
        <source>ℹ️ [%1] 为只读参数，跳过写入。</source>
        <translation>ℹ️ [%1] is read-only; not written.</translation>
    </message>
    <message>
        <source>ℹ️ [%1] 原值未能保存，跳过写入以免丢失现有设置。</source>
        <translation>ℹ️ [%1]: the values before could not be saved; not written, so as not to lose the present settings.</translation>
    </message>
    <message>
        <source>→ 正在写入测试数据至 [%1] 参数：0x%2</source>
        <translation>→ Writing test value to [%1]: 0x%2</translation>
    </message>
    <message>
        <source>→ 写入完成，正在验证数据...</source>
        <translation>→ Written; verifying...</translation>
    </message>
    <message>
        <source>【错误】[%1] 写入失败：%2 </source>
        <translation>[Error] [%1] write failed: %2 </translation>
    </message>
    <message>
        <source>→ 正在读取 [%1] 参数数据...</source>
        <translation>→ Reading [%1]...</translation>
    </message>
    <message>
        <source>→ [%1] 参数数据：0x%2 —— %3</source>
        <translation>→ [%1] value: 0x%2 — %3</translation>
    </message>
    <message>
        <source>测试通过</source>
        <translation>passed</translation>
    </message>
    <message>
        <source>测试失败</source>
        <translation>failed</translation>
    </message>
    <message>
        <source>【错误】[%1] 读取失败：%2</source>
        <translation>[Error] [%1] read failed: %2</translation>
    </message>
    <message>
        <source>【测试】正在读取原始AD值...</source>
        <translation>[Test] Reading the raw AD value...</translation>
    </message>
    <message>
        <source>读取的原始AD值：0x%1 (%2)</source>
        <translation>Raw AD value read: 0x%1 (%2)</translation>
    </message>
    <message>
        <source>【错误】原始AD值读取失败。</source>
        <translation>[Error] The raw AD value could not be read.</translation>
    </message>
    <message>
        <source>【错误】原始AD值过低，可能存在硬件或连接问题。</source>
        <translation>[Error] The raw AD value is too low: possibly a hardware or connection problem.</translation>
    </message>
    <message>
        <source>【错误】原始AD值过高，超出预期范围。 请检查传感器连接。</source>
        <translation>[Error] The raw AD value is too high, beyond the expected range. Please check the sensor connection.</translation>
    </message>
    <message>
        <source>原始AD值测试通过，数值在合理范围内。</source>
        <translation>Raw AD value passed: within the plausible range.</translation>
    </message>
    <message>
        <source>【恢复】正在写回测试前的参数值...</source>
        <translation>[Restore] Writing back the values held before the test...</translation>
    </message>
    <message>
        <source>【错误】未能恢复：%1</source>
        <translation>[Error] Not restored: %1</translation>
    </message>
    <message>
        <source>参数恢复完成，已全部读回确认。</source>
        <translation>Restore done: every value read back and confirmed.</translation>
    </message>
    <message>
        <source>已恢复连续读取模式。</source>
        <translation>Continuous reading resumed.</translation>
    </message>
    <message>
        <source>Stopped after %1 of %2 registers (%3 passed)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 of %2 registers passed</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>; the raw AD value could not be read</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>; the raw AD value is out of range</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>; nothing was written, the settings could not be saved first (%1)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>; all settings restored and read back</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>; NOT restored: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>放大器功能测试全部完成。</source>
        <translation>Amplifier function test finished.</translation>
    </message>
</context>
<context>
    <name>ScreenAbout</name>
    <message>
        <source>version %1 %2</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>A device manager for Kelvora digital load-cell amplifiers: connect RS232, RS485 and CANopen amplifiers, calibrate them, watch and record their weights and check them on the bench.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>This application is made possible thanks to a couple of third party open source projects:</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>App name: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>App version: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Build mode: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Build architecture: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Build date: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Qt version: %1</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>ScreenLink</name>
    <message>
        <source>Frames Copied</source>
        <translation type="unfinished" />
    </message>
    <message numerus="yes">
        <source>%n frame(s) copied to the clipboard.</source>
        <translation type="unfinished">
            <numerusform />
            <numerusform />
        </translation>
    </message>
    <message>
        <source>Click a frame first.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Frames Exported</source>
        <translation type="unfinished" />
    </message>
    <message numerus="yes">
        <source>%n frame(s) written to %1</source>
        <translation type="unfinished">
            <numerusform />
            <numerusform />
        </translation>
    </message>
    <message>
        <source>Frames Not Exported</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Write Register?</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Write</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Export Frames</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Save</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Load cell</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Requests</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Good</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Time-outs</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Bad CRC</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Other id</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Exc. / abort</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Late</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Duplicates</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Median ms</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>p99 ms</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Resume</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Pause</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>All amplifiers</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Load cell %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>All verdicts</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Copy</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Export CSV</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Registers the map knows…</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Read</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>value</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Write…</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>ScreenCheck</name>
    <message>
        <source>Load cell %1 — %2</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>PASS</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>FAIL</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>INCOMPLETE</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Calibration Check</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Amplifier</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>No amplifier on the Weight Plot screen: add one there first.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Test loads (g)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>rising, from near zero to near the maximum: 0, 500, 1000, 1500, 2000</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Tolerance</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>2 g or 0.1 %</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Repeat load placed</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Scale interval (g)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Weights&apos; uncertainty</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Operator</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Test weights</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>set, class, certificate</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Time-out (s)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Start Check</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Step %1 of %2: %3</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 g</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>waiting for a stable reading…</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Press %1 once the load is in place.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Try Again</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Placed</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>capture anyway</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Skip Step</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Stop Check</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>PDF Report</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Open CSV</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Readings: %1
Report: %2</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Readings: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Load (g)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Error ↑</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Error ↓</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Hysteresis</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>U (k = 2)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Result</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Error (g)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>● rising</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>● falling</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>- - tolerance</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Repeatability (standard deviation): %1</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>ScreenPlayground</name>
    <message>
        <source>No Selection</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Please select at least one amplifier to remove.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Please select at least one amplifier to record.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Multi-Point Calibration</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Select exactly one RS485 amplifier to calibrate with several points.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>calibrating</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>no answer for %1 s</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Add</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Remove</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Multi-Point</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Auto Scale</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>WRITE FILTERS</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>ZERO</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>TARE</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Click a tile to select it; ZERO, TARE, WRITE FILTERS and recording act on the selected amplifiers.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Load cell %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>START RECORDING</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Recording Stopped</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>STOP RECORDING</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Recording %1 — %2 left. An amplifier added now is not in this recording.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>it did not report back.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Zero Done</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Zero Failed</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Tare Done</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Tare Failed</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>net</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>gross</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Plot Exported</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The plot was saved as %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Plot Not Exported</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The plot could not be written to %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Time</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Weight (%1)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Pause</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Live</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Export PNG</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Weight Range</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The upper weight must be above the lower one.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Load cell %1: %2</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Load cell %1: what it held before its calibration is saved as %2</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Backup</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Select exactly one amplifier to back up, compare or restore.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Backup…</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>ScreenSettings</name>
    <message>
        <source>Theme</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>light</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>dark</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Automatic dark mode</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Dark mode will switch on automatically between 9 PM and 9 AM.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Client Side Decoration</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The window is shown without the system&apos;s title bar and borders.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Language</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>auto</source>
        <extracomment>short for automatic</extracomment>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>BackupButtons</name>
    <message>
        <source>Backup…</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Compare…</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Restore…</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>BackupSession</name>
    <message>
        <source>—</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>unknown: it could not be read back</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>written and confirmed</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>refused; holds %1 as before</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>holds %1, neither the file&apos;s value nor the previous one</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>There is no amplifier to work with.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Choose a file first.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Reading every setting and the calibration…</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Nothing was saved: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Saved %1 values to %2.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The CANopen configuration file is %1.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>No CANopen configuration file: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Reading the amplifier to compare…</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The file cannot be compared: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The amplifier could not be read: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The amplifier holds every value of the file.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Values that differ between the file and the amplifier: %1.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>differs</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Restore refused: %1 Nothing was written.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>would be written</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>not written</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>What the amplifier held before is saved as %1.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Make a dry run first: it shows what the restore writes.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Writing the differing values…</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Reading the two files…</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The second file cannot be compared: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The two files hold the same values.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Values that differ between the two files: %1.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>put back or not written; holds %1 as before</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>PopupBackup</name>
    <message>
        <source>Load cell %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Compare %1 with a Backup</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Restore %1 from a Backup</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Back Up %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Save Backup As</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Open Backup</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Amplifier backups (*.json *.dcf)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>All files (*)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Backup</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Compare</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Restore</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>File:</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Choose a backup file</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Browse…</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Back Up</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Dry Run</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Write Differences (%1)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Setting</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>In the file</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>In the amplifier</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Outcome</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Automatic backups of this amplifier (taken before each calibration, self-test and restore):</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>No automatic backup of this amplifier yet.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Restore this</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>before a calibration</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>before a self-test</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>before a restore</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Stop</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Replace File?</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 exists already. Replace it with this backup?</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Replace</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Against:</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>the amplifier (or choose a second backup file)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>In the first file</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>In the second file</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>ScreenHostInfos</name>
    <message>
        <source>Automatic backup before the test: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>No automatic backup could be made, so the test did not start: %1</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>StabilityIndicator</name>
    <message>
        <source>spread %1 over %2 s (stable below %3)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>stable</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>not stable</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>StableCapture</name>
    <message>
        <source>No reading came within %1 s.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>No reading came within %1 s: %2</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>No stable reading within %1 s: the readings still spread over %2 (less than %3 needed).</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>StableCaptureWait</name>
    <message>
        <source>%1: %2</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1: waiting for a stable reading…</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>capture anyway</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>No reading has come yet: there is nothing to capture.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>StoredCalibration</name>
    <message>
        <source>%1 g</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Calibration held by the amplifier</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Read Again</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Could not read it: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Points: %1, zero offset: %2</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Point %1: AD %2 = %3</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>AD</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Weight (g)</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>AmplifierBase</name>
    <message>
        <source>This amplifier cannot report its calibration.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The calibration could not be read: %1 (%2) failed: %3</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The calibration cannot be shown: %1 (%2) holds %3, outside what a calibration writes there (%4 to %5).</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The amplifier reports %1 calibration points; this program knows where it keeps %2 only.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>No safety copy could be made first (%1); nothing was written.</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>CheckReport</name>
    <message>
        <source>The PDF library could not start.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Calibration held by the amplifier</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Not read: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>no answer</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Points in use</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Zero offset</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Point</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>AD value</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Weight (g)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Errors of indication (g)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Load</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Rising</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Error</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Falling</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Hyst.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Limit</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Result</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>not read</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>pass</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>FAIL</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Error of indication against load</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>load (g)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>error (g)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>rising</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>falling</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>tolerance</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>expanded uncertainty U (k = 2)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Calibration check report</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>INCOMPLETE</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>NOT JUDGED</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>PASSED</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>FAILED</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Verdict: </source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>No tolerance was given: the errors are reported without a verdict.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The check stopped before every reading was taken: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Some readings were skipped: no verdict can be given.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Every error of indication, rising and falling, lies within the tolerance of %1.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>At least one error of indication exceeds the tolerance of %1.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Amplifier</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Model</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Protocol</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Port and id</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Check</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Date</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Operator</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Test weights</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Weights&apos; uncertainty</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Scale interval d</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Tolerance</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>none given</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Notes</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Repeatability: %1 g placed %2 times, mean %3 g, standard deviation s = %4 g (%5).</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Remarks</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Method</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Error of indication E = I - L at each test load L, rising and falling; hysteresis |I(falling) - I(rising)|; repeatability s from the placings of one load; expanded uncertainty of the error U = 2 u(E), with u(E) from the resolution at zero and at load (d / sqrt 12 each), s and half the test weights&apos; stated U, following EURAMET Calibration Guide No. 18. Each indication is the mean of a stable window: spread below %1 g over %2 ms.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Date: ________________</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Signature: ______________________</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Kelvora Amplifier Manager %1 - raw readings in %2</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The PDF could not be made.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>backup</name>
    <message>
        <source>This program keeps no backup of %1 amplifiers.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>This amplifier cannot be read for a backup.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 (%2) could not be read: %3</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The file is damaged or truncated: %1 at byte %2.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The file is not an amplifier backup (it does not say &quot;format&quot;: &quot;%1&quot;).</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The backup&apos;s format version %1 is unknown to this program, which reads version %2.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The backup is damaged: it names no model.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The backup names the protocol &quot;%1&quot;, which this program does not know.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The backup is damaged: it holds no list of settings.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The backup is damaged: a setting has no name.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The backup holds &quot;%1&quot;, a setting %2 amplifiers do not have.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The backup is damaged: it holds &quot;%1&quot; twice.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The backup is damaged: it puts &quot;%1&quot; at %2, where this program knows it at %3.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The backup is damaged: the value of &quot;%1&quot; is not a whole number from 0 to 4294967295.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The backup is incomplete: it lacks &quot;%1&quot; (%2).</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The file cannot be read: %1.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The file is not an amplifier backup (%1 bytes; a backup is a few kilobytes).</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>A device configuration file holds CANopen entries; %1 amplifiers have none.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 cannot be written: %2.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 could not be written whole: %2.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>(none)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The backup is of a %1 amplifier and this one is %2: a backup goes only into an amplifier of the same model and protocol.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The backup is of the model %1 and this amplifier is %2: a backup goes only into an amplifier of the same model and protocol.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The backup holds &quot;%1&quot;, a setting this amplifier does not have.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 = %2 is outside what the amplifier takes (%3 to %4).</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The backup lacks &quot;%1&quot; (%2).</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>; nothing was written.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Restore refused: %1 Nothing was written.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Restore aborted: the amplifier could not be read first: %1%2</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Dry run: the amplifier already holds every value of the backup.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Dry run: %1 value(s) would be written; nothing was written.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The amplifier already holds every value of the backup; nothing was written.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Restore stopped before the first write; nothing was written.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Restore aborted: no safety copy could be made first (%1)%2</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>stopped by the user</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>the previous values were</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Restore stopped: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Restore failed: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Restore written and each write confirmed, but the final read-back failed: %1.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Restore written, but the amplifier reads back otherwise than the file (amplifier -&gt; file): %1.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Restored: %1 value(s) written, and every value reads back as in the file.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>the folder %1 cannot be made</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>the amplifier could not be read: %1</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>checkstats</name>
    <message>
        <source>No value given.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>&quot;%1&quot; is not a number of grams (such as 2) or a percentage (such as 0.1%).</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>&quot;%1&quot; is negative.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>No test loads given.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Test load %1 is empty.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Test load &quot;%1&quot; is not a number of grams.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Test load %1 g is negative.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>At least %1 test loads are needed, from near zero to near the maximum; %2 given.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Test loads must rise: %1 g comes after %2 g.</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>frames</name>
    <message>
        <source>read</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>write</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>exception</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>abort</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>upload</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>download</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>upload, segmented</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>download acknowledged</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>ok</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>time-out</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>bad CRC</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>other id</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>refused</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>late</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>duplicate</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>garbage</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>incomplete</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>unsupported</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>refused, code 0x%1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>answer from id %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 late bytes discarded</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 bytes of a second answer discarded</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>writetx</name>
    <message>
        <source>the read-back failed: %1</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>read back %1 instead of %2</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 = unknown (%2)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 = %2 (was %3)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1 could not be read first (%2); nothing was written.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>refused at %1 (%2)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>failed at %1 (%2)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1; writing back the previous values failed, the amplifier now holds: %2; everything else as before.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1; nothing was changed (read back).</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>%1; %2 written back and read back.</source>
        <translation type="unfinished" />
    </message>
</context>
<context>
    <name>rawaccess</name>
    <message>
        <source>Read of register 0x%1 failed: %2.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Write to register 0x%1 not confirmed: %2; %3</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>it holds %1.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>what it holds is unknown (%1)</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Write to register 0x%1 confirmed, but the read-back failed: %2</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Write to register 0x%1 confirmed, but it reads back %2, not %3.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>The CAN adapter is not open.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Read of entry %1 failed: %2.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Entry %1 holds %2 bytes: %3 does not fit; nothing was written.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Write to entry %1 not confirmed: %2; %3</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Write to entry %1 confirmed, but the read-back failed: %2</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>Write to entry %1 confirmed, but it reads back %2, not %3.</source>
        <translation type="unfinished" />
    </message>
    <message>
        <source>This amplifier offers no raw register access.</source>
        <translation type="unfinished" />
    </message>
</context>
</TS>

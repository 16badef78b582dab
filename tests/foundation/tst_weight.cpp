// Weight units and the display conversion shared by every driver, checked on the real driver classes.
#include "amplifiers/RS232Controller.h"
#include "amplifiers/Weight.h"
#include "amplifiers/canopen/CANOpenAmplifier.h"
#include "amplifiers/rs232/RS232Amplifier.h"
#include "amplifiers/rs485/RS485Amplifier.h"
#include "amplifiers/rs485/RS485Bus.h"

#include <QtTest>

#include <limits>

class TestWeight : public QObject {
    Q_OBJECT

private slots:
    void init();

    void toDisplay_roundsToTwoDecimals_data();
    void toDisplay_roundsToTwoDecimals();

    void unitKeys_areCaseSensitive_data();
    void unitKeys_areCaseSensitive();

    void rs232_unitIsClassWide_andOutlivesAmplifiers();
    void rs485_unitIsPerAmplifier();
    void canopen_unitIsClassWide();
    void drivers_setMeasuredWeight_emitsOnlyOnChange();

private:
    static void resetClassWideUnits();
};

void TestWeight::resetClassWideUnits() {
    // The class-wide selections outlive every amplifier; give each test the program-start state.
    RS232Amplifier rs232(QStringLiteral("TX-7001"), QStringLiteral("/dev/null-port"), 9600);
    rs232.setUnit(QStringLiteral("g"));
    CANOpenAmplifier canopen(QStringLiteral("TC-7002"), QStringLiteral("PCAN_USBBUS1"), 1000000, 1, nullptr);
    canopen.setUnit(QStringLiteral("g"));
}

void TestWeight::init() {
    resetClassWideUnits();
}

void TestWeight::toDisplay_roundsToTwoDecimals_data() {
    QTest::addColumn<double>("stored");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<double>("expected");

    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("123456 g") << 123456.0 << "g" << 1234.56;
    QTest::newRow("123456 kg") << 123456.0 << "kg" << 1.23;
    QTest::newRow("123456 lb") << 123456.0 << "lb" << 2.72;
    QTest::newRow("0 lb") << 0.0 << "lb" << 0.0;
    QTest::newRow("half up 1500 kg") << 1500.0 << "kg" << 0.02;
    QTest::newRow("half away from zero -1500 kg") << -1500.0 << "kg" << -0.02;
    QTest::newRow("just below half 1499 kg") << 1499.0 << "kg" << 0.01;
    QTest::newRow("fraction -1.5 g") << -1.5 << "g" << -0.02;
    QTest::newRow("unknown unit counts as g") << 12345.0 << "oz" << 123.45;
    QTest::newRow("uint32 max lb") << 4294967295.0 << "lb" << 94687.9;
    // Beyond 2^31 - 1 hundredths, where rounding through 32 bits wrapped or saturated.
    QTest::newRow("2^31 hundredths") << 2147483648.0 << "g" << 21474836.48;
    QTest::newRow("half above 2^31") << 2147483648.5 << "g" << 21474836.49;
    QTest::newRow("-half below -2^31") << -2147483649.5 << "g" << -21474836.5;
    QTest::newRow("-5e9") << -5e9 << "g" << -5e7;
    QTest::newRow("beyond 2^62") << 1e20 << "g" << 1e18;
    QTest::newRow("near double max") << 1e300 << "g" << 1e298;
    QTest::newRow("infinity") << inf << "kg" << inf;
    QTest::newRow("-infinity") << -inf << "g" << -inf;
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << "g"
                         << std::numeric_limits<double>::quiet_NaN();
}

void TestWeight::toDisplay_roundsToTwoDecimals() {
    QFETCH(double, stored);
    QFETCH(QString, unit);
    QFETCH(double, expected);
    QCOMPARE(weight::toDisplay(stored, unit), expected);
}

void TestWeight::unitKeys_areCaseSensitive_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<bool>("known");
    QTest::addColumn<double>("factor");

    QTest::newRow("g") << "g" << true << 1.0;
    QTest::newRow("kg") << "kg" << true << 0.001;
    QTest::newRow("lb") << "lb" << true << 0.0022046244201837776;
    QTest::newRow("KG") << "KG" << false << 1.0;
    QTest::newRow("G") << "G" << false << 1.0;
    QTest::newRow("blank padded") << " g" << false << 1.0;
    QTest::newRow("empty") << "" << false << 1.0;
    QTest::newRow("lbs") << "lbs" << false << 1.0;
}

void TestWeight::unitKeys_areCaseSensitive() {
    QFETCH(QString, unit);
    QFETCH(bool, known);
    QFETCH(double, factor);
    bool found = !known;
    QCOMPARE(weight::unitFactor(unit, &found), factor);
    QCOMPARE(found, known);
    QCOMPARE(weight::isKnownUnit(unit), known);
}

void TestWeight::rs232_unitIsClassWide_andOutlivesAmplifiers() {
    RS232Amplifier first(QStringLiteral("TX-7001"), QStringLiteral("/dev/kelvora-none-1"), 9600);
    RS232Amplifier second(QStringLiteral("TX-7001"), QStringLiteral("/dev/kelvora-none-2"), 9600);
    first.setMeasuredWeight(123456);
    second.setMeasuredWeight(-1500);

    first.setUnit(QStringLiteral("kg"));
    QCOMPARE(first.getMeasuredWeight(), 1.23);
    QCOMPARE(second.getMeasuredWeight(), -0.02);

    QTest::ignoreMessage(QtWarningMsg, "❌ Invalid unit selection: KG");
    second.setUnit(QStringLiteral("KG"));
    QCOMPARE(first.getMeasuredWeight(), 1.23);

    // A new amplifier starts with the unit last chosen for its class.
    RS232Controller controller;
    RS232Amplifier *third =
        controller.addAmplifier(QStringLiteral("TX-7001"), QStringLiteral("/dev/x"), 9600);
    QVERIFY(third);
    third->setMeasuredWeight(123456);
    QCOMPARE(third->getMeasuredWeight(), 1.23);
}

void TestWeight::rs485_unitIsPerAmplifier() {
    RS485Bus bus;
    RS485Amplifier first(QStringLiteral("TX-7002"), QStringLiteral("/dev/kelvora-none"), 9600, 1, &bus);
    RS485Amplifier second(QStringLiteral("TX-7002"), QStringLiteral("/dev/kelvora-none"), 9600, 2, &bus);
    first.setMeasuredWeight(123456);
    second.setMeasuredWeight(123456);

    first.setUnit(QStringLiteral("lb"));
    QCOMPARE(first.getUnit(), QStringLiteral("lb"));
    QCOMPARE(second.getUnit(), QStringLiteral("g"));
    QCOMPARE(first.getMeasuredWeight(), 2.72);
    QCOMPARE(second.getMeasuredWeight(), 1234.56);

    QTest::ignoreMessage(QtWarningMsg, "❌ Invalid unit selection: Lb");
    first.setUnit(QStringLiteral("Lb"));
    QCOMPARE(first.getUnit(), QStringLiteral("lb"));
}

void TestWeight::canopen_unitIsClassWide() {
    CANOpenAmplifier first(QStringLiteral("TC-7002"), QStringLiteral("PCAN_USBBUS1"), 1000000, 1, nullptr);
    CANOpenAmplifier second(QStringLiteral("TC-7002"), QStringLiteral("PCAN_USBBUS1"), 1000000, 2, nullptr);
    first.setMeasuredWeight(1500);
    second.setMeasuredWeight(-1500);
    second.setUnit(QStringLiteral("kg"));
    QCOMPARE(first.getMeasuredWeight(), 0.02);
    QCOMPARE(second.getMeasuredWeight(), -0.02);

    // Far outside the 32-bit range the CANopen driver rounds like the others.
    first.setMeasuredWeight(5e12);
    QCOMPARE(first.getMeasuredWeight(), 5e7);

    // The RS232 class keeps its own selection.
    RS232Amplifier rs232(QStringLiteral("TX-7001"), QStringLiteral("/dev/kelvora-none"), 9600);
    rs232.setMeasuredWeight(1500);
    QCOMPARE(rs232.getMeasuredWeight(), 15.0);
}

void TestWeight::drivers_setMeasuredWeight_emitsOnlyOnChange() {
    RS232Amplifier amplifier(QStringLiteral("TX-7001"), QStringLiteral("/dev/kelvora-none"), 9600);
    QSignalSpy spy(&amplifier, SIGNAL(measuringValueReceived(uint32_t)));
    QVERIFY(spy.isValid());
    amplifier.setMeasuredWeight(0.0);
    QCOMPARE(spy.count(), 0);
    amplifier.setMeasuredWeight(1234.9);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<uint32_t>(), 1234u);
    amplifier.setMeasuredWeight(1234.9);
    QCOMPARE(spy.count(), 1);
}

QTEST_MAIN(TestWeight)
#include "tst_weight.moc"

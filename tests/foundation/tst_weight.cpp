// Weight units and the display conversion shared by every driver, checked on the real driver classes, and the
// light/dark rule the screens pick text colours by.
#include "app/RS232Controller.h"
#include "app/utils/UtilsApp.h"
#include "device/canopen/CANOpenAmplifier.h"
#include "device/rs232/RS232Amplifier.h"
#include "device/rs485/RS485Amplifier.h"
#include "link/serial/RS485Bus.h"
#include "protocol/Weight.h"

#include <QtTest>

#include <limits>
#include <memory>

namespace {

// Outlives every amplifier the tests make.
RS485Bus *s_bus = nullptr;

// A driver of `family` through the surface the screens use.
std::unique_ptr<QObject> make(const QString &family, int id) {
    if (family == QLatin1String("RS232"))
        return std::make_unique<RS232Amplifier>(QStringLiteral("TX-7001"), QStringLiteral("/dev/none"), 9600);
    if (family == QLatin1String("RS485"))
        return std::make_unique<RS485Amplifier>(QStringLiteral("TX-7002"), QStringLiteral("/dev/none"), 9600,
                                                uint8_t(id), s_bus);
    return std::make_unique<CANOpenAmplifier>(QStringLiteral("TC-7002"), QStringLiteral("PCAN_USBBUS1"),
                                              1000000, uint8_t(id), nullptr);
}

void setUnit(QObject *amplifier, const QString &unit) {
    QVERIFY(QMetaObject::invokeMethod(amplifier, "setUnit", Q_ARG(QString, unit)));
}

double shown(QObject *amplifier, double stored) {
    [&] {
        QVERIFY(QMetaObject::invokeMethod(amplifier, "setMeasuredWeight", Q_ARG(double, stored)));
    }();
    return dynamic_cast<AmplifierBase *>(amplifier)->getMeasuredWeight();
}

} // namespace

class TestWeight : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { s_bus = &m_bus; }
    void init() {
        // The class-wide selections outlive every amplifier; each test starts from the program-start state.
        for (const char *family : {"RS232", "CANOpen"})
            setUnit(make(QLatin1String(family), 1).get(), QStringLiteral("g"));
    }

    void toDisplay_roundsToTwoDecimals_data() {
        QTest::addColumn<double>("stored");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<double>("expected");
        const double inf = std::numeric_limits<double>::infinity();
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("123456 g") << 123456.0 << "g" << 1234.56;
        QTest::newRow("123456 kg") << 123456.0 << "kg" << 1.23;
        QTest::newRow("123456 lb") << 123456.0 << "lb" << 2.72;
        QTest::newRow("half up 1500 kg") << 1500.0 << "kg" << 0.02;
        QTest::newRow("half away from zero -1500 kg") << -1500.0 << "kg" << -0.02;
        QTest::newRow("just below half 1499 kg") << 1499.0 << "kg" << 0.01;
        QTest::newRow("fraction -1.5 g") << -1.5 << "g" << -0.02;
        // Unit keys are exact: anything else counts as g.
        for (const char *unknown : {"oz", "KG", "G", " g", "", "lbs"})
            QTest::addRow("'%s' counts as g", unknown) << 12345.0 << unknown << 123.45;
        QTest::newRow("uint32 max lb") << 4294967295.0 << "lb" << 94687.9;
        // Beyond 2^31 - 1 hundredths, where rounding through 32 bits wrapped or saturated.
        QTest::newRow("2^31 hundredths") << 2147483648.0 << "g" << 21474836.48;
        QTest::newRow("half above 2^31") << 2147483648.5 << "g" << 21474836.49;
        QTest::newRow("-half below -2^31") << -2147483649.5 << "g" << -21474836.5;
        QTest::newRow("beyond 2^62") << 1e20 << "g" << 1e18;
        QTest::newRow("infinity") << inf << "kg" << inf;
        QTest::newRow("NaN") << nan << "g" << nan;
    }
    void toDisplay_roundsToTwoDecimals() {
        QFETCH(double, stored);
        QFETCH(QString, unit);
        QFETCH(double, expected);
        QCOMPARE(weight::toDisplay(stored, unit), expected);
        bool known = false;
        weight::unitFactor(unit, &known);
        QCOMPARE(known, QStringList({"g", "kg", "lb"}).contains(unit));
        QCOMPARE(weight::isKnownUnit(unit), known);
    }

    // RS232 and CANopen keep one unit per driver class, which new amplifiers take on; RS485 one per
    // amplifier.
    void unitChoice_isKeptPerClassOrPerAmplifier_data() {
        QTest::addColumn<QString>("family");
        QTest::addColumn<bool>("classWide");
        QTest::newRow("RS232") << "RS232" << true;
        QTest::newRow("RS485") << "RS485" << false;
        QTest::newRow("CANopen") << "CANOpen" << true;
    }
    void unitChoice_isKeptPerClassOrPerAmplifier() {
        QFETCH(QString, family);
        QFETCH(bool, classWide);
        auto first = make(family, 1);
        auto second = make(family, 2);
        setUnit(first.get(), QStringLiteral("kg"));
        QCOMPARE(shown(first.get(), 123456), 1.23);
        QCOMPARE(shown(second.get(), -1500), classWide ? -0.02 : -15.0);
        // Far outside the 32-bit range every driver rounds alike.
        QCOMPARE(shown(second.get(), -5e12), classWide ? -5e7 : -5e10);

        QTest::ignoreMessage(QtWarningMsg, "❌ Invalid unit selection: KG");
        setUnit(first.get(), QStringLiteral("KG"));
        QCOMPARE(shown(first.get(), 123456), 1.23);
        QCOMPARE(shown(make(family, 3).get(), 1500), classWide ? 0.02 : 15.0);
        // Other classes keep their own selection.
        auto other =
            make(family == QLatin1String("RS232") ? QStringLiteral("CANOpen") : QStringLiteral("RS232"), 1);
        QCOMPARE(shown(other.get(), 1500), 15.0);
        if (family == QLatin1String("RS232")) {
            // The controller's amplifiers are of the class too.
            RS232Controller controller;
            QCOMPARE(shown(controller.addAmplifier(QStringLiteral("TX-7001"), QStringLiteral("/dev/x"), 9600),
                           1500),
                     0.02);
        }
    }

    // A measuring value goes out only when it changes, as the amplifier's 32 bits (cut towards zero).
    void setMeasuredWeight_emitsOnlyOnChange() {
        RS232Amplifier amplifier(QStringLiteral("TX-7001"), QStringLiteral("/dev/none"), 9600);
        QSignalSpy spy(&amplifier, &RS232Amplifier::measuringValueReceived);
        for (double value : {0.0, 1234.9, 1234.9, -5.7, -5.7, 1e12})
            amplifier.setMeasuredWeight(value);
        QCOMPARE(spy.count(), 3);
        QCOMPARE(spy.at(0).at(0).value<uint32_t>(), 1234u);
        QCOMPARE(spy.at(1).at(0).value<uint32_t>(), 4294967291u);
        QCOMPARE(spy.at(2).at(0).value<uint32_t>(), uint32_t(1000000000000ull & 0xFFFFFFFFu));
    }

    void isColorLight_data() {
        QTest::addColumn<int>("rgb");
        QTest::addColumn<bool>("light");
        QTest::newRow("white") << 0xFFFFFF << true;
        QTest::newRow("black") << 0x000000 << false;
        QTest::newRow("pure red") << 0xFF0000 << false;
        QTest::newRow("yellow") << 0xFFFF00 << true;
        QTest::newRow("light grey 0xcccccc") << 0xCCCCCC << false; // darkness exactly 0.2 is not light
        QTest::newRow("grey 0xcdcdcd") << 0xCDCDCD << true;
        QTest::newRow("alpha bits ignored") << static_cast<int>(0xFFFFFFFFu) << true;
    }
    void isColorLight() {
        QFETCH(int, rgb);
        QFETCH(bool, light);
        QCOMPARE(UtilsApp::isColorLight(rgb), light);
        QCOMPARE(UtilsApp::isQColorLight(QColor::fromRgb(static_cast<QRgb>(rgb))), light);
    }

private:
    RS485Bus m_bus;
};

QTEST_MAIN(TestWeight)
#include "tst_weight.moc"

// The register map's clamp, for the numbers QML passes (any JS number), and the protocol facts against the
// factory: a protocol one lists and the other does not would be offered and then fail to be made.
#include "protocol/RegisterMap.h"

#include <QTest>

#include <limits>

class TestRegisterMap : public QObject {
    Q_OBJECT

private slots:
    void clamped_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("canOpen");
        QTest::addColumn<double>("value");
        QTest::addColumn<uint>("written");
        const auto row = [](const char *tag, const char *name, bool canOpen, double value, uint written) {
            QTest::newRow(tag) << QString::fromLatin1(name) << canOpen << value << written;
        };
        // The argument was 8 bits wide: 260 arrived as 4, which is in range.
        row("serial level 260 cut to 8 bits", "filteringLevel", false, 260, 4);
        row("serial level 2.9 truncated", "filteringLevel", false, 2.9, 2);
        row("serial level -1 cut, then bound", "filteringLevel", false, -1, 5);
        row("serial bandwidth 70000 cut to 16 bits", "filteringBandwidth", false, 70000, 1000);
        row("serial tracking time 51", "autoZeroTrackingTime", false, 51, 50);
        row("serial stability 0 raised to 1", "stabilityDeterminationTime", false, 0, 1);
        row("serial zero point 2^32 + 7 wraps", "zeroPoint", false, 4294967303.0, 7);
        row("serial NaN is 0", "zeroPoint", false, std::numeric_limits<double>::quiet_NaN(), 0);
        row("CANopen level 0 replaced by 1", "filteringLevel", true, 0, 1);
        row("CANopen level 5 kept", "filteringLevel", true, 5, 5);
        row("CANopen tracking time 65536 + 9 cut to 16 bits", "autoZeroTrackingTime", true, 65545, 9);
        row("CANopen bandwidth 70000 kept", "filteringBandwidth", true, 70000, 70000);
    }
    void clamped() {
        QFETCH(QString, name);
        QFETCH(bool, canOpen);
        QFETCH(double, value);
        QFETCH(uint, written);
        const regmap::Setting &setting = regmap::named(name.toLatin1().constData());
        QCOMPARE(regmap::clamped(setting, canOpen ? regmap::Family::CanOpen : regmap::Family::Serial, value),
                 written);
    }
};

QTEST_GUILESS_MAIN(TestRegisterMap)
#include "tst_register_map.moc"

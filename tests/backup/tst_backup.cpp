// Backups and restores against the simulated amplifiers: RS232 and RS485 through kelvora-sim on a
// pseudo-terminal, CANopen through simulated nodes on a virtual CAN bus of the test's own.
#include "CanTestBus.h"
#include "SimulatorProcess.h"

#include "device/ProtocolFacts.h"
#include "device/rs232/RS232Amplifier.h"
#include "device/rs485/RS485Amplifier.h"
#include "link/serial/RS485Bus.h"

#include <QTest>

#include <memory>

namespace {

// Two amplifiers of one protocol, each with a way to read what it holds past the driver.
class Rig {
public:
    explicit Rig(const QString &protocol)
        : m_protocol(protocol) {
        if (protocol == QLatin1String("CANOpen")) {
            m_error = m_can.start({1, 2});
            if (!m_error.isEmpty())
                return;
            for (uint8_t node : {1, 2})
                m_amps.push_back(m_can.amplifier(node));
        } else if (protocol == QLatin1String("RS485")) {
            m_sims.push_back(std::make_unique<SimulatorProcess>(QStringList{"--ids", "1,2"}));
            for (uint8_t id : {1, 2})
                m_amps.push_back(std::make_unique<RS485Amplifier>(QStringLiteral("M"), m_sims[0]->port(),
                                                                  9600, id, &m_bus));
        } else {
            for (int i = 0; i < 2; ++i) {
                m_sims.push_back(std::make_unique<SimulatorProcess>());
                m_amps.push_back(
                    std::make_unique<RS232Amplifier>(QStringLiteral("M"), m_sims.back()->port(), 9600));
            }
        }
        for (auto &sim : m_sims) {
            if (!sim->isReady())
                m_error = sim->errorString();
        }
        for (auto &amp : m_amps) {
            if (m_error.isEmpty())
                amp->connect();
            if (m_error.isEmpty() && !amp->isConnected())
                m_error = QStringLiteral("amplifier did not connect");
        }
    }
    QString error() const { return m_error; }
    AmplifierBase *amp(int which) { return m_amps.at(static_cast<size_t>(which)).get(); }
    regmap::Family family() const { return protocolfacts::find(m_protocol)->family; }

    // What amplifier `which` holds of `value`, asked of the simulator itself.
    qint64 held(int which, const regmap::StoredValue &value) {
        if (family() == regmap::Family::CanOpen) {
            const std::optional<uint32_t> entry =
                m_can.nodes.entry(static_cast<uint8_t>(which + 1), value.index, value.subIndex);
            return entry ? qint64{*entry} : -1;
        }
        return sim(which).query(QStringLiteral("get %1 %2").arg(id(which)).arg(value.reg));
    }
    // Puts `number` into `value` of amplifier `which` past the driver (serial) or through a confirmed write.
    void put(int which, const regmap::StoredValue &value, uint32_t number) {
        if (family() == regmap::Family::Serial) {
            QCOMPARE(
                sim(which).command(QStringLiteral("set %1 %2 %3").arg(id(which)).arg(value.reg).arg(number)),
                QStringLiteral("OK"));
            return;
        }
        const writetx::Access access = amp(which)->storedValueAccess({value});
        QVERIFY(!access.write(0, number));
    }

private:
    SimulatorProcess &sim(int which) {
        return *m_sims.at(m_sims.size() == 1 ? 0 : static_cast<size_t>(which));
    }
    int id(int which) const { return m_sims.size() == 1 ? which + 1 : 1; }

    QString m_protocol;
    QString m_error;
    cantest::Bus m_can;
    RS485Bus m_bus;
    std::vector<std::unique_ptr<SimulatorProcess>> m_sims;
    std::vector<std::unique_ptr<AmplifierBase>> m_amps;
};

const regmap::StoredValue &stored(regmap::Family family, const QString &name) {
    for (const regmap::StoredValue &value : regmap::storedValues(family)) {
        if (value.name == name)
            return value;
    }
    qFatal("no stored value %s", qPrintable(name));
}

void addProtocols() {
    QTest::addColumn<QString>("protocol");
    for (const char *protocol : {"RS232", "RS485", "CANOpen"})
        QTest::newRow(protocol) << protocol;
}

} // namespace

class TestBackup : public QObject {
    Q_OBJECT

private slots:
    // The calibration map shows what the amplifier holds, read now; a silent one gives only the reason.
    void storedCalibration_isReadFromTheAmplifier_data() { addProtocols(); }
    void storedCalibration_isReadFromTheAmplifier() {
        QFETCH(QString, protocol);
        Rig rig(protocol);
        QVERIFY2(rig.error().isEmpty(), qPrintable(rig.error()));
        const regmap::Family family = rig.family();
        rig.put(0, stored(family, "point1Ad"), 654321);
        rig.put(0, stored(family, "point1Weight"), 123456);
        const QVariantMap read = rig.amp(0)->readStoredCalibration();
        QVERIFY2(!read.contains("error"), qPrintable(read.value("error").toString()));
        QCOMPARE(read.value("pointCount").toInt(), 2);
        const QVariantList points = read.value("points").toList();
        QCOMPARE(points.size(), 2);
        QCOMPARE(points[0].toMap().value("ad").toLongLong(), rig.held(0, stored(family, "point0Ad")));
        QCOMPARE(points[0].toMap().value("weight").toDouble(), 0.0);
        QCOMPARE(points[1].toMap().value("ad").toLongLong(), 654321);
        QCOMPARE(points[1].toMap().value("weight").toDouble(), 1234.56);
        QCOMPARE(read.contains("zeroOffset"), family == regmap::Family::Serial);
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"

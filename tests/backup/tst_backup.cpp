// Backups and restores against the simulated amplifiers: RS232 and RS485 through kelvora-sim on a
// pseudo-terminal, CANopen through simulated nodes on a virtual CAN bus of the test's own.
#include "CanTestBus.h"
#include "SimulatorProcess.h"

#include "device/ProtocolFacts.h"
#include "device/backup/Backup.h"
#include "device/rs232/RS232Amplifier.h"
#include "device/rs485/RS485Amplifier.h"
#include "link/serial/RS485Bus.h"
#include "protocol/Calibration.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <memory>

namespace {

// The virtual CAN bus serves one test process from its first start on: its two nodes are shared by the
// CANopen rows, each of which starts from the values the nodes held at first.
struct SharedCan {
    cantest::Bus bus;
    QString error;
    bool started = false;
    std::vector<backup::Backup> initial;
};

// Two amplifiers of one protocol, each with a way to read what it holds past the driver.
class Rig {
public:
    Rig(const QString &protocol, SharedCan &can)
        : m_protocol(protocol)
        , m_can(can.bus) {
        if (protocol == QLatin1String("CANOpen")) {
            if (!can.started) {
                can.error = can.bus.start({1, 2});
                can.started = true;
            }
            m_error = can.error;
            if (!m_error.isEmpty())
                return;
            m_can.nodes.command(QStringLiteral("silent off"));
            m_can.nodes.command(QStringLiteral("load 500"));
            for (uint8_t node : {1, 2})
                m_amps.push_back(m_can.amplifier(node));
            for (size_t i = 0; i < m_amps.size() && m_error.isEmpty(); ++i) {
                if (can.initial.size() < m_amps.size()) {
                    const backup::Taken taken = backup::take(*m_amps[i]);
                    can.initial.push_back(taken.backup);
                    m_error = taken.error;
                } else if (!backup::restore(*m_amps[i], can.initial[i]).ok()) {
                    m_error = QStringLiteral("node %1 could not be reset").arg(i + 1);
                }
            }
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

    // The measuring value amplifier `which` gives now: the calibration in force at work.
    qint64 measuring(int which) {
        if (family() == regmap::Family::CanOpen)
            return m_can.nodes.measuringValue(static_cast<uint8_t>(which + 1));
        return sim(which).query(QStringLiteral("get %1 0").arg(id(which)));
    }
    // The write frames amplifier `which` received since the last call, as hex.
    QStringList writes(int which) {
        if (family() == regmap::Family::Serial) {
            const QString log = sim(which).command(QStringLiteral("log %1").arg(id(which)));
            return log.mid(3).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        }
        QStringList frames;
        for (const QByteArray &frame : cantest::wire(m_can.nodes, static_cast<uint8_t>(which + 1))) {
            if (QByteArrayList{"2f", "2b", "23", "22"}.contains(frame.left(2)))
                frames << QString::fromLatin1(frame);
        }
        m_can.nodes.clearReceived();
        return frames;
    }
    // The next write of `value` into amplifier `which` is refused.
    QString refuseNextWrite(int which, const regmap::StoredValue &value) {
        if (family() == regmap::Family::Serial)
            return sim(which).command(QStringLiteral("refuse %1 %2 1").arg(id(which)).arg(value.reg));
        return m_can.nodes.command(
            QStringLiteral("@%1 refuse %2 %3 1").arg(which + 1).arg(value.index, 0, 16).arg(value.subIndex));
    }
    QString silence(int which) {
        if (family() == regmap::Family::Serial)
            return sim(which).command(QStringLiteral("fault %1 silence").arg(id(which)));
        return m_can.nodes.command(QStringLiteral("@%1 silent on").arg(which + 1));
    }
    // Every value amplifier `which` holds, by name.
    QMap<QString, qint64> all(int which) {
        QMap<QString, qint64> values;
        for (const regmap::StoredValue &value : regmap::storedValues(family()))
            values[value.name] = held(which, value);
        return values;
    }

private:
    SimulatorProcess &sim(int which) {
        return *m_sims.at(m_sims.size() == 1 ? 0 : static_cast<size_t>(which));
    }
    int id(int which) const { return m_sims.size() == 1 ? which + 1 : 1; }

    QString m_protocol;
    QString m_error;
    cantest::Bus &m_can;
    RS485Bus m_bus;
    std::vector<std::unique_ptr<SimulatorProcess>> m_sims;
    std::vector<std::unique_ptr<AmplifierBase>> m_amps;
};

const regmap::StoredValue &stored(regmap::Family family, const QString &name) {
    return *regmap::findStored(family, name);
}

// A change of settings and calibration that a restore must undo: one setting and a calibration of three
// points on the serial amplifiers (the count grows), two on CANopen.
void change(Rig &rig, int which) {
    const regmap::Family family = rig.family();
    rig.put(which, stored(family, "filteringLevel"), 4);
    rig.put(which, stored(family, "point1Ad"), 700000);
    rig.put(which, stored(family, "point1Weight"), 200000);
    if (family == regmap::Family::Serial) {
        rig.put(which, stored(family, "point2Ad"), 900000);
        rig.put(which, stored(family, "point2Weight"), 300000);
        rig.put(which, stored(family, "pointCount"), 3);
    } else {
        // The node takes the changed entries as its calibration.
        rig.put(which, stored(family, "pointCount"), 2);
    }
}

void compareWith(Rig &rig, int which, const backup::Backup &backup) {
    const QMap<QString, qint64> held = rig.all(which);
    for (const backup::Setting &setting : backup.settings)
        QCOMPARE(QString::number(held.value(setting.name)), QString::number(setting.value));
}

// The serial write frames `frames` applied in turn to the values `held`: the first write after which the
// calibration in use breaks the calibration rule, and why; empty when none does.
QString firstInvalidCurve(const QStringList &frames, QMap<QString, qint64> held) {
    for (const QString &frame : frames) {
        const QByteArray bytes = QByteArray::fromHex(frame.toLatin1());
        for (const regmap::StoredValue &value : regmap::storedValues(regmap::Family::Serial)) {
            if (value.reg == qFromBigEndian<quint16>(bytes.constData() + 2))
                held[value.name] = qFromBigEndian<quint32>(bytes.constData() + 7);
        }
        QList<uint32_t> ads;
        QList<uint32_t> grams;
        for (int i = 0; i < held.value("pointCount"); ++i) {
            ads << static_cast<uint32_t>(held.value(QStringLiteral("point%1Ad").arg(i)));
            grams << static_cast<uint32_t>(held.value(QStringLiteral("point%1Weight").arg(i)) / 100);
        }
        if (const QString why = calibration::refusal(ads, grams); !why.isEmpty())
            return frame + QStringLiteral(": ") + why;
    }
    return {};
}

} // namespace

class TestBackup : public QObject {
    Q_OBJECT

private slots:
    // The calibration map shows what the amplifier holds, read now; a silent one gives only the reason.
    void storedCalibration_isReadFromTheAmplifier_data() {
        QTest::addColumn<QString>("protocol");
        for (const char *protocol : {"RS232", "RS485", "CANOpen"})
            QTest::newRow(protocol) << protocol;
    }
    void storedCalibration_isReadFromTheAmplifier() {
        QFETCH(QString, protocol);
        Rig rig(protocol, m_can);
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
        if (family == regmap::Family::CanOpen) // a step-by-step calibration leaves its point count there
            rig.put(0, stored(family, "point1Weight"), 2);
        QCOMPARE(rig.amp(0)->readStoredCalibration().contains("error"), family == regmap::Family::CanOpen);
        QCOMPARE(rig.silence(0), QStringLiteral("OK"));
        QCOMPARE(rig.amp(0)->readStoredCalibration().keys(), QStringList{"error"});
    }

    // Backup, change, restore: exact, through the file, into the same amplifier and into a second one; the
    // dry run before lists the changes and writes nothing.
    void roundTrip_isExact_data() {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<int>("into");
        for (const char *protocol : {"RS232", "RS485", "CANOpen"}) {
            QTest::addRow("%s, same amplifier", protocol) << protocol << 0;
            QTest::addRow("%s, clone", protocol) << protocol << 1;
        }
    }
    void roundTrip_isExact() {
        QFETCH(QString, protocol);
        QFETCH(int, into);
        Rig rig(protocol, m_can);
        QVERIFY2(rig.error().isEmpty(), qPrintable(rig.error()));
        const regmap::Family family = rig.family();
        rig.put(0, stored(family, "zeroPoint"), 4321);
        const backup::Taken taken = backup::take(*rig.amp(0));
        QVERIFY2(taken.ok(), qPrintable(taken.error));
        compareWith(rig, 0, taken.backup);
        QTemporaryDir dir;
        const QString path = dir.filePath("a.json");
        QCOMPARE(backup::save(taken.backup, path), QString());
        const backup::Loaded loaded = backup::load(path);
        QVERIFY2(loaded.ok(), qPrintable(loaded.error));
        QCOMPARE(backup::compare(loaded.backup, taken.backup).size(), 0);
        if (family == regmap::Family::CanOpen)
            QVERIFY(backup::toDcf(taken.backup)
                        .contains("[2003sub0]\r\nParameterName=zeroPoint\r\nObjectType=0x7\r\n"
                                  "DataType=0x0007\r\nAccessType=rw\r\nPDOMapping=0\r\n"
                                  "ParameterValue=4321\r\n"));

        const qint64 weighing = rig.measuring(0);
        change(rig, into);
        QVERIFY(rig.measuring(into) != weighing);
        rig.writes(into);
        backup::RestoreOutcome outcome = backup::restore(*rig.amp(into), loaded.backup, {true, nullptr});
        QCOMPARE(outcome.kind, backup::RestoreOutcome::Kind::DryRun);
        QCOMPARE(rig.writes(into), QStringList());
        QVERIFY(outcome.differences.size() >= (family == regmap::Family::Serial ? 6 : 3));
        const QMap<QString, qint64> changed = rig.all(into);
        outcome = backup::restore(*rig.amp(into), loaded.backup);
        QVERIFY2(outcome.kind == backup::RestoreOutcome::Kind::Done, qPrintable(outcome.message));
        if (family == regmap::Family::Serial)
            QCOMPARE(firstInvalidCurve(rig.writes(into), changed), QString());
        compareWith(rig, into, taken.backup);
        QCOMPARE(rig.measuring(into), weighing);
        // Nothing differs any more: nothing is written.
        QCOMPARE(backup::restore(*rig.amp(into), loaded.backup).kind,
                 backup::RestoreOutcome::Kind::Unchanged);
    }

    // A write refused half-way, or a stop asked for: the amplifier holds afterwards what it held before.
    void restoreFailingHalfWay_leavesTheTargetAsItWas_data() {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<QString>("refused"); // empty: stopped at the second write
        QTest::addColumn<QString>("outcome");
        const char *rows[][3] = {
            {"RS232", "pointCount", "Restore failed: refused at 0x0006"},
            {"RS485", "point1Weight", "Restore failed: refused at 0x001C"},
            {"CANOpen", "point1Ad", "Restore failed: refused at 0x200F:00"},
            {"CANOpen", "pointCount", "Restore failed: refused at 0x2006:00"},
            {"RS485", "", "Restore stopped: failed at 0x0006 (stopped by the user); the previous"}};
        for (const auto &row : rows)
            QTest::addRow("%s, %s", row[0], *row[1] ? row[1] : "stopped") << row[0] << row[1] << row[2];
    }
    void restoreFailingHalfWay_leavesTheTargetAsItWas() {
        QFETCH(QString, protocol);
        QFETCH(QString, refused);
        QFETCH(QString, outcome);
        Rig rig(protocol, m_can);
        QVERIFY2(rig.error().isEmpty(), qPrintable(rig.error()));
        const backup::Taken taken = backup::take(*rig.amp(0));
        QVERIFY2(taken.ok(), qPrintable(taken.error));
        change(rig, 1);
        const QMap<QString, qint64> before = rig.all(1);
        int asked = 0;
        backup::RestoreOptions options{false, [&] {
                                           return refused.isEmpty() && ++asked == 3;
                                       }};
        if (!refused.isEmpty())
            QCOMPARE(rig.refuseNextWrite(1, stored(rig.family(), refused)), QStringLiteral("OK"));
        const backup::RestoreOutcome result = backup::restore(*rig.amp(1), taken.backup, options);
        QCOMPARE(result.kind, backup::RestoreOutcome::Kind::Failed);
        QVERIFY2(result.message.startsWith(outcome), qPrintable(result.message));
        QCOMPARE(rig.all(1), before);
    }

    // Files and backups that must not go into the amplifier are refused, naming the problem, before anything
    // is written.
    void badInput_isRefusedBeforeAnyWrite_data() {
        QTest::addColumn<QByteArray>("raw"); // the whole file; empty: the amplifier's own backup, changed
        QTest::addColumn<QString>("key"); // a top-level key, or "setting:NAME" (an invalid value removes it)
        QTest::addColumn<QVariant>("value"); // a map: fields put into the setting
        QTest::addColumn<QString>("problem");
        const struct {
            const char *row, *raw, *key;
            QVariant value;
            const char *problem;
        } rows[] = {
            {"another model", "", "model", "Other", "is of the model Other and"},
            {"another protocol", "", "protocol", "RS232", "is of a RS232 amplifier"},
            {"unknown protocol", "", "protocol", "Profibus", "\"Profibus\", which"},
            {"unknown version", "", "formatVersion", 2, "format version 2 is unknown"},
            {"not a backup", R"({"firFiltering": 1})", "", {}, "is not an amplifier backup"},
            {"damaged", R"({"format": "Kelvora amplifier backup", )", "", {}, "damaged or truncated"},
            {"truncated", "truncated", "", {}, "damaged or truncated"},
            {"out of range", "", "setting:filteringLevel", 6,
             "= 6 is outside what the amplifier takes (0 to 5)"},
            {"count out of range", "", "setting:pointCount", 10, "pointCount = 10 is outside"},
            {"point 0 weight", "", "setting:point0Weight", 5, "point0Weight = 5 is outside"},
            {"not whole", "", "setting:zeroPoint", 1.5, "\"zeroPoint\" is not a whole"},
            {"setting it lacks", "", "setting:stabilityBandwidth", 3,
             "a setting RS485 amplifiers do not have"},
            {"setting missing", "", "setting:zeroOffset", {}, "lacks \"zeroOffset\""},
            {"setting moved", "", "setting:filteringLevel", QVariantMap{{"register", "0x0058"}},
             "at 0x0058, where"},
        };
        for (const auto &r : rows)
            QTest::newRow(r.row) << QByteArray(r.raw) << r.key << r.value << r.problem;
    }
    void badInput_isRefusedBeforeAnyWrite() {
        QFETCH(QByteArray, raw);
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        QFETCH(QString, problem);
        Rig rig(QStringLiteral("RS485"), m_can);
        QVERIFY2(rig.error().isEmpty(), qPrintable(rig.error()));
        const backup::Taken taken = backup::take(*rig.amp(0));
        QVERIFY2(taken.ok(), qPrintable(taken.error));
        QJsonObject root = QJsonDocument::fromJson(backup::toJson(taken.backup)).object();
        if (key.startsWith("setting:")) {
            QJsonArray settings = root.value("settings").toArray();
            auto it = std::find_if(settings.begin(), settings.end(),
                                   [&](const QJsonValue &v) { return v["name"] == key.mid(8); });
            if (it == settings.end())
                settings.append(QJsonObject{{"name", key.mid(8)}, {"value", QJsonValue::fromVariant(value)}});
            else if (!value.isValid())
                settings.erase(it);
            else {
                const QVariantMap fields =
                    value.typeId() == QMetaType::QVariantMap ? value.toMap() : QVariantMap{{"value", value}};
                QJsonObject setting = it->toObject();
                for (auto field = fields.begin(); field != fields.end(); ++field)
                    setting.insert(field.key(), QJsonValue::fromVariant(field.value()));
                *it = setting;
            }
            root.insert("settings", settings);
        } else if (!key.isEmpty()) {
            root.insert(key, QJsonValue::fromVariant(value));
        }
        QByteArray json = QJsonDocument(root).toJson();
        if (raw == "truncated")
            json.chop(json.size() / 3);
        else if (!raw.isEmpty())
            json = raw;
        rig.writes(0);
        const backup::Loaded loaded = backup::fromJson(json);
        const QString message =
            loaded.ok() ? backup::restore(*rig.amp(0), loaded.backup).message : loaded.error;
        QVERIFY2(message.contains(problem), qPrintable(message));
        QCOMPARE(rig.writes(0), QStringList());
    }

    // The safety copy taken before a calibration holds the old calibration, and puts it back exactly; with no
    // copy possible the calibration writes nothing.
    void safetyCopyBeforeCalibration_restoresTheOldOne_data() {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<bool>("silent");
        for (const char *protocol : {"RS485", "CANOpen"}) {
            QTest::addRow("%s", protocol) << protocol << false;
            QTest::addRow("%s, silent", protocol) << protocol << true;
        }
    }
    void safetyCopyBeforeCalibration_restoresTheOldOne() {
        QFETCH(QString, protocol);
        QFETCH(bool, silent);
        Rig rig(protocol, m_can);
        QVERIFY2(rig.error().isEmpty(), qPrintable(rig.error()));
        const QMap<QString, qint64> before = rig.all(0);
        QTemporaryDir dir;
        backup::enableSafetyCopies(dir.path());
        QSignalSpy written(rig.amp(0), &AmplifierBase::safetyCopyWritten);
        QSignalSpy finished(rig.amp(0), &AmplifierBase::commandFinished);
        if (silent)
            QCOMPARE(rig.silence(0), QStringLiteral("OK"));
        rig.amp(0)->calibrateTwoPoints(150000, 450000, 2000);
        backup::disableSafetyCopies();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(1).toBool(), !silent);
        QCOMPARE(written.count(), silent ? 0 : 1);
        if (silent) {
            QVERIFY2(finished.at(0).at(2).toString().contains("No safety copy could be made first"),
                     qPrintable(finished.at(0).at(2).toString()));
            QCOMPARE(rig.all(0), before);
            return;
        }
        QCOMPARE(rig.amp(0)->lastSafetyCopy(), written.at(0).at(1).toString());
        QCOMPARE(backup::safetyCopies().size(), 1);
        QVERIFY(rig.all(0) != before);
        const backup::Loaded copy = backup::load(written.at(0).at(1).toString());
        QVERIFY2(copy.ok(), qPrintable(copy.error));
        const backup::RestoreOutcome outcome = backup::restore(*rig.amp(0), copy.backup);
        QVERIFY2(outcome.ok(), qPrintable(outcome.message));
        QCOMPARE(rig.all(0), before);
    }

private:
    SharedCan m_can;
};

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"

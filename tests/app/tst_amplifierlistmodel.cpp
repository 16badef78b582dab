// The Weight Plot's amplifier model: when a tile is stale, names never given twice, colours that stay with
// their amplifier, and the outcome each selected amplifier reported for ZERO or TARE.
#include "SettableAmplifier.h"
#include "app/plot/AmplifierListModel.h"

#include <QtTest>

namespace {

// A driver without a link: what it reports is set by the test.
class FakeAmplifier : public SettableAmplifier {
public:
    FakeAmplifier()
        : SettableAmplifier(QStringLiteral("Model-T"), QStringLiteral("RS485")) {}

    qint64 msSinceLastReading() const override { return silentFor; }
    void setUnit(const QString &newUnit) override { unit = newUnit; }
    // Reports as the drivers do, before returning; `reports` false stays silent.
    void zero() override {
        if (reports)
            emit commandFinished(QStringLiteral("zero"), ok,
                                 ok ? QStringLiteral("done") : QStringLiteral("refused"));
    }

    qint64 silentFor = -1;
    QString unit;
    bool reports = true;
    bool ok = true;
};

QVariant role(const AmplifierListModel &model, int row, AmplifierListModel::Role which) {
    return model.data(model.index(row), which);
}

} // namespace

class TestAmplifierListModel : public QObject {
    Q_OBJECT

private slots:
    void staleness_data() {
        QTest::addColumn<qint64>("sinceReading");
        QTest::addColumn<qint64>("sinceAdded");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<qint64>("silentMs");
        QTest::addColumn<bool>("stale");
        QTest::newRow("reading now") << qint64(0) << qint64(60000) << false << qint64(0) << false;
        QTest::newRow("a second exactly") << qint64(1000) << qint64(0) << false << qint64(1000) << false;
        QTest::newRow("just over a second") << qint64(1001) << qint64(0) << false << qint64(1001) << true;
        QTest::newRow("never answered, just added")
            << qint64(-1) << qint64(400) << false << qint64(400) << false;
        QTest::newRow("never answered since added")
            << qint64(-1) << qint64(1500) << false << qint64(1500) << true;
        QTest::newRow("paused while calibrated")
            << qint64(9000) << qint64(0) << true << qint64(9000) << false;
    }
    void staleness() {
        QFETCH(qint64, sinceReading);
        QFETCH(qint64, sinceAdded);
        QFETCH(bool, paused);
        const AmplifierListModel::Staleness judged =
            AmplifierListModel::staleness(sinceReading, sinceAdded, paused);
        QTEST(judged.silentMs, "silentMs");
        QTEST(judged.stale, "stale");
    }

    // Through the model: a silent amplifier's tile turns stale on a refresh, and not while it is paused.
    void staleTile_followsTheAmplifier() {
        AmplifierListModel model;
        auto *amplifier = new FakeAmplifier;
        model.add(amplifier);
        amplifier->silentFor = AmplifierListModel::kStaleAfterMs + 1;
        model.refresh();
        QCOMPARE(role(model, 0, AmplifierListModel::StaleRole).toBool(), true);
        model.setPausedName(QStringLiteral("1"));
        QCOMPARE(role(model, 0, AmplifierListModel::StaleRole).toBool(), false);
        QCOMPARE(role(model, 0, AmplifierListModel::PausedRole).toBool(), true);
        model.setPausedName(QString());
        amplifier->silentFor = 5;
        model.refresh();
        QCOMPARE(role(model, 0, AmplifierListModel::StaleRole).toBool(), false);
    }

    // Names go on after a removal; colours wrap around the palette and stay with their amplifier; the unit
    // reaches every amplifier; removed amplifiers are handed back, still alive.
    void namesColoursAndRemoval() {
        AmplifierListModel model;
        model.setPalette({QColor(Qt::red), QColor(Qt::green)});
        model.setUnit(QStringLiteral("kg"));
        FakeAmplifier *added[3];
        for (FakeAmplifier *&amplifier : added) {
            amplifier = new FakeAmplifier;
            model.add(amplifier);
        }
        QCOMPARE(added[2]->unit, QStringLiteral("kg"));
        QCOMPARE(role(model, 2, AmplifierListModel::ColourRole).value<QColor>(), QColor(Qt::red));
        model.toggleSelected(0);
        model.toggleSelected(2);
        QCOMPARE(model.selectedNames(), QStringList({"1", "3"}));
        const QVariantList removed = model.removeSelected();
        QCOMPARE(removed.size(), 2);
        QCOMPARE(removed.at(0).value<QObject *>(), added[2]);
        QCOMPARE(model.rowCount(), 1);
        QVERIFY(model.selectedNames().isEmpty());
        QCOMPARE(role(model, 0, AmplifierListModel::ColourRole).value<QColor>(), QColor(Qt::green));
        auto *fourth = new FakeAmplifier;
        QCOMPARE(model.add(fourth), QStringLiteral("4"));
        QCOMPARE(role(model, 1, AmplifierListModel::ColourRole).value<QColor>(), QColor(Qt::green));
        QCOMPARE(model.add(new QObject(&model)), QString());
        QCOMPARE(model.addedCount(), 4);
        model.setUnit(QStringLiteral("lb"));
        QCOMPARE(fourth->unit, QStringLiteral("lb"));
    }

    // Each selected amplifier's own outcome, a refusal before it or not; silence is told apart.
    void runOnSelected_reportsEachAmplifier() {
        AmplifierListModel model;
        const bool reports[] = {true, true, false};
        const bool ok[] = {false, true, true};
        for (int i = 0; i < 3; ++i) {
            auto *amplifier = new FakeAmplifier;
            amplifier->reports = reports[i];
            amplifier->ok = ok[i];
            model.add(amplifier);
            model.toggleSelected(i);
        }
        const QVariantList outcomes = model.runOnSelected(QStringLiteral("zero"));
        QCOMPARE(outcomes.size(), 3);
        QStringList seen;
        for (const QVariant &outcome : outcomes) {
            const QVariantMap map = outcome.toMap();
            seen << QStringLiteral("%1:%2:%3:%4")
                        .arg(map.value("name").toString(), map.value("reported").toString(),
                             map.value("ok").toString(), map.value("message").toString());
        }
        QCOMPARE(seen, QStringList({"1:true:false:refused", "2:true:true:done", "3:false:false:"}));
    }
};

QTEST_MAIN(TestAmplifierListModel)
#include "tst_amplifierlistmodel.moc"

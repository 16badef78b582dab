// The plot and a CSV recording fed by a real RS232 driver whose reading worker polls the simulated
// amplifier over a pseudo-terminal, with the item's own 100 ms timer: the GUI thread samples the weight
// while the worker stores it (the suite also runs under ThreadSanitizer). Plot details are covered by
// tst_customplotitem, file details by tst_csvlogging.
#include "app/plot/CustomPlotItem.h"
#include "device/WeightRecorder.h"
#include "device/rs232/RS232Amplifier.h"

#include "SimulatorProcess.h"

#include <QApplication>
#include <QtTest>

#include <qcustomplot.h>

namespace {

double lastValue(const QCPGraph *graph) {
    return graph->data()->isEmpty() ? -1.0 : (graph->data()->constEnd() - 1)->value;
}

} // namespace

class TestPlotLive : public QObject {
    Q_OBJECT

private slots:
    void workerFedWeights_reachCurveAndFile() {
        SimulatorProcess sim;
        QVERIFY2(sim.isReady(), qPrintable(sim.errorString()));
        // Measuring values are hundredths of a gram.
        QCOMPARE(sim.command(QStringLiteral("set 1 0 12345")), QStringLiteral("OK"));

        RS232Amplifier amplifier(QStringLiteral("KA-LIVE"), sim.port(), 9600);
        amplifier.setName(QStringLiteral("1"));
        amplifier.connect();
        QVERIFY(amplifier.isConnected());
        amplifier.startContinuousMeasuringValueRead(20);

        CustomPlotItem item;
        item.setSize(QSizeF(400, 300));
        item.setAutoScale(true);
        item.addAmplifier(&amplifier, QColor(QStringLiteral("#a91e22")));
        const QCPGraph *curve = item.customPlot()->graph(2);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("live.csv"));
        WeightRecorder recorder;
        QSignalSpy finished(&recorder, &WeightRecorder::finished);
        QVERIFY(recorder.record({&amplifier}, 50, 2, path, QStringLiteral("g")));

        QTRY_COMPARE_WITH_TIMEOUT(lastValue(curve), 123.45, 20000);
        QCOMPARE(sim.command(QStringLiteral("set 1 0 23456")), QStringLiteral("OK"));
        QTRY_COMPARE_WITH_TIMEOUT(lastValue(curve), 234.56, 20000);
        QVERIFY(finished.count() == 1 || finished.wait(30000));
        amplifier.stopContinuousADRead();

        // Every point is one of the two pinned weights: nothing before the first reading arrived.
        for (auto it = curve->data()->constBegin(); it != curve->data()->constEnd(); ++it)
            QVERIFY2(it->value == 123.45 || it->value == 234.56, qPrintable(QString::number(it->value)));
        // The rescale followed the live values: both lie inside the weight range.
        QVERIFY(item.customPlot()->yAxis->range().contains(123.45));
        QVERIFY(item.customPlot()->yAxis->range().contains(234.56));

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList lines =
            QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1 + 40);
        QCOMPARE(lines.first(),
                 QStringLiteral("Timestamp,Load cell 1 — KA-LIVE RS232 %1 (g)").arg(sim.port()));
        // A row holds a value only when the worker completed a reading in its period; before the first one,
        // N/A.
        const QRegularExpression line(
            QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3},(123\\.45|234\\.56|N/A)$"));
        for (int i = 1; i < lines.size(); ++i)
            QVERIFY2(line.match(lines.at(i)).hasMatch(), qPrintable(lines.at(i)));
        QVERIFY(lines.filter(QStringLiteral("N/A")).size() < lines.size() - 1);
    }
};

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    TestPlotLive test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_plot_live.moc"

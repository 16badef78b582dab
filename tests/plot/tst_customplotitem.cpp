// CustomPlotItem offscreen: curve per amplifier, skipped weights, removal, destroyed amplifiers, rescale,
// painting and input. CSV recording is covered by tst_csvlogging.
#include "app/plot/CustomPlotItem.h"

#include "device/rs232/RS232Amplifier.h"

#include "SettableAmplifier.h"

#include <QApplication>
#include <QImage>
#include <QQuickWindow>
#include <QtTest>

#include <qcustomplot.h>

#include <cmath>
#include <limits>
#include <memory>
#include <new>

namespace {

// One sampling tick, exactly as the item's own timer delivers it.
void tick(CustomPlotItem &item) {
    QTimerEvent event(0);
    QCoreApplication::sendEvent(&item, &event);
}

double nowSeconds() {
    return static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}

QCPGraph *graphNamed(const CustomPlotItem &item, const QString &name) {
    QCustomPlot *plot = item.customPlot();
    for (int i = 0; i < plot->graphCount(); ++i) {
        if (plot->graph(i)->name() == name)
            return plot->graph(i);
    }
    return nullptr;
}

QVector<double> valuesOf(const QCPGraph *graph) {
    QVector<double> values;
    for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it)
        values.append(it->value);
    return values;
}

QString curveName(const AmplifierBase &amplifier) {
    return QStringLiteral("Amplifier (%1, %2)").arg(amplifier.getModel(), amplifier.getProtocol());
}

} // namespace

class TestCustomPlotItem : public QObject {
    Q_OBJECT

private slots:
    void eachAmplifier_feedsTheCurveCreatedForIt() {
        // Real RS232 drivers whose reading never ran hold a weight (hundredths of a gram) that no reading
        // delivered: it is not plotted. A source without a notion of fresh readings is sampled every tick.
        CustomPlotItem item;
        const QString port = QStringLiteral("/dev/null");
        RS232Amplifier first(QStringLiteral("KA-1"), port, 9600);
        RS232Amplifier second(QStringLiteral("KA-2"), port, 9600);
        SettableAmplifier third(QStringLiteral("KA-3"), QStringLiteral("CANOpen"));
        first.setMeasuredWeight(1150);
        second.setMeasuredWeight(-2225);
        third.setWeight(33);
        item.addAmplifier(&first, Qt::darkRed);
        item.addAmplifier(&second, Qt::darkBlue);
        item.addAmplifier(&third, Qt::darkGreen);
        QCOMPARE(item.customPlot()->graphCount(), 5);

        const double before = nowSeconds();
        tick(item);
        third.setWeight(-1);
        tick(item);
        const double after = nowSeconds();

        const struct {
            const AmplifierBase *amplifier;
            QColor color;
            QVector<double> values;
        } expected[] = {
            {&first, Qt::darkRed, {}}, {&second, Qt::darkBlue, {}}, {&third, Qt::darkGreen, {33, -1}}};
        for (const auto &e : expected) {
            const QCPGraph *graph = graphNamed(item, curveName(*e.amplifier));
            QVERIFY2(graph, qPrintable(curveName(*e.amplifier)));
            QCOMPARE(graph->pen().color(), e.color);
            QCOMPARE(valuesOf(graph), e.values);
            for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it)
                QVERIFY(it->key >= before && it->key <= after);
        }
        // The plot's own lines receive no samples.
        QVERIFY(item.customPlot()->graph(0)->data()->isEmpty());
        QVERIFY(item.customPlot()->graph(1)->data()->isEmpty());
    }

    void sampledWeight_isPlottedOrSkippedWithWarning_data() {
        QTest::addColumn<double>("weight");
        QTest::addColumn<QString>("warning"); // empty = plotted without warning

        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        const QString nonFinite =
            QStringLiteral("^\\[CustomPlotItem\\] Non-finite weight from amplifier 1 - skipping\\.$");
        const QString unrealistic =
            QStringLiteral("^\\[CustomPlotItem\\] Unrealistic weight \\S+ from amplifier 1 - skipping\\.$");

        QTest::newRow("zero") << 0.0 << QString();
        QTest::newRow("lower bound") << -1000000.0 << QString();
        QTest::newRow("upper bound") << 1000000000.0 << QString();
        QTest::newRow("just below the lower bound") << -1000000.01 << unrealistic;
        QTest::newRow("just above the upper bound") << 1000000000.5 << unrealistic;
        QTest::newRow("NaN") << nan << nonFinite;
        QTest::newRow("+infinity") << inf << nonFinite;
        QTest::newRow("-infinity") << -inf << nonFinite;
    }

    void sampledWeight_isPlottedOrSkippedWithWarning() {
        QFETCH(double, weight);
        QFETCH(QString, warning);

        CustomPlotItem item;
        SettableAmplifier steady(QStringLiteral("steady"));
        SettableAmplifier probe(QStringLiteral("probe"));
        steady.setWeight(7);
        probe.setWeight(weight);
        item.addAmplifier(&steady, Qt::darkGreen);
        item.addAmplifier(&probe, Qt::darkCyan);

        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        tick(item);

        const QVector<double> values = valuesOf(graphNamed(item, curveName(probe)));
        if (warning.isEmpty())
            QCOMPARE(values, QVector<double>{weight});
        else
            QVERIFY(values.isEmpty());
        // A skipped amplifier does not hold up the others.
        QCOMPARE(valuesOf(graphNamed(item, curveName(steady))), QVector<double>{7});
    }

    // Curves come and go around an amplifier's (its own, foreign ones, the item's lines, a second listing of
    // the same amplifier): the pairing of amplifier and curve must not shift.
    void removeAmplifier_removesItsCurveAndKeepsThePairing() {
        CustomPlotItem item;
        item.setSize(QSizeF(300, 200));
        SettableAmplifier a(QStringLiteral("A")), b(QStringLiteral("B")), c(QStringLiteral("C")), stranger;
        a.setWeight(1);
        b.setWeight(2);
        c.setWeight(3);
        item.addAmplifier(&a, Qt::red);
        QCPGraph *foreign = item.customPlot()->addGraph();
        item.addAmplifier(&b, Qt::green);
        item.addAmplifier(&c, Qt::blue);
        item.addAmplifier(&c, Qt::yellow);
        // A null amplifier is not listed; an unlisted one or a null removal changes nothing.
        QSignalSpy curves(&item, &CustomPlotItem::curvesChanged);
        item.addAmplifier(nullptr, Qt::gray);
        item.removeAmplifier(&stranger);
        item.removeAmplifier(nullptr);
        QCOMPARE(curves.count(), 0);
        QCOMPARE(item.customPlot()->graphCount(), 7);
        tick(item);
        QCOMPARE(c.readCount(), 2);

        item.removeAmplifier(&b);
        QVERIFY(item.customPlot()->removeGraph(graphNamed(item, QStringLiteral("Line 1"))));
        QCOMPARE(item.customPlot()->graphCount(), 5);
        QVERIFY(!graphNamed(item, curveName(b)));
        const int readsOfB = b.readCount();
        tick(item);
        QCOMPARE(b.readCount(), readsOfB);
        QCOMPARE(valuesOf(graphNamed(item, curveName(a))), (QVector<double>{1, 1}));
        QVERIFY(foreign->data()->isEmpty());
        // Removal takes the first listing of an amplifier listed twice, with the curve made for it.
        item.removeAmplifier(&c);
        QCOMPARE(item.customPlot()->graphCount(), 4);
        QCPGraph *second = graphNamed(item, curveName(c));
        QCOMPARE(second->pen().color(), QColor(Qt::yellow));
        const int readsOfC = c.readCount();
        tick(item);
        QCOMPARE(c.readCount(), readsOfC + 1);
        QVERIFY(!valuesOf(second).isEmpty() && valuesOf(second).count(3.0) == valuesOf(second).size());
        item.removeAmplifier(&a);
        item.removeAmplifier(&c);
        QCOMPARE(item.customPlot()->graphCount(), 2);
        tick(item);
        QCOMPARE(a.readCount(), 3);
    }

    void curveRemovedBehindTheItemsBack_isReportedAndSkipped() {
        CustomPlotItem item;
        SettableAmplifier orphaned(QStringLiteral("orphaned")), intact(QStringLiteral("intact"));
        intact.setWeight(6);
        item.addAmplifier(&orphaned, Qt::red);
        item.addAmplifier(&intact, Qt::blue);
        QVERIFY(item.customPlot()->removeGraph(graphNamed(item, curveName(orphaned))));

        QTest::ignoreMessage(QtWarningMsg,
                             "[CustomPlotItem] Not enough graphs in m_CustomPlot. Tried index 0 but only "
                             "have 3 graph(s).");
        tick(item);
        QCOMPARE(orphaned.readCount(), 0);
        QCOMPARE(valuesOf(graphNamed(item, curveName(intact))), QVector<double>{6});
    }

    void destroyedAmplifier_isNotCalledAndCountsAsNull() {
        CustomPlotItem item;
        auto doomed =
            std::make_unique<RS232Amplifier>(QStringLiteral("doomed"), QStringLiteral("/dev/null"), 9600);
        alignas(SettableAmplifier) unsigned char storage[sizeof(SettableAmplifier)];
        auto *gone = new (storage) SettableAmplifier(QStringLiteral("gone"));
        SettableAmplifier survivor(QStringLiteral("survivor"));
        survivor.setWeight(9);
        item.addAmplifier(doomed.get(), Qt::red);
        item.addAmplifier(gone, Qt::green);
        item.addAmplifier(&survivor, Qt::blue);
        doomed.reset();
        gone->~SettableAmplifier();
        // A new amplifier at the destroyed one's address is neither sampled nor removed in its place.
        auto *successor = new (storage) SettableAmplifier(QStringLiteral("successor"));
        QCOMPARE(static_cast<void *>(successor), static_cast<void *>(gone));
        successor->setWeight(3);
        item.removeAmplifier(successor);
        QCOMPARE(item.customPlot()->graphCount(), 5);

        // A call into a freed object would be a use-after-free (reported by the sanitizer builds).
        QTest::ignoreMessage(QtWarningMsg, "[CustomPlotItem] Null amplifier at index 0");
        QTest::ignoreMessage(QtWarningMsg, "[CustomPlotItem] Null amplifier at index 1");
        tick(item);
        QCOMPARE(successor->readCount(), 0);
        QVERIFY(item.customPlot()->graph(3)->data()->isEmpty());
        QCOMPARE(valuesOf(graphNamed(item, curveName(survivor))), QVector<double>{9});
        successor->~SettableAmplifier();
    }

    void rescale_fitsTheLast120Seconds_data() {
        QTest::addColumn<QVector<double>>("ages");   // seconds before now of points put on one curve
        QTest::addColumn<QVector<double>>("values"); // their values
        QTest::addColumn<double>("sampled");         // the amplifier's weight at the tick
        QTest::addColumn<QCPRange>("expected");

        QTest::newRow("constant series leaves the range")
            << QVector<double>{30, 20} << QVector<double>{2.5, 2.5} << 2.5 << QCPRange(0, 5);
        QTest::newRow("varying series gets a tenth of margin")
            << QVector<double>{50, 10} << QVector<double>{10, 30} << 20.0 << QCPRange(8, 32);
        QTest::newRow("points older than 120 s are ignored")
            << QVector<double>{500, 125, 100} << QVector<double>{-900, 900, 40} << 60.0 << QCPRange(38, 62);
        QTest::newRow("points between 100 s and 120 s still count")
            << QVector<double>{115} << QVector<double>{100} << 0.0 << QCPRange(-10, 110);
        QTest::newRow("only old points and the equal sample: unchanged")
            << QVector<double>{200} << QVector<double>{-5} << 1.0 << QCPRange(0, 5);
    }

    void rescale_fitsTheLast120Seconds() {
        QFETCH(QVector<double>, ages);
        QFETCH(QVector<double>, values);
        QFETCH(double, sampled);
        QFETCH(QCPRange, expected);

        CustomPlotItem item;
        SettableAmplifier amplifier;
        amplifier.setWeight(sampled);
        item.addAmplifier(&amplifier, Qt::red);
        const double now = nowSeconds();
        for (int i = 0; i < ages.size(); ++i)
            item.historyOf(&amplifier)->append(now - ages.at(i), values.at(i));
        const auto compareRange = [&item](const QCPRange &want) {
            const QCPRange range = item.customPlot()->yAxis->range();
            return std::abs(range.lower - want.lower) < 1e-9 && std::abs(range.upper - want.upper) < 1e-9;
        };

        // Off, the first readings choose the range as the rescale would; later ones do not move it.
        tick(item);
        QVERIFY2(compareRange(expected), qPrintable(QStringLiteral("got [%1, %2]")
                                                        .arg(item.customPlot()->yAxis->range().lower)
                                                        .arg(item.customPlot()->yAxis->range().upper)));
        amplifier.setWeight(sampled + 1000);
        tick(item);
        QVERIFY(compareRange(expected));

        // On, the range follows the new values; switched off again, it stays as the rescale left it.
        item.setAutoScale(true);
        tick(item);
        const QCPRange range = item.customPlot()->yAxis->range();
        QVERIFY(range.contains(sampled + 1000) && !compareRange(expected));
        item.setAutoScale(false);
        amplifier.setWeight(sampled - 5000);
        tick(item);
        QCOMPARE(item.customPlot()->yAxis->range(), range);
    }

    void scene_paintsThePlotAndForwardsInput() {
        QQuickWindow window;
        window.resize(400, 300);
        CustomPlotItem item(window.contentItem());
        item.setSize(QSizeF(400.7, 300.9));
        // The plot gets the size truncated to whole pixels.
        QCOMPARE(item.customPlot()->geometry(), QRect(0, 0, 400, 300));
        QCOMPARE(item.customPlot()->viewport(), QRect(0, 0, 400, 300));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        // A flat line of Line 1 across the whole visible window, in the middle of the weight range.
        const double now = nowSeconds();
        item.appendData(now - 99, 2.5);
        item.appendData(now + 1, 2.5);
        item.appendData(now + 1, 2.5);
        auto redPixels = [](const QImage &image) {
            int count = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    count += c.red() > 200 && c.green() < 60 && c.blue() < 60;
                }
            }
            return count;
        };
        QTRY_VERIFY_WITH_TIMEOUT(redPixels(window.grabWindow()) > 150, 10000);
        item.clearData();
        QTRY_COMPARE_WITH_TIMEOUT(redPixels(window.grabWindow()), 0, 10000);

        // Live, the wheel zooms time with the right edge at the present; with Ctrl it zooms the weight range
        // around the pointer (and the automatic range gives way to the user's).
        QCustomPlot *plot = item.customPlot();
        QCOMPARE(plot->yAxis->range(), QCPRange(0, 5));
        const QPoint centre = plot->axisRect()->rect().center();
        const auto wheel = [&](Qt::KeyboardModifiers modifiers) {
            QWheelEvent event(QPointF(centre), QPointF(window.mapToGlobal(centre)), QPoint(), QPoint(0, 120),
                              Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(&window, &event);
        };
        wheel(Qt::NoModifier);
        QVERIFY(item.isLive());
        QVERIFY(std::abs(plot->xAxis->range().size() - 80.0) < 1e-6);
        QVERIFY(plot->xAxis->range().upper >= now);
        item.setAutoScale(true);
        wheel(Qt::ControlModifier);
        QVERIFY(!item.autoScale());
        const QCPRange zoomed = plot->yAxis->range();
        QVERIFY(std::abs(zoomed.size() - 4.0) < 1e-9);
        QVERIFY(zoomed.contains(plot->yAxis->pixelToCoord(centre.y())));

        // Dragging down by 40 pixels moves the weight range up by 40 pixels' worth and leaves live.
        const double shift =
            plot->yAxis->pixelToCoord(centre.y()) - plot->yAxis->pixelToCoord(centre.y() + 40);
        QTest::mousePress(&window, Qt::LeftButton, Qt::NoModifier, centre);
        QTest::mouseMove(&window, centre + QPoint(0, 20));
        QTest::mouseMove(&window, centre + QPoint(0, 40));
        QTest::mouseRelease(&window, Qt::LeftButton, Qt::NoModifier, centre + QPoint(0, 40));
        QVERIFY(std::abs(plot->yAxis->range().lower - (zoomed.lower + shift)) < 1e-6);
        QVERIFY(std::abs(plot->yAxis->range().size() - zoomed.size()) < 1e-9);
        QVERIFY(!item.isLive());
        // A double-click brings the present back, 100 s wide.
        QTest::mouseDClick(&window, Qt::LeftButton, Qt::NoModifier, centre);
        QVERIFY(item.isLive());
        QVERIFY(std::abs(plot->xAxis->range().size() - 100.0) < 1e-6);
    }
};

int main(int argc, char **argv) {
    // Renders without a GPU, so the scene can be grabbed on any machine.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QApplication app(argc, argv);
    TestCustomPlotItem test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_customplotitem.moc"

// What the Link screen and kelvora-cli read back from a link: frames decoded into words (never a value from a
// damaged frame), round-trip percentiles over the last 1,000 exchanges only, and a ring that keeps the newest
// 10,000 frames in order.

#include "link/LinkWatch.h"

#include <QTest>

class LinkRecordsTest : public QObject {
    Q_OBJECT

private slots:
    void decode_data() {
        QTest::addColumn<bool>("sdo");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<int>("requestTarget");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("summary");
        QTest::newRow("read request")
            << false << false << -1 << QByteArray("01 03 1F 40 00 02 C2 0B") << "read 0x1F40 (adValue) x2";
        // A read answer does not name its register: the request's is taken.
        QTest::newRow("read answer") << false << true << 0x56 << QByteArray("01 03 04 00 00 00 03 BA 32")
                                     << "read 0x0056 (filteringLevel) x2 = 3";
        QTest::newRow("exception") << false << true << 0x1F40 << QByteArray("01 83 02 C0 F1")
                                   << "exception 2 (illegal data address)";
        QTest::newRow("bad CRC: hex only")
            << false << true << 0x1F40 << QByteArray("01 03 04 00 03 D0 90 57 C5")
            << "01 03 04 00 03 D0 90 57 C5";
        QTest::newRow("cut answer: hex only")
            << false << true << 0x1F40 << QByteArray("01 03 04 00 03") << "01 03 04 00 03";
        QTest::newRow("SDO upload") << true << true << -1 << QByteArray("4F 19 20 00 03 00 00 00")
                                    << "upload 0x2019:00 (filteringLevel) = 3";
        QTest::newRow("SDO download") << true << false << -1 << QByteArray("2B 1B 20 00 E8 03 00 00")
                                      << "download 0x201B:00 (autoZeroTrackingTime) = 1000";
        QTest::newRow("SDO abort")
            << true << true << -1 << QByteArray("80 00 20 00 00 00 02 06")
            << "abort 0x2000:00 (adValue) SDO abort 0x06020000 (object does not exist)";
        // The bytes of a segmented offer are a size, not the entry's value.
        QTest::newRow("SDO segmented") << true << true << -1 << QByteArray("41 00 20 00 04 00 00 00")
                                       << "upload, segmented 0x2000:00 (adValue)";
        QTest::newRow("SDO unknown command")
            << true << true << -1 << QByteArray("E3 00 20 00 04 00 00 00") << "E3 00 20 00 04 00 00 00";
    }
    void decode() {
        QFETCH(bool, sdo);
        QFETCH(bool, answer);
        QFETCH(int, requestTarget);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, summary);
        const QByteArray raw = QByteArray::fromHex(bytes);
        const frames::Decoded decoded =
            frames::decode(sdo ? frames::Protocol::Sdo : frames::Protocol::Modbus,
                           answer ? frames::Direction::Answer : frames::Direction::Request,
                           reinterpret_cast<const uint8_t *>(raw.constData()),
                           static_cast<size_t>(raw.size()), requestTarget);
        QCOMPARE(decoded.summary(), summary);
        QCOMPARE(decoded.hex, QString::fromLatin1(bytes));
        QVERIFY(decoded.decoded || decoded.value.isEmpty());
    }

    // Round trips older than the last 1,000 exchanges no longer count; time-outs never do.
    void roundTrips_lastThousandOnly() {
        linkstats::LinkStats stats;
        frames::Judgement ok;
        ok.verdict = frames::Verdict::Ok;
        frames::Judgement silence;
        for (int i = 0; i < 500; ++i)
            stats.exchanged(7, ok, std::chrono::milliseconds(900));
        for (int i = 1; i <= 1000; ++i) {
            stats.exchanged(7, ok, std::chrono::milliseconds(i));
            stats.exchanged(7, silence, std::chrono::milliseconds(5000));
        }
        const linkstats::Snapshot s = stats.snapshot(7);
        QCOMPARE(s.roundTrips, 1000);
        QCOMPARE(s.medianMs, 500.0);
        QCOMPARE(s.p99Ms, 990.0);
        QCOMPARE(s.requests, 2500u);
        QCOMPARE(s.count(frames::Verdict::TimedOut), 1000u);
        QCOMPARE(s.lastError, QStringLiteral("time-out"));
        QCOMPARE(stats.all().size(), size_t(1));
    }

    void monitor_keepsTheNewestInOrder() {
        FrameMonitor monitor;
        const uint8_t frame[] = {1, 3, 0, 0};
        monitor.record(frames::Protocol::Modbus, frames::Direction::Request, 1, frames::Verdict::Ok, 0, -1,
                       frame, sizeof frame, 0);
        QCOMPARE(monitor.lastSequence(), 0u); // off: nothing kept
        monitor.setRecording(true);
        const size_t total = FrameMonitor::kCapacity + 50;
        for (size_t i = 0; i < total; ++i)
            monitor.record(frames::Protocol::Modbus, frames::Direction::Request, static_cast<uint8_t>(i),
                           frames::Verdict::Ok, 0, -1, frame, sizeof frame, static_cast<qint64>(i));
        const std::vector<FrameRecord> kept = monitor.since(0);
        QCOMPARE(kept.size(), FrameMonitor::kCapacity);
        QCOMPARE(kept.front().sequence, 51u);
        QCOMPARE(kept.back().sequence, uint64_t(total));
        for (size_t i = 1; i < kept.size(); ++i)
            QCOMPARE(kept[i].msSinceEpoch, kept[i - 1].msSinceEpoch + 1);
        QCOMPARE(monitor.since(total - 2).size(), size_t(2));
        monitor.clear();
        QVERIFY(monitor.since(0).empty());
        monitor.record(frames::Protocol::Modbus, frames::Direction::Request, 1, frames::Verdict::Ok, 0, -1,
                       frame, sizeof frame, 0);
        QCOMPARE(monitor.since(0).size(), size_t(1));
    }
};

QTEST_GUILESS_MAIN(LinkRecordsTest)
#include "tst_link_records.moc"

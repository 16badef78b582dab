// The CAN adapter layer on the Qt virtual CAN bus: opening and counting users of the channel, the
// non-blocking read with its "queue empty" status, writing, and refusals. SDO matching is tst_sdoframes;
// the amplifier is tst_canopenamplifier.
#include "CanTestBus.h"
#include "amplifiers/canopen/CanAdapter.h"

#include <QLoggingCategory>
#include <QTest>

class TestCanAdapter : public QObject {
    Q_OBJECT

    CanSimHost m_nodes;

private slots:
    void initTestCase() {
        QLoggingCategory::setFilterRules(QStringLiteral("qt.canbus.plugins.virtualcan.info=false"));
        const QString error = cantest::startBus(m_nodes, {3});
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void cleanup() {
        while (canadapter::userCount() > 0)
            CAN_Uninitialize(PCAN_NONEBUS);
        m_nodes.resetNodes();
    }

    void closedChannel_refusesReadAndWrite() {
        TPCANMsg message = sdo::makeMessage(0x603, sdo::adValueRequest());
        TPCANTimestamp stamp;
        QCOMPARE(CAN_Read(PCAN_USBBUS1, &message, &stamp), kCanStatusNotInitialized);
        QCOMPARE(CAN_Write(PCAN_USBBUS1, &message), kCanStatusNotInitialized);
        QCOMPARE(CAN_Uninitialize(PCAN_NONEBUS), kCanStatusNotInitialized);
        QVERIFY(m_nodes.received(3).empty());
    }

    void initialize_badParameters_areRefused_data() {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("bitRate");
        QTest::newRow("other channel") << 0x52 << int(PCAN_BAUD_1M);
        QTest::newRow("other bit rate") << int(PCAN_USBBUS1) << 0x001C;
    }
    void initialize_badParameters_areRefused() {
        QFETCH(int, channel);
        QFETCH(int, bitRate);
        QCOMPARE(CAN_Initialize(static_cast<TPCANHandle>(channel), static_cast<TPCANBaudrate>(bitRate)),
                 kCanStatusBadParameter);
        QCOMPARE(canadapter::userCount(), 0);
    }

    void readWhileNothingArrived_reportsQueueEmpty() {
        QCOMPARE(CAN_Initialize(PCAN_USBBUS1, PCAN_BAUD_1M, 0, 0, 0), PCAN_ERROR_OK);
        TPCANMsg message;
        TPCANTimestamp stamp;
        QCOMPARE(CAN_Read(PCAN_USBBUS1, &message, &stamp), PCAN_ERROR_QRCVEMPTY);
    }

    void writeThenRead_deliversTheNodesReply() {
        QCOMPARE(CAN_Initialize(PCAN_USBBUS1, PCAN_BAUD_1M, 0, 0, 0), PCAN_ERROR_OK);
        m_nodes.command(QStringLiteral("load 250"));
        TPCANMsg request = sdo::makeMessage(0x603, sdo::adValueRequest());
        QCOMPARE(CAN_Write(PCAN_USBBUS1, &request), PCAN_ERROR_OK);
        TPCANMsg reply;
        TPCANTimestamp stamp;
        QTRY_VERIFY_WITH_TIMEOUT(CAN_WaitForReceive(PCAN_USBBUS1, 10), 10000);
        QCOMPARE(CAN_Read(PCAN_USBBUS1, &reply, &stamp), PCAN_ERROR_OK);
        QCOMPARE(reply.ID, 0x583u);
        QCOMPARE(reply.MSGTYPE, PCAN_MESSAGE_STANDARD);
        QCOMPARE(reply.LEN, uint8_t(8));
        QCOMPARE(sdo::adValue(sdo::splitMessage(reply).second), 105000u);
        QCOMPARE(CAN_Read(PCAN_USBBUS1, &reply, &stamp), PCAN_ERROR_QRCVEMPTY);
        QCOMPARE(cantest::wire(m_nodes, 3), QList<QByteArray>{"40 00 20 00 00 00 00 00"});
    }

    void framesFromOneThread_keepTheirOrder() {
        QCOMPARE(CAN_Initialize(PCAN_USBBUS1, PCAN_BAUD_1M, 0, 0, 0), PCAN_ERROR_OK);
        QList<QByteArray> expected;
        for (uint8_t level = 1; level <= 5; ++level) {
            TPCANMsg message = sdo::makeMessage(0x603, sdo::writeRequest(0x2019, 0, {level}));
            QCOMPARE(CAN_Write(PCAN_USBBUS1, &message), PCAN_ERROR_OK);
            expected << cantest::hex(sdo::writeRequest(0x2019, 0, {level}));
        }
        QTRY_COMPARE_WITH_TIMEOUT(cantest::wire(m_nodes, 3), expected, 10000);
    }

    void users_areCounted_andLastOneClosesTheChannel() {
        QCOMPARE(CAN_Initialize(PCAN_USBBUS1, PCAN_BAUD_1M, 0, 0, 0), PCAN_ERROR_OK);
        QCOMPARE(CAN_Initialize(PCAN_USBBUS1, PCAN_BAUD_1M, 0, 0, 0), PCAN_ERROR_OK);
        QCOMPARE(canadapter::userCount(), 2);
        QCOMPARE(CAN_Uninitialize(PCAN_NONEBUS), PCAN_ERROR_OK);
        // Still open for the remaining user.
        TPCANMsg message = sdo::makeMessage(0x603, sdo::adValueRequest());
        QCOMPARE(CAN_Write(PCAN_USBBUS1, &message), PCAN_ERROR_OK);
        QTRY_COMPARE_WITH_TIMEOUT(m_nodes.received(3).size(), size_t(1), 10000);
        QCOMPARE(CAN_Uninitialize(PCAN_USBBUS1), PCAN_ERROR_OK);
        QCOMPARE(canadapter::userCount(), 0);
        QCOMPARE(CAN_Write(PCAN_USBBUS1, &message), kCanStatusNotInitialized);
        // And it opens again.
        QCOMPARE(CAN_Initialize(PCAN_USBBUS1, PCAN_BAUD_1M, 0, 0, 0), PCAN_ERROR_OK);
        QCOMPARE(CAN_Write(PCAN_USBBUS1, &message), PCAN_ERROR_OK);
        QTRY_COMPARE_WITH_TIMEOUT(m_nodes.received(3).size(), size_t(2), 10000);
    }

    void writeLongerThanAFrame_isRefused() {
        QCOMPARE(CAN_Initialize(PCAN_USBBUS1, PCAN_BAUD_1M, 0, 0, 0), PCAN_ERROR_OK);
        TPCANMsg message = sdo::makeMessage(0x603, sdo::adValueRequest());
        message.LEN = 9;
        QCOMPARE(CAN_Write(PCAN_USBBUS1, &message), kCanStatusBadParameter);
        QCOMPARE(CAN_Write(PCAN_USBBUS1, nullptr), kCanStatusBadParameter);
    }

    void missingPlugin_failsWithReason() {
        const QByteArray plugin = qgetenv("KELVORA_CAN_PLUGIN");
        qputenv("KELVORA_CAN_PLUGIN", "nosuchplugin");
        const TPCANStatus status = CAN_Initialize(PCAN_USBBUS1, PCAN_BAUD_1M, 0, 0, 0);
        qputenv("KELVORA_CAN_PLUGIN", plugin);
        QCOMPARE(status, kCanStatusNoDevice);
        QCOMPARE(canadapter::userCount(), 0);
        QVERIFY2(canadapter::lastError().contains(QLatin1String("nosuchplugin")),
                 qPrintable(canadapter::lastError()));
    }

    void deviceChoice_comesFromEnvironment() {
        const canadapter::DeviceChoice choice = canadapter::configuredDevice();
        QCOMPARE(choice.plugin, QStringLiteral("virtualcan"));
        QCOMPARE(choice.interfaceName, QString::fromUtf8(qgetenv("KELVORA_CAN_INTERFACE")));
    }
};

QTEST_GUILESS_MAIN(TestCanAdapter)
#include "tst_canadapter.moc"

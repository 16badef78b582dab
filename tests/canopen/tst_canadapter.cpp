// The CAN adapter layer on the Qt virtual CAN bus: counting users of the channel, the non-blocking read
// with its "queue empty" status, writing, and refusals.
#include "CanTestBus.h"
#include "amplifiers/canopen/CanAdapter.h"

#include <QTest>

namespace {
TPCANMsg adRequest() {
    return sdo::makeMessage(0x603, sdo::adValueRequest());
}
TPCANStatus open() {
    return CAN_Initialize(PCAN_USBBUS1, PCAN_BAUD_1M, 0, 0, 0);
}
} // namespace

class TestCanAdapter : public QObject {
    Q_OBJECT

    CanSimHost m_nodes;

private slots:
    void initTestCase() {
        const QString error = cantest::startBus(m_nodes, {3});
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void cleanup() {
        while (canadapter::userCount() > 0)
            CAN_Uninitialize(PCAN_NONEBUS);
        m_nodes.resetNodes();
    }

    void refusals() {
        TPCANMsg message = adRequest();
        TPCANTimestamp stamp;
        QCOMPARE(CAN_Read(PCAN_USBBUS1, &message, &stamp), kCanStatusNotInitialized);
        QCOMPARE(CAN_Write(PCAN_USBBUS1, &message), kCanStatusNotInitialized);
        QCOMPARE(CAN_Uninitialize(PCAN_NONEBUS), kCanStatusNotInitialized);
        QCOMPARE(CAN_Initialize(0x52, PCAN_BAUD_1M), kCanStatusBadParameter);
        QCOMPARE(CAN_Initialize(PCAN_USBBUS1, 0x001C), kCanStatusBadParameter);
        QCOMPARE(canadapter::userCount(), 0);
        QCOMPARE(open(), PCAN_ERROR_OK);
        message.LEN = 9;
        QCOMPARE(CAN_Write(PCAN_USBBUS1, &message), kCanStatusBadParameter);
        QCOMPARE(CAN_Write(PCAN_USBBUS1, nullptr), kCanStatusBadParameter);
        QTest::qWait(50);
        QVERIFY(m_nodes.received(3).empty());
    }

    void writeThenRead_deliversTheNodesReply() {
        QCOMPARE(open(), PCAN_ERROR_OK);
        m_nodes.command(QStringLiteral("load 250"));
        TPCANMsg reply;
        TPCANTimestamp stamp;
        QCOMPARE(CAN_Read(PCAN_USBBUS1, &reply, &stamp), PCAN_ERROR_QRCVEMPTY);
        TPCANMsg request = adRequest();
        QCOMPARE(CAN_Write(PCAN_USBBUS1, &request), PCAN_ERROR_OK);
        QTRY_VERIFY_WITH_TIMEOUT(CAN_WaitForReceive(PCAN_USBBUS1, 10), 10000);
        QCOMPARE(CAN_Read(PCAN_USBBUS1, &reply, &stamp), PCAN_ERROR_OK);
        QCOMPARE(reply.ID, 0x583u);
        QCOMPARE(reply.MSGTYPE, PCAN_MESSAGE_STANDARD);
        QCOMPARE(reply.LEN, uint8_t(8));
        QCOMPARE(sdo::adValue(sdo::splitMessage(reply).second), 105000u);
        QCOMPARE(CAN_Read(PCAN_USBBUS1, &reply, &stamp), PCAN_ERROR_QRCVEMPTY);
        QCOMPARE(cantest::wire(m_nodes, 3), cantest::Wire{"40 00 20 00 00 00 00 00"});
    }

    void users_areCounted_andLastOneClosesTheChannel() {
        QCOMPARE(open(), PCAN_ERROR_OK);
        QCOMPARE(open(), PCAN_ERROR_OK);
        QCOMPARE(canadapter::userCount(), 2);
        QCOMPARE(CAN_Uninitialize(PCAN_NONEBUS), PCAN_ERROR_OK);
        TPCANMsg message = adRequest(); // still open for the remaining user
        QCOMPARE(CAN_Write(PCAN_USBBUS1, &message), PCAN_ERROR_OK);
        QTRY_COMPARE_WITH_TIMEOUT(m_nodes.received(3).size(), size_t(1), 10000);
        QCOMPARE(CAN_Uninitialize(PCAN_USBBUS1), PCAN_ERROR_OK);
        QCOMPARE(canadapter::userCount(), 0);
        QCOMPARE(CAN_Write(PCAN_USBBUS1, &message), kCanStatusNotInitialized);
        QCOMPARE(open(), PCAN_ERROR_OK); // and it opens again
        QCOMPARE(CAN_Write(PCAN_USBBUS1, &message), PCAN_ERROR_OK);
        QTRY_COMPARE_WITH_TIMEOUT(m_nodes.received(3).size(), size_t(2), 10000);
    }
};

QTEST_GUILESS_MAIN(TestCanAdapter)
#include "tst_canadapter.moc"

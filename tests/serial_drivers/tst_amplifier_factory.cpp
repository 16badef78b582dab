// The factory and the RS232 controller: the driver each protocol gives, refusal of an RS485 amplifier without
// a line (through real QML, where the screens meet it), ownership, the controller's list. Weight units:
// tst_weight.
#include "SimulatorProcess.h"

#include "app/AmplifierFactory.h"
#include "app/RS232Controller.h"
#include "device/rs232/RS232Amplifier.h"
#include "device/rs485/RS485Amplifier.h"
#include "link/serial/RS485Bus.h"

#include <QPointer>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QTest>

#include <memory>

class TestAmplifierFactory : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<uint32_t>("uint32_t"); }

    void createAmplifier_byProtocol_data() {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<bool>("withBus");
        QTest::addColumn<QString>("created"); // class name, empty for null
        QTest::newRow("RS232") << "RS232" << false << "RS232Amplifier";
        QTest::newRow("RS232 ignores the line") << "RS232" << true << "RS232Amplifier";
        QTest::newRow("RS485 with line") << "RS485" << true << "RS485Amplifier";
        QTest::newRow("lower case") << "rs232" << false << "";
        QTest::newRow("unknown") << "Modbus" << true << "";
    }
    void createAmplifier_byProtocol() {
        QFETCH(QString, protocol);
        QFETCH(bool, withBus);
        QFETCH(QString, created);
        AmplifierFactory factory;
        RS485Bus bus;
        std::unique_ptr<QObject> amplifier(factory.createAmplifier(
            protocol, QStringLiteral("KV-1"), QStringLiteral("COM12"), 9600, 7, withBus ? &bus : nullptr));
        if (created.isEmpty()) {
            QVERIFY(!amplifier);
            return;
        }
        QVERIFY(amplifier);
        QCOMPARE(QString::fromLatin1(amplifier->metaObject()->className()), created);
        QVERIFY(!amplifier->parent());
        // The plot finds the interface through the meta-object.
        auto *base = static_cast<AmplifierBase *>(amplifier->qt_metacast("AmplifierBase"));
        QVERIFY(base);
        QCOMPARE(base->getModel(), QStringLiteral("KV-1"));
        QCOMPARE(base->getProtocol(), protocol);
        QVERIFY(base->getName().isEmpty());
        bool connected = true;
        QVERIFY(QMetaObject::invokeMethod(amplifier.get(), "isConnected", Q_RETURN_ARG(bool, connected)));
        QVERIFY(!connected);
        if (auto *rs485 = qobject_cast<RS485Amplifier *>(amplifier.get()))
            QCOMPARE(rs485->getDeviceId(), uint8_t(7));
    }

    // From QML a refusal is a script error the screen can catch; what it creates belongs to the script.
    void qml_refusalIsScriptError_andDriversBelongToTheScript() {
        QQmlEngine engine;
        RS485Bus bus;
        engine.rootContext()->setContextProperty(QStringLiteral("factory"), new AmplifierFactory(&engine));
        engine.rootContext()->setContextProperty(QStringLiteral("sharedBus"), &bus);
        QQmlComponent component(&engine);
        component.setData(R"(
            import QtQml
            QtObject {
                property string refusal: "no error"
                property var rs485: factory.createAmplifier("RS485", "M", "p", 9600, 3, sharedBus)
                function run() {
                    try { factory.createAmplifier("RS485", "M", "p", 9600) } catch (e) { refusal = e.message }
                }
            })",
                          QUrl());
        std::unique_ptr<QObject> root(component.create());
        QVERIFY2(root, qPrintable(component.errorString()));
        QTest::ignoreMessage(QtWarningMsg, "RS485 amplifier requires a valid RS485Bus pointer.");
        QVERIFY(QMetaObject::invokeMethod(root.get(), "run"));
        QCOMPARE(root->property("refusal").toString(),
                 QStringLiteral("RS485 amplifier requires a valid RS485Bus pointer."));
        auto *rs485 = qobject_cast<RS485Amplifier *>(root->property("rs485").value<QObject *>());
        QVERIFY(rs485);
        QCOMPARE(rs485->getDeviceId(), uint8_t(3));
        QCOMPARE(QQmlEngine::objectOwnership(rs485), QQmlEngine::JavaScriptOwnership);
    }

    void controller_ownsAmplifiersInOrder_andStopsThemAll() {
        SimulatorProcess first;
        SimulatorProcess second;
        QVERIFY2(first.isReady() && second.isReady(), qPrintable(first.errorString() + second.errorString()));
        auto controller = std::make_unique<RS232Controller>();
        controller->stopReading(); // empty: nothing to do
        RS232Amplifier *a = controller->addAmplifier(QStringLiteral("M"), first.port(), 9600);
        RS232Amplifier *b = controller->addAmplifier(QStringLiteral("M"), second.port(), 9600);
        RS232Amplifier *c =
            controller->addAmplifier(QStringLiteral("M"), QStringLiteral("/dev/kelvora-missing"), 9600);
        QCOMPARE(controller->amplifiers(), (QList<RS232Amplifier *>{a, b, c}));
        QVERIFY(!a->parent());
        QCOMPARE(QQmlEngine::objectOwnership(a), QQmlEngine::CppOwnership);
        a->connect();
        b->connect();
        QVERIFY(a->isConnected() && b->isConnected());
        a->startContinuousADRead(20);
        b->startContinuousMeasuringValueRead(20);
        QVERIFY(a->isReading() && b->isReading());
        controller->stopReading();
        QVERIFY(!a->isReading() && !b->isReading() && !c->isReading());

        a->startContinuousADRead(20);
        QPointer<RS232Amplifier> watchA(a);
        QPointer<RS232Amplifier> watchC(c);
        controller.reset();
        QVERIFY(watchA.isNull());
        QVERIFY(watchC.isNull());
    }
};

QTEST_MAIN(TestAmplifierFactory)
#include "tst_amplifier_factory.moc"

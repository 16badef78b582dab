// The factory and the RS232 controller: the protocol names it refuses, refusal of an RS485 amplifier without
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

    // Only the exact protocol names make a driver, and what is made has no parent: the caller owns it.
    void createAmplifier_exactNamesOnly_callerOwns() {
        AmplifierFactory factory;
        RS485Bus bus;
        for (const char *protocol : {"rs232", "Modbus"})
            QVERIFY(!factory.createAmplifier(QString::fromLatin1(protocol), "M", "p", 9600, 7, &bus));
        std::unique_ptr<QObject> rs232(factory.createAmplifier("RS232", "M", "p", 9600, 7, &bus));
        QVERIFY(qobject_cast<RS232Amplifier *>(rs232.get()));
        QVERIFY(!rs232->parent());
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

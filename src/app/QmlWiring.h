#pragma once

#include <QString>

class CanLink;
class QQmlEngine;
class RS232Controller;
class RS485Bus;
class SettingsManager;

// What the screens may reach, shared by the program's entry point and the QML test runner so that tests
// drive the screens with exactly the program's types, singletons and context properties.
namespace qmlwiring {

// The types and singletons registered before an engine exists: MobileUI, the "uint32_t" alias, the Theme
// singleton, SerialPortHelper, RS232Amplifier (type name only), the AmplifierFactory singleton and the
// BusScanner type.
void registerTypes();

// On a fresh engine: the import paths, the context properties, the logs folder (the program's own, or the
// user's when that cannot be written) and the item types FileHandler and CustomPlot. Returns the logs folder.
// `canLink` (context property "canLink") is the CAN link of the AmplifierFactory and the bus scans.
QString publish(QQmlEngine &engine, RS485Bus *sharedBus, RS232Controller *controller,
                SettingsManager *settings, CanLink *canLink = nullptr);

} // namespace qmlwiring

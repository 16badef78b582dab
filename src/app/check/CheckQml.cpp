#include "app/check/CheckQml.h"

#include "app/check/CheckSession.h"
#include "device/check/StableCapture.h"

#include <QtQml/qqml.h>

namespace checkqml {

void registerTypes() {
    qmlRegisterType<StableCapture>("com.example.check", 1, 0, "StableCapture");
    qmlRegisterType<CheckSession>("com.example.check", 1, 0, "CheckSession");
    qmlRegisterUncreatableType<CheckSequence>("com.example.check", 1, 0, "CheckSequence",
                                              QStringLiteral("A CheckSequence belongs to its CheckSession"));
}

} // namespace checkqml

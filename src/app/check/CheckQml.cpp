#include "app/check/CheckQml.h"

#include "device/check/StableCapture.h"

#include <QtQml/qqml.h>

namespace checkqml {

void registerTypes() {
    qmlRegisterType<StableCapture>("com.example.check", 1, 0, "StableCapture");
}

} // namespace checkqml

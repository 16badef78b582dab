#include "device/AppVersion.h"

QString appVersion() {
    return QStringLiteral(KELVORA_VERSION);
}

#include "amplifiers/AppVersion.h"

QString appVersion() {
    return QStringLiteral(KELVORA_VERSION);
}

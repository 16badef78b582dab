#include "app/utils/UtilsWiFi.h"

UtilsWiFi *UtilsWiFi::getInstance() {
    static UtilsWiFi *instance = new UtilsWiFi();
    return instance;
}

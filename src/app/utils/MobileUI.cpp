#include "app/utils/MobileUI.h"

#include <QMetaType>
#include <QtQml/qqml.h>

MobileUI::MobileUI(QObject *parent)
    : QObject(parent) {}

void MobileUI::registerQML() {
    qmlRegisterType<MobileUI>("MobileUI", 1, 0, "MobileUI");
    qRegisterMetaType<MobileUI::Theme>("MobileUI::Theme");
    qRegisterMetaType<MobileUI::ScreenOrientation>("MobileUI::ScreenOrientation");
}

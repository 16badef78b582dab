#include "device/check/CheckReport.h"

#include "device/check/CheckSequence.h"

namespace checkreport {

bool writePdf(const CheckSequence &, const QString &, QString *error) {
    *error = QStringLiteral("The PDF report is not written yet.");
    return false;
}

} // namespace checkreport

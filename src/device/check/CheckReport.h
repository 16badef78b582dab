#pragma once

#include <QString>

class CheckSequence;

// The check's report as a PDF a technician hands to the customer: the amplifier, its stored calibration,
// date, operator and test weights, the results table, the verdict and a plot of the errors against the
// load. Written with libharu, not Qt's painting, so the command-line tool writes it without a display.
namespace checkreport {

// Writes the report of `check` (finished or stopped: what was recorded) to `path`; false with the reason.
bool writePdf(const CheckSequence &check, const QString &path, QString *error);

} // namespace checkreport

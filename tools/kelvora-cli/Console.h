#pragma once

#include "ExitCodes.h"

#include <QString>
#include <QTextStream>

// The tool's two streams, one pair for every command so that their lines come out in the order written: the
// result on stdout, what went wrong on stderr.
namespace cli {

QTextStream &out();
QTextStream &err();
// Says `message` on stderr and gives the exit status the command ends with.
int fail(const QString &message, int status = kExitFailed);

} // namespace cli

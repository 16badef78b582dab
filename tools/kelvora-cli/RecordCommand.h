#pragma once

#include "CliDriver.h"

#include <QStringList>

// "record --interval MS --duration S|--until-stopped FILE": records the weights of the amplifiers with the
// ids in `idList` ("1,2,3"; RS232 has one) into FILE with the program's recorder, one row every MS ms.
// Ends after S seconds, or on Ctrl-C / SIGTERM, with the file complete. A port that goes away gives "N/A"
// rows until it is back; the amplifiers are then connected again. Exit status 0 when the file is complete,
// 2 when the arguments are wrong, 6 when the line cannot be opened at the start, the status of its fault when
// an amplifier did not connect, 1 when writing failed.
int runRecordCommand(const CliLinkOptions &link, const QString &idList, const QString &unit,
                     const QStringList &arguments);

#pragma once

#include "CliDriver.h"

#include <QStringList>

// "record --interval MS --duration S|--until-stopped FILE": records the weights of the amplifiers with the
// ids in `idList` ("1,2,3"; RS232 has one) into FILE with the program's recorder, one row every MS ms.
// Ends after S seconds, or on Ctrl-C / SIGTERM, with the file complete. A port that goes away gives "N/A"
// rows until it is back; the amplifiers are then connected again. Exit status 0 when the file is complete,
// 1 when the arguments are wrong, an amplifier did not connect at the start or writing failed.
int runRecordCommand(const CliLinkOptions &link, const QString &idList, const QString &unit,
                     const QStringList &arguments);

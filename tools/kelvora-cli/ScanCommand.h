#pragma once

#include "CliDriver.h"

#include <QStringList>

// "scan [--from N --to M]": probes the ids of an RS485 line or a CANopen bus and prints one line per id
// that answered: "<id> <AD value>", or "<id> refused: <why>" for one that is there but refused the read.
// A progress line goes to stderr when it is a terminal. Exit status 0 when the scan ran, even if nothing
// answered; 6 (port lost) when the link could not be opened or failed, 2 when the arguments are wrong.
int runScanCommand(const CliLinkOptions &link, const QStringList &arguments);

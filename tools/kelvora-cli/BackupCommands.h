#pragma once

#include "CliDriver.h"

#include <QStringList>

#include <atomic>

// The backup commands: "backup FILE", "diff FILE [FILE2]", "restore FILE [--dry-run]" and "backups".
// `backups` and a diff of two files need no amplifier; the others connect to the one of `link`.
//
// Exit status (ExitCodes.h): 0 done (diff: no difference); 1 (kExitFailed) the amplifier could not be read or
// a write failed (the message says what it holds), or diff found differences; 2 (kExitBadArguments) wrong
// arguments or a file that is refused (damaged, not a backup, another model or protocol, a value outside
// what the amplifier takes); kExitNoAnswer when the connection's handshake got no answer.
bool isBackupCommand(const QString &command);
// Whether the command line asks for one that needs no amplifier (no --protocol or --port then).
bool isOfflineBackupCommand(const QStringList &positional);
int runOfflineBackupCommand(const QStringList &positional);
// `stop` set (by a stop signal) ends a restore before its next write; what it wrote is then written back.
int runBackupCommand(const CliLinkOptions &link, const QStringList &positional,
                     const std::atomic<bool> *stop);

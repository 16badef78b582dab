#pragma once

#include "CliDriver.h"

#include <QList>
#include <QStringList>

#include <optional>

// "check --loads L1,L2,... [--repeat N] [--repeat-load G] [--tolerance G|P%] [--division G]
// [--weights-uncertainty G|P%] [--operator NAME] [--weights TEXT] [--wait MS] [--window MS] --report FILE":
// the calibration check of one amplifier with test weights, prompting on stdout for each load ("place 500 g,
// then Enter") and reading the Enter (or "skip", "anyway", "stop") on stdin. Writes the PDF report FILE and
// the raw readings beside it (FILE with .csv). Without a tolerance the errors are reported with no verdict.
// Exit status 0 when the check passed (or is complete and has no tolerance), 1 when it failed or is
// incomplete, 2 for bad arguments, 3 when the amplifier did not answer, 6 when its port went away.
int runCheckCommand(const CliLinkOptions &link, const QStringList &arguments);

// For "calibrate --capture" and "calibrate-multi --capture": a stable raw AD value for each weight of
// `weights` (grams; the first 0, the empty scale), prompting on stdout for each and waiting for Enter on
// stdin, with the reading worker of `driver` running meanwhile. Nullopt with the reason (nothing captured
// stable within `timeoutMs`, stdin ended) in `error`.
std::optional<QList<uint32_t>> captureAdPoints(QObject *driver, const QList<uint32_t> &weights, int timeoutMs,
                                               QString *error);

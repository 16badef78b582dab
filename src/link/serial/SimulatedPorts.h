#pragma once

#include <QString>
#include <QStringList>

// Simulated amplifiers (tools/kelvora-sim) announce the pseudo-terminals they serve in a per-user folder,
// one file per port, so the port list can offer them to a user who has no hardware.
namespace simulatedports {

// The per-user folder of announcements (created on demand by announce()).
QString directory();
// Writes an announcement for `portPath` and returns the announcement file's path (empty on failure).
QString announce(const QString &portPath);
// Removes an announcement written by announce().
void withdraw(const QString &announcementFile);
// The announced port paths that still exist, sorted; announcements of processes that are gone and of
// vanished ports are skipped.
QStringList list();

} // namespace simulatedports

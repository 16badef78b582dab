#pragma once

#include "CliDriver.h"

#include "link/LinkStats.h"

#include <QStringList>
#include <QTextStream>

#include <cstdint>
#include <functional>

class AmplifierBase;
class LinkWatch;

// The commands that look at the link itself: the frame monitor, the statistics, raw registers and SDO
// entries, the filter read-back; and what every command shares of them: --trace's frame lines and the exit
// status that says why a command failed.
namespace linkcli {

// Prints what a link's frame monitor recorded since the last flush, one line per frame:
// "12:00:01.250 -> 1 ok        read 0x1F40 (adValue) x2  [01 03 1F 40 00 02 02 0A]"; a frame that cannot be
// decoded shows its hex only.
class FramePrinter {
public:
    FramePrinter(const LinkWatch *watch, QTextStream &stream);
    // The lines printed by this call, at most `limit`.
    size_t flush(size_t limit = SIZE_MAX);
    size_t printed() const { return m_printed; }

private:
    const LinkWatch *m_watch;
    QTextStream &m_stream;
    uint64_t m_after;
    size_t m_printed = 0;
};

// The statistics of every address or node the link exchanged with, as a table with a header line.
void printStats(QTextStream &stream, const LinkWatch &watch);

// The exit status of a command that failed, from what the link saw since `before` (the amplifier's
// statistics when the command began): the port lost, no answer, refused, a bad answer; otherwise
// cli::kExitFailed.
int exitCodeFor(const AmplifierBase *amplifier, const linkstats::Snapshot &before, bool linkLost);
linkstats::Snapshot statsOf(const AmplifierBase *amplifier);
// The exit status of a connection that failed: the port lost when nothing went out at all (the port or
// adapter could not be opened), otherwise as exitCodeFor() tells.
int connectionFailedCode(const AmplifierBase *amplifier, const linkstats::Snapshot &before, bool linkLost);

struct Context {
    CliDriver *driver;
    AmplifierBase *amplifier;
    QTextStream &out;
    QTextStream &err;
    // Runs the event loop until `done` holds or `timeoutMs` passed; true when it held.
    std::function<bool(const std::function<bool()> &done, int timeoutMs)> waitFor;
};
using Run = std::function<int(Context &)>;

struct Prepared {
    Run run;       // null when the command is not one of these
    QString error; // set instead of run when the arguments are refused
    // Whether the command shows frames while it runs (the monitor records from the connect on).
    bool showsFrames = false;
};

bool isLinkCommand(const QString &command);
// Checks the arguments of `command` for `protocol`; nothing is sent yet.
Prepared prepare(const QString &command, const QStringList &arguments, const QString &protocol);

} // namespace linkcli

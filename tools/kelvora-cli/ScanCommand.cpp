#include "ScanCommand.h"

#include "Console.h"
#include "ExitCodes.h"

#include "device/BusScan.h"
#include "device/ProtocolFacts.h"
#include "link/can/CanLink.h"
#include "link/serial/RS485Bus.h"

#include <QTextStream>

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

bool stderrIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return ::isatty(STDERR_FILENO) == 1;
#endif
}

constexpr int kLongestWindowMs = 5000;
// An answer within this is on time; a later one is marked with its delay.
constexpr int kOnTimeMs = 50;

bool parseId(const QString &text, int &value) {
    bool ok = false;
    value = text.toInt(&ok, 10);
    return ok;
}

} // namespace

int runScanCommand(const CliLinkOptions &link, const QStringList &arguments) {
    QTextStream &out = cli::out();
    QTextStream &err = cli::err();
    const auto [lowest, highest] = busscan::idRange(link.protocol);
    if (highest == 0) {
        err << "scan works on RS485 and CANOpen; an RS232 port has one amplifier, so the port list is the "
               "scan."
            << Qt::endl;
        return cli::kExitBadArguments;
    }
    int first = lowest;
    int last = highest;
    int windowMs = 0;
    for (int i = 0; i < arguments.size(); i += 2) {
        const QString &option = arguments.at(i);
        int *target = option == QLatin1String("--from")     ? &first
                      : option == QLatin1String("--to")     ? &last
                      : option == QLatin1String("--window") ? &windowMs
                                                            : nullptr;
        if (!target || i + 1 >= arguments.size() || !parseId(arguments.at(i + 1), *target)) {
            err << "Usage: scan [--from N --to M] [--window MS]" << Qt::endl;
            return cli::kExitBadArguments;
        }
    }
    if (first < lowest || last > highest || first > last) {
        err << QStringLiteral("--from and --to must lie within %1 to %2, --from not above --to.")
                   .arg(lowest)
                   .arg(highest)
            << Qt::endl;
        return cli::kExitBadArguments;
    }
    if (arguments.contains(QStringLiteral("--window")) && (windowMs < 1 || windowMs > kLongestWindowMs)) {
        err << QStringLiteral("--window needs a number of milliseconds from 1 to %1.").arg(kLongestWindowMs)
            << Qt::endl;
        return cli::kExitBadArguments;
    }

    RS485Bus bus;
    const protocolfacts::Facts *facts = protocolfacts::find(link.protocol);
    const std::unique_ptr<CanLink> canLink =
        facts && facts->usesCanLink() ? std::make_unique<CanLink>(CanLinkConfig::fromEnvironment()) : nullptr;
    const std::unique_ptr<busscan::Probe> probe = busscan::makeProbe(
        link.protocol, link.port, static_cast<uint32_t>(link.baudRate), &bus, canLink.get(), windowMs);
    const bool terminal = stderrIsTerminal();
    busscan::Callbacks callbacks;
    callbacks.garbled = [&err, terminal](int id, const QString &detail) {
        err << (terminal ? "\r\033[K" : "") << "id " << id << ": answer not trusted (" << detail << ")"
            << Qt::endl;
    };
    if (terminal) {
        callbacks.progress = [&err](const busscan::Progress &progress) {
            err << QStringLiteral("\r\033[Kprobed %1/%2, found %3")
                       .arg(progress.probed)
                       .arg(progress.total)
                       .arg(progress.found)
                << Qt::flush;
        };
    }
    const std::atomic<bool> keepRunning{true};
    const busscan::Outcome outcome = busscan::run(*probe, first, last, keepRunning, callbacks);
    if (terminal)
        err << "\r\033[K" << Qt::flush;
    if (!outcome.ran || !outcome.error.isEmpty()) {
        err << outcome.error << Qt::endl;
        return cli::kExitPortLost;
    }
    // At the end, one line per id: a late answer or a second device may change what an id's line says.
    for (const busscan::Finding &finding : outcome.findings) {
        if (finding.duplicate)
            out << finding.id << " duplicate" << Qt::endl;
        else if (finding.refused)
            out << finding.id << " refused: " << finding.detail << Qt::endl;
        else if (finding.delayMs > kOnTimeMs)
            out << finding.id << ' ' << finding.adValue << " late " << finding.delayMs << " ms" << Qt::endl;
        else
            out << finding.id << ' ' << finding.adValue << Qt::endl;
    }
    err << QStringLiteral("Probed ids %1 to %2: %3 answered.")
               .arg(first)
               .arg(last)
               .arg(outcome.findings.size())
        << Qt::endl;
    return cli::kExitOk;
}

#include "LinkCommands.h"

#include "ExitCodes.h"

#include "device/AmplifierBase.h"
#include "device/ProtocolFacts.h"
#include "link/LinkWatch.h"
#include "protocol/FrameDecoder.h"
#include "protocol/RegisterMap.h"
#include "protocol/RegisterTarget.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QMetaObject>

#include <atomic>
#include <csignal>
#include <optional>

namespace linkcli {

namespace {

using frames::Verdict;

// The monitor and the statistics poll with the measuring-value reading at this pace by default.
constexpr int kDefaultPollMs = 200;

// Ctrl-C ends a monitor that was given no --count; the frames seen so far are printed first.
std::atomic<bool> g_stop{false};
extern "C" void stopOnSignal(int) {
    g_stop = true;
}

QString frameLine(const FrameRecord &frame) {
    const frames::Decoded decoded = frame.decoded();
    QString line =
        QDateTime::fromMSecsSinceEpoch(frame.msSinceEpoch).toString(QStringLiteral("HH:mm:ss.zzz"));
    line += frame.direction == frames::Direction::Request ? QStringLiteral(" -> ") : QStringLiteral(" <- ");
    line += QStringLiteral("%1 %2 ")
                .arg(frame.address, 3)
                .arg(QLatin1String(frames::verdictKey(frame.verdict)), -11);
    if (decoded.decoded)
        line += decoded.summary() + QStringLiteral("  ");
    if (frame.verdict == Verdict::OtherId && frame.direction == frames::Direction::Answer)
        line += QStringLiteral("from id %1  ").arg(frame.code);
    line += QLatin1Char('[') + decoded.hex;
    if (frame.size > frame.kept())
        line += QStringLiteral(" ... %1 bytes").arg(frame.size);
    return line + QLatin1Char(']');
}

// "N" within 1..max from option `name`, or nullopt with the refusal in `error`.
std::optional<int> positiveOption(const QCommandLineParser &parser, const QString &name, int fallback,
                                  int max, QString &error) {
    if (!parser.isSet(name))
        return fallback;
    const std::optional<uint32_t> value =
        regtarget::parseNumber(parser.value(name), 10, static_cast<uint32_t>(max));
    if (!value || *value == 0) {
        error = QStringLiteral("--%1 needs a number from 1 to %2.").arg(name).arg(max);
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

int exitFor(AmplifierBase::RawResult::Outcome outcome) {
    using Outcome = AmplifierBase::RawResult::Outcome;
    switch (outcome) {
    case Outcome::Ok:
        return cli::kExitOk;
    case Outcome::NoAnswer:
        return cli::kExitNoAnswer;
    case Outcome::Refused:
        return cli::kExitRefused;
    case Outcome::BadAnswer:
        return cli::kExitBadAnswer;
    case Outcome::LinkLost:
        return cli::kExitPortLost;
    case Outcome::NotApplied:
        break;
    }
    return cli::kExitFailed;
}

int failed(Context &c, const AmplifierBase::RawResult &result) {
    c.err << result.error << Qt::endl;
    return exitFor(result.outcome);
}

bool startPolling(Context &c, int intervalMs) {
    return QMetaObject::invokeMethod(c.amplifier, "startContinuousMeasuringValueRead", Qt::DirectConnection,
                                     Q_ARG(int, intervalMs));
}

void stopPolling(Context &c) {
    QMetaObject::invokeMethod(c.amplifier, "stopContinuousADRead", Qt::DirectConnection);
}

// The command's own options: --count, --interval and --stats where it takes them.
struct PollOptions {
    std::optional<int> count;
    int intervalMs = kDefaultPollMs;
    bool stats = false;
};

std::optional<PollOptions> pollOptions(const QString &command, const QStringList &arguments, bool takesStats,
                                       QString &error) {
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("count"), QString(), QStringLiteral("n")});
    parser.addOption({QStringLiteral("interval"), QString(), QStringLiteral("ms")});
    if (takesStats)
        parser.addOption({QStringLiteral("stats"), QString()});
    if (!parser.parse(QStringList{command} + arguments)) {
        error = parser.errorText();
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("%1 takes only --count and --interval%2.")
                    .arg(command, takesStats ? QStringLiteral(" and --stats") : QString());
        return std::nullopt;
    }
    PollOptions options;
    const std::optional<int> interval =
        positiveOption(parser, QStringLiteral("interval"), kDefaultPollMs, 3600000, error);
    if (!interval)
        return std::nullopt;
    options.intervalMs = *interval;
    if (parser.isSet(QStringLiteral("count"))) {
        options.count = positiveOption(parser, QStringLiteral("count"), 0, 1000000, error);
        if (!options.count)
            return std::nullopt;
    }
    options.stats = takesStats && parser.isSet(QStringLiteral("stats"));
    return options;
}

// Frames printed on stdout while the measuring value is read, until --count frames or Ctrl-C.
Prepared monitor(const QStringList &arguments) {
    QString error;
    const std::optional<PollOptions> options = pollOptions(QStringLiteral("monitor"), arguments, true, error);
    if (!options)
        return {nullptr, error, false};
    const PollOptions o = *options;
    return {[o](Context &c) {
                LinkWatch *watch = c.amplifier->linkWatch();
                // From the first frame on: the connect's frames are the first shown.
                FramePrinter printer(watch, c.out);
                g_stop = false;
                std::signal(SIGINT, stopOnSignal);
                std::signal(SIGTERM, stopOnSignal);
                if (!startPolling(c, o.intervalMs)) {
                    c.err << "This amplifier cannot read weights." << Qt::endl;
                    return static_cast<int>(cli::kExitFailed);
                }
                const size_t wanted = o.count ? static_cast<size_t>(*o.count) : SIZE_MAX;
                bool lost = false;
                while (printer.printed() < wanted && !g_stop && !lost) {
                    c.waitFor([] { return false; }, 20);
                    printer.flush(wanted - printer.printed());
                    lost = c.driver->linkDown();
                }
                stopPolling(c);
                std::signal(SIGINT, SIG_DFL);
                std::signal(SIGTERM, SIG_DFL);
                printer.flush(wanted - printer.printed());
                if (o.stats && watch)
                    printStats(c.out, *watch);
                if (lost) {
                    c.err << "Lost " << c.driver->linkName() << '.' << Qt::endl;
                    return static_cast<int>(cli::kExitPortLost);
                }
                return static_cast<int>(cli::kExitOk);
            },
            {},
            true};
}

// Polls --count readings (default 10) and prints the statistics table.
Prepared stats(const QStringList &arguments) {
    QString error;
    const std::optional<PollOptions> options = pollOptions(QStringLiteral("stats"), arguments, false, error);
    if (!options)
        return {nullptr, error, false};
    const PollOptions o = *options;
    return {[o](Context &c) {
                LinkWatch *watch = c.amplifier->linkWatch();
                if (!watch) {
                    c.err << "This amplifier keeps no link statistics." << Qt::endl;
                    return static_cast<int>(cli::kExitFailed);
                }
                const uint64_t start = statsOf(c.amplifier).requests;
                const uint64_t wanted = static_cast<uint64_t>(o.count.value_or(10));
                if (!startPolling(c, o.intervalMs)) {
                    c.err << "This amplifier cannot read weights." << Qt::endl;
                    return static_cast<int>(cli::kExitFailed);
                }
                c.waitFor(
                    [&] { return statsOf(c.amplifier).requests - start >= wanted || c.driver->linkDown(); },
                    INT_MAX);
                stopPolling(c);
                printStats(c.out, *watch);
                return c.driver->linkDown() ? static_cast<int>(cli::kExitPortLost)
                                            : static_cast<int>(cli::kExitOk);
            },
            {},
            false};
}

// "0x0056 filtering level", "0x2019:00 filtering level": the target and its name where it has one.
QString targetText(const regtarget::Target &target) {
    const QString name = regtarget::name(target);
    return name.isEmpty() ? regtarget::text(target) : regtarget::text(target) + QLatin1Char(' ') + name;
}

Prepared readRegister(const QStringList &arguments, bool serial) {
    if (!serial)
        return {nullptr,
                QStringLiteral("read-register is for RS232 and RS485 amplifiers; use sdo-read INDEX:SUB."),
                false};
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("count"), QString(), QStringLiteral("n")});
    if (!parser.parse(QStringList{QStringLiteral("read-register")} + arguments))
        return {nullptr, parser.errorText(), false};
    const QStringList positional = parser.positionalArguments();
    const std::optional<regtarget::Target> reg =
        positional.size() == 1 ? regtarget::parse(positional.first(), false) : std::nullopt;
    if (!reg)
        return {nullptr,
                QStringLiteral("read-register needs REG (0x-hex, decimal or a setting's name) [--count N]."),
                false};
    QString error;
    const std::optional<int> count = positiveOption(parser, QStringLiteral("count"), 1, 1000, error);
    // Each value is a register pair: --count N reads REG, REG+2, ... within the 16-bit register space.
    if (!count || reg->index + 2 * (*count - 1) > 0xFFFF)
        return {nullptr, error.isEmpty() ? QStringLiteral("--count runs past register 0xFFFF.") : error,
                false};
    const uint16_t first = reg->index;
    const int n = *count;
    return {[first, n](Context &c) {
                for (int i = 0; i < n; ++i) {
                    const uint16_t target = static_cast<uint16_t>(first + 2 * i);
                    const AmplifierBase::RawResult result = c.amplifier->rawRead(target, 0);
                    if (!result.ok())
                        return failed(c, result);
                    c.out << targetText({false, target, 0}) << " = " << result.value << Qt::endl;
                }
                return static_cast<int>(cli::kExitOk);
            },
            {},
            false};
}

// Whether `value` is one the register map lets `target` take; the refusal otherwise.
QString outsideMap(const regtarget::Target &target, qulonglong value, const QString &what) {
    const regmap::Setting *setting = regtarget::setting(target);
    if (!setting)
        return QStringLiteral(
                   "%1 is not a setting of the register map; nothing was written (add --raw to write it "
                   "anyway).")
            .arg(what);
    const regmap::Range range = *regtarget::range(target);
    if (value < range.min || value > range.max)
        return QStringLiteral(
                   "%1 (%2) takes %3 to %4, not %5; nothing was written (add --raw to write it anyway).")
            .arg(what, QLatin1String(setting->name))
            .arg(range.min)
            .arg(range.max)
            .arg(value);
    return {};
}

Prepared writeRegister(QStringList arguments, bool serial) {
    if (!serial)
        return {nullptr,
                QStringLiteral(
                    "write-register is for RS232 and RS485 amplifiers; use sdo-write INDEX:SUB VALUE."),
                false};
    const bool raw = arguments.removeAll(QStringLiteral("--raw")) > 0;
    const std::optional<regtarget::Target> reg =
        arguments.size() == 2 ? regtarget::parse(arguments.at(0), false) : std::nullopt;
    const std::optional<uint32_t> value = reg ? regtarget::parseNumber(arguments.at(1)) : std::nullopt;
    if (!value)
        return {nullptr,
                QStringLiteral("write-register needs REG VALUE (REG 0x-hex, decimal or a setting's name; "
                               "VALUE an unsigned 32-bit number) [--raw]."),
                false};
    if (!raw) {
        const QString refusal = outsideMap(*reg, *value, regtarget::text(*reg));
        if (!refusal.isEmpty())
            return {nullptr, refusal, false};
    }
    const regtarget::Target target = *reg;
    const uint32_t written = *value;
    return {[target, written](Context &c) {
                const AmplifierBase::RawResult result = c.amplifier->rawWrite(target.index, 0, written);
                if (!result.ok())
                    return failed(c, result);
                c.out << targetText(target) << " = " << result.value << " (written and read back)"
                      << Qt::endl;
                return static_cast<int>(cli::kExitOk);
            },
            {},
            false};
}

Prepared sdoAccess(QStringList arguments, bool serial, bool write) {
    const QString command = write ? QStringLiteral("sdo-write") : QStringLiteral("sdo-read");
    if (serial)
        return {nullptr,
                QStringLiteral("%1 is for CANOpen amplifiers; use %2.")
                    .arg(command, write ? QStringLiteral("write-register REG VALUE")
                                        : QStringLiteral("read-register REG")),
                false};
    const bool raw = write && arguments.removeAll(QStringLiteral("--raw")) > 0;
    const std::optional<regtarget::Target> entry =
        arguments.size() == (write ? 2 : 1) ? regtarget::parse(arguments.first(), true) : std::nullopt;
    const std::optional<uint32_t> value =
        write && entry ? regtarget::parseNumber(arguments.at(1)) : std::optional<uint32_t>(0);
    if (!entry || !value)
        return {nullptr,
                write ? QStringLiteral(
                            "sdo-write needs INDEX:SUB VALUE (hex entry such as 2019:00, VALUE an unsigned "
                            "32-bit number) [--raw].")
                      : QStringLiteral("sdo-read needs INDEX:SUB (hex, such as 2019:00)."),
                false};
    if (write && !raw) {
        const QString refusal = outsideMap(*entry, *value, targetText(*entry));
        if (!refusal.isEmpty())
            return {nullptr, refusal, false};
    }
    const regtarget::Target target = *entry;
    const uint32_t written = *value;
    return {[write, target, written](Context &c) {
                const AmplifierBase::RawResult result =
                    write ? c.amplifier->rawWrite(target.index, target.subIndex, written)
                          : c.amplifier->rawRead(target.index, target.subIndex);
                if (!result.ok())
                    return failed(c, result);
                c.out << targetText(target) << " = " << result.value
                      << (write ? " (written and read back)" : "") << Qt::endl;
                return static_cast<int>(cli::kExitOk);
            },
            {},
            false};
}

int getFilters(Context &c) {
    const QVariantMap settings = c.amplifier->readFilterSettings();
    if (settings.contains(QStringLiteral("error"))) {
        c.err << settings.value(QStringLiteral("error")).toString() << Qt::endl;
        return cli::kExitFailed; // main tells why from the link
    }
    // KEY=N lines, as set-filters takes them.
    for (const regmap::Setting &setting : regmap::settings()) {
        const QString name = QLatin1String(setting.name);
        if (setting.key && settings.contains(name))
            c.out << setting.key << '=' << settings.value(name).toString() << Qt::endl;
    }
    return cli::kExitOk;
}

} // namespace

FramePrinter::FramePrinter(const LinkWatch *watch, QTextStream &stream)
    : m_watch(watch)
    , m_stream(stream)
    , m_after(0) {}

size_t FramePrinter::flush(size_t limit) {
    if (!m_watch || limit == 0)
        return 0;
    std::vector<FrameRecord> records = m_watch->monitor().since(m_after);
    if (records.size() > limit)
        records.resize(limit);
    for (const FrameRecord &record : records) {
        m_stream << frameLine(record) << Qt::endl;
        m_after = record.sequence;
    }
    m_printed += records.size();
    return records.size();
}

void printStats(QTextStream &stream, const LinkWatch &watch) {
    // One column per verdict, in the verdicts' order, then the bytes discarded and the round trips.
    QStringList header{QStringLiteral("id"), QStringLiteral("requests")};
    for (int v = 0; v < frames::kVerdictCount; ++v)
        header << QString::fromLatin1(frames::verdictKey(static_cast<Verdict>(v)))
                      .replace(QLatin1Char(' '), QLatin1Char('-'));
    header << QStringLiteral("discarded-bytes") << QStringLiteral("link-errors")
           << QStringLiteral("median-ms") << QStringLiteral("p99-ms") << QStringLiteral("last-error");
    stream << header.join(QLatin1Char('\t')) << Qt::endl;
    for (const linkstats::Snapshot &s : watch.stats().all()) {
        QStringList row{QString::number(s.address), QString::number(s.requests)};
        for (uint64_t count : s.verdicts)
            row << QString::number(count);
        row << QString::number(s.lateBytes + s.duplicateBytes) << QString::number(s.linkErrors)
            << (s.roundTrips > 0 ? QString::number(s.medianMs, 'f', 1) : QStringLiteral("-"))
            << (s.roundTrips > 0 ? QString::number(s.p99Ms, 'f', 1) : QStringLiteral("-"));
        row << (s.lastError.isEmpty() ? QStringLiteral("-")
                                      : QDateTime::fromMSecsSinceEpoch(s.lastErrorMs)
                                                .toString(QStringLiteral("HH:mm:ss.zzz ")) +
                                            s.lastError);
        stream << row.join(QLatin1Char('\t')) << Qt::endl;
        for (const linkstats::RefusalCount &refusal : s.refusals)
            stream << "  " << s.address << " refused with code 0x"
                   << QString::number(refusal.code, 16).toUpper() << ": " << refusal.count << Qt::endl;
    }
}

linkstats::Snapshot statsOf(const AmplifierBase *amplifier) {
    const LinkWatch *watch = amplifier ? amplifier->linkWatch() : nullptr;
    if (!watch || amplifier->linkAddress() < 0)
        return {};
    return watch->stats().snapshot(static_cast<uint8_t>(amplifier->linkAddress()));
}

int exitCodeFor(const AmplifierBase *amplifier, const linkstats::Snapshot &before, bool linkLost) {
    const linkstats::Snapshot now = statsOf(amplifier);
    if (linkLost || now.linkErrors > before.linkErrors)
        return cli::kExitPortLost;
    // The latest fault of the command tells; a command whose exchanges all went well failed for its own
    // reason.
    bool faults = false;
    for (size_t v = 1; v < now.verdicts.size(); ++v)
        faults = faults || now.verdicts[v] > before.verdicts[v];
    if (!faults)
        return cli::kExitFailed;
    if (now.lastVerdict == Verdict::Ok)
        return cli::kExitFailed;
    return exitFor(AmplifierBase::RawResult::outcomeOf(now.lastVerdict));
}

int connectionFailedCode(const AmplifierBase *amplifier, const linkstats::Snapshot &before, bool linkLost) {
    if (statsOf(amplifier).requests == before.requests)
        return cli::kExitPortLost;
    return exitCodeFor(amplifier, before, linkLost);
}

bool isLinkCommand(const QString &command) {
    static const QStringList kCommands{QStringLiteral("monitor"),       QStringLiteral("stats"),
                                       QStringLiteral("read-register"), QStringLiteral("write-register"),
                                       QStringLiteral("sdo-read"),      QStringLiteral("sdo-write"),
                                       QStringLiteral("get-filters")};
    return kCommands.contains(command);
}

Prepared prepare(const QString &command, const QStringList &arguments, const QString &protocol) {
    const protocolfacts::Facts *facts = protocolfacts::find(protocol);
    const bool serial = facts && facts->serialPort;
    if (command == QLatin1String("monitor"))
        return monitor(arguments);
    if (command == QLatin1String("stats"))
        return stats(arguments);
    if (command == QLatin1String("read-register"))
        return readRegister(arguments, serial);
    if (command == QLatin1String("write-register"))
        return writeRegister(arguments, serial);
    if (command == QLatin1String("sdo-read") || command == QLatin1String("sdo-write"))
        return sdoAccess(arguments, serial, command == QLatin1String("sdo-write"));
    if (command == QLatin1String("get-filters")) {
        if (!arguments.isEmpty())
            return {nullptr, QStringLiteral("get-filters takes no arguments."), false};
        return {getFilters, {}, false};
    }
    return {nullptr, QStringLiteral("Unknown command \"%1\".").arg(command), false};
}

} // namespace linkcli

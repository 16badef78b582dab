#include "CheckCommand.h"

#include "Console.h"
#include "ExitCodes.h"
#include "LinkCommands.h"

#include "device/AmplifierBase.h"
#include "device/check/CheckReport.h"
#include "device/check/CheckSequence.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>

#include <cmath>
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

namespace {

using cli::err;
using cli::fail;
using cli::out;

// One line typed by the technician; none at the end of stdin.
std::optional<QString> answer() {
    std::string line;
    if (!std::getline(std::cin, line))
        return std::nullopt;
    return QString::fromStdString(line).trimmed().toLower();
}

// Runs the event loop until `done` holds.
void runUntil(const std::function<bool()> &done) {
    while (!done()) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

QString prompt(const CheckSequence::Step &step) {
    if (step.phase == CheckSequence::Phase::RepeatUnload)
        return QStringLiteral("remove the load, then Enter");
    if (step.phase == CheckSequence::Phase::Zero || step.load == 0)
        return QStringLiteral("empty the scale, then Enter");
    return QStringLiteral("place %1 g, then Enter").arg(step.load);
}

QString grams(const std::optional<double> &value) {
    return value ? checkstats::formatGrams(*value) : QStringLiteral("-");
}

void printResults(const CheckSequence &check) {
    const checkstats::Input in = check.input();
    const checkstats::Result result = checkstats::evaluate(in);
    out() << "load_g,rising_g,error_rising_g,falling_g,error_falling_g,hysteresis_g,U_g,limit_g,result"
          << Qt::endl;
    for (qsizetype i = 0; i < result.rows.size(); ++i) {
        const checkstats::Row &r = result.rows.at(i);
        out() << QStringList{grams(r.load),
                             grams(in.rising.value(i)),
                             grams(r.risingError),
                             grams(in.falling.value(i)),
                             grams(r.fallingError),
                             grams(r.hysteresis),
                             grams(r.uncertainty),
                             grams(r.limit),
                             !result.judged ? QStringLiteral("-")
                             : !r.passed    ? QStringLiteral("not read")
                                            : (*r.passed ? QStringLiteral("pass") : QStringLiteral("fail"))}
                     .join(QLatin1Char(','))
              << Qt::endl;
    }
    out() << "repeatability: " << in.repeats.size() << " placings of " << grams(in.repeatLoad) << " g, s = "
          << (result.repeatabilityDeviation ? QString::number(*result.repeatabilityDeviation, 'f', 3)
                                            : QStringLiteral("-"))
          << " g" << Qt::endl;
    out() << "verdict: "
          << (!result.complete ? "incomplete"
                               : (!result.judged ? "not judged (no tolerance given)"
                                                 : (result.passed ? "passed" : "failed")))
          << Qt::endl;
}

// Whether `path` holds data that a new file would overwrite.
bool holdsData(const QString &path) {
    const QFileInfo info(path);
    return info.exists() && (!info.isFile() || info.size() > 0);
}

struct Parsed {
    CheckSetup setup;
    QString report;
    QString error;
};

Parsed parse(const QStringList &arguments) {
    Parsed parsed;
    CheckSetup &setup = parsed.setup;
    setup.minimumLoads = checkstats::kMinimumLoadsQuick;
    QCommandLineParser parser;
    const QStringList valued{
        QStringLiteral("loads"),     QStringLiteral("repeat"),   QStringLiteral("repeat-load"),
        QStringLiteral("tolerance"), QStringLiteral("division"), QStringLiteral("weights-uncertainty"),
        QStringLiteral("operator"),  QStringLiteral("weights"),  QStringLiteral("notes"),
        QStringLiteral("wait"),      QStringLiteral("window"),   QStringLiteral("report")};
    for (const QString &name : valued)
        parser.addOption({name, QString(), QStringLiteral("value")});
    if (!parser.parse(QStringList{QStringLiteral("check")} + arguments)) {
        parsed.error = parser.errorText();
        return parsed;
    }
    if (!parser.positionalArguments().isEmpty()) {
        parsed.error =
            QStringLiteral("check takes options only, not \"%1\".").arg(parser.positionalArguments().first());
        return parsed;
    }
    if (!parser.isSet(QStringLiteral("loads")) || !parser.isSet(QStringLiteral("report"))) {
        parsed.error = QStringLiteral("check needs --loads and --report.");
        return parsed;
    }
    QString why;
    const std::optional<QList<double>> loads =
        checkstats::parseLoads(parser.value(QStringLiteral("loads")), &why);
    if (!loads) {
        parsed.error = QStringLiteral("--loads: %1").arg(why);
        return parsed;
    }
    setup.loads = *loads;
    auto amount = [&](const char *name, checkstats::Amount &into) {
        if (!parser.isSet(QLatin1String(name)))
            return true;
        const std::optional<checkstats::Amount> value =
            checkstats::parseAmount(parser.value(QLatin1String(name)), &why);
        if (!value) {
            parsed.error = QStringLiteral("--%1: %2").arg(QLatin1String(name), why);
            return false;
        }
        into = *value;
        return true;
    };
    auto real = [&](const char *name, double &into) {
        if (!parser.isSet(QLatin1String(name)))
            return true;
        bool ok = false;
        into = parser.value(QLatin1String(name)).toDouble(&ok);
        if (!ok || !std::isfinite(into)) {
            parsed.error = QStringLiteral("--%1 needs a number, not \"%2\".")
                               .arg(QLatin1String(name), parser.value(QLatin1String(name)));
            return false;
        }
        return true;
    };
    double repeat = setup.repeatCount;
    double wait = setup.timeoutMs;
    double window = setup.stableWindowMs;
    if (!amount("tolerance", setup.tolerance) || !amount("weights-uncertainty", setup.weightUncertainty) ||
        !real("repeat", repeat) || !real("repeat-load", setup.repeatLoad) ||
        !real("division", setup.division) || !real("wait", wait) || !real("window", window))
        return parsed;
    if (repeat != std::floor(repeat) || std::abs(repeat) > 1000 || std::abs(wait) > 3600000 ||
        std::abs(window) > 3600000) {
        parsed.error = QStringLiteral("--repeat, --wait and --window take whole numbers.");
        return parsed;
    }
    setup.judged = parser.isSet(QStringLiteral("tolerance"));
    setup.repeatCount = static_cast<int>(repeat);
    setup.timeoutMs = static_cast<int>(wait);
    setup.stableWindowMs = static_cast<int>(window);
    setup.operatorName = parser.value(QStringLiteral("operator"));
    setup.weightsId = parser.value(QStringLiteral("weights"));
    setup.notes = parser.value(QStringLiteral("notes"));
    parsed.report = parser.value(QStringLiteral("report"));
    parsed.error = checkSetupProblem(setup);
    return parsed;
}

QString csvPathFor(const QString &report) {
    return (report.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive) ? report.chopped(4) : report) +
           QStringLiteral(".csv");
}

} // namespace

int runCheckCommand(const CliLinkOptions &link, const QStringList &arguments) {
    const Parsed parsed = parse(arguments);
    if (!parsed.error.isEmpty())
        return fail(parsed.error + QStringLiteral("\nSee kelvora-cli --help."), cli::kExitBadArguments);
    const QString csvPath = csvPathFor(parsed.report);
    for (const QString &path : {parsed.report, csvPath}) {
        if (holdsData(path))
            return fail(
                QStringLiteral("%1 already holds data: give another --report (nothing is overwritten).")
                    .arg(path),
                cli::kExitBadArguments);
    }

    QString error;
    std::unique_ptr<CliDriver> driver = makeCliDriver(link, &error);
    if (!driver)
        return fail(error, cli::kExitBadArguments);
    auto *amplifier = qobject_cast<AmplifierBase *>(driver->object());
    QStringList connectionErrors;
    QObject::connect(amplifier, &AmplifierBase::connectionFailed,
                     [&connectionErrors](const QString &why) { connectionErrors << why; });
    QMetaObject::invokeMethod(amplifier, "setUnit", Qt::DirectConnection,
                              Q_ARG(QString, QStringLiteral("g")));
    const linkstats::Snapshot before = linkcli::statsOf(amplifier);
    amplifier->connect();
    if (!amplifier->isConnected())
        return fail(connectionErrors.isEmpty() ? QStringLiteral("Connection failed.")
                                               : connectionErrors.join(QLatin1Char('\n')),
                    linkcli::connectionFailedCode(amplifier, before, driver->linkLost()));

    CheckSequence check;
    CliDriver *link_ = driver.get();
    check.setLinkLostTest([link_] { return link_->linkDown(); });
    QObject::connect(&check, &CheckSequence::recorded, [&check](int step, double value, bool anyway) {
        out() << "recorded " << grams(value) << " g at step " << step + 1 << " of " << check.stepCount()
              << (anyway ? " (taken without a stable reading: noted in the report)" : "") << Qt::endl;
    });
    if (!check.start(amplifier, parsed.setup, csvPath, &error))
        return fail(error);

    const auto active = [&check] {
        const CheckSequence::State state = check.state();
        return state == CheckSequence::State::Placing || state == CheckSequence::State::Settling ||
               state == CheckSequence::State::TimedOut;
    };
    while (active()) {
        const bool timedOut = check.state() == CheckSequence::State::TimedOut;
        if (timedOut)
            out() << check.message() << Qt::endl
                  << "Enter to try again, \"anyway\" to record the present value (noted in the report), "
                     "\"skip\" or \"stop\""
                  << Qt::endl;
        else
            out() << prompt(check.currentStep()) << Qt::endl;
        const std::optional<QString> typed = answer();
        // The link may have gone while the technician was placing the load.
        runUntil([] { return true; });
        if (!active())
            break;
        if (!typed) {
            check.stop(QStringLiteral("The input ended before the check did."));
        } else if (*typed == QLatin1String("stop")) {
            check.stop();
        } else if (*typed == QLatin1String("skip")) {
            check.skipStep();
        } else if (*typed == QLatin1String("anyway") && timedOut) {
            check.captureAnyway();
        } else if (typed->isEmpty()) {
            check.confirmPlaced();
            runUntil([&check] { return check.state() != CheckSequence::State::Settling; });
        } else {
            out() << "Not understood: \"" << *typed << "\"." << Qt::endl;
        }
    }

    printResults(check);
    const bool written = checkreport::writePdf(check, parsed.report, &error);
    if (written)
        out() << "report: " << parsed.report << Qt::endl;
    out() << "readings: " << csvPath << Qt::endl;
    if (check.state() == CheckSequence::State::Stopped) {
        err() << "The check stopped: " << check.message() << Qt::endl;
        if (!written)
            err() << error << Qt::endl;
        return driver->linkLost() ? cli::kExitPortLost : cli::kExitFailed;
    }
    if (!written)
        return fail(error);
    // Without a tolerance a complete check has nothing to fail.
    const checkstats::Result result = check.results();
    return result.passed || (result.complete && !result.judged) ? cli::kExitOk : cli::kExitFailed;
}

std::optional<QList<uint32_t>> captureAdPoints(QObject *driver, const QList<uint32_t> &weights, int timeoutMs,
                                               QString *error) {
    auto *amplifier = qobject_cast<AmplifierBase *>(driver);
    if (!amplifier) {
        *error = QStringLiteral("This amplifier cannot read AD values.");
        return std::nullopt;
    }
    // Nothing is written while the points are captured: Ctrl-C may end the tool at once meanwhile, as
    // before any other command's write.
    std::vector<int> stopSignals{SIGINT, SIGTERM};
#ifdef SIGHUP
    stopSignals.push_back(SIGHUP);
#endif
    std::vector<void (*)(int)> previous;
    for (int stopSignal : stopSignals)
        previous.push_back(std::signal(stopSignal, SIG_DFL));
    StableCapture capture;
    capture.follow(amplifier, StableCapture::Source::AdValue);
    amplifier->startContinuousADRead(100);
    QList<uint32_t> values;
    for (uint32_t weight : weights) {
        out() << (weight == 0 ? QStringLiteral("empty the scale, then Enter")
                              : QStringLiteral("place %1 g, then Enter").arg(weight))
              << Qt::endl;
        if (!answer()) {
            *error = QStringLiteral("The input ended before every point was captured; nothing was written.");
            break;
        }
        std::optional<QString> timedOut;
        bool done = false;
        const auto onCaptured = QObject::connect(&capture, &StableCapture::captured, [&] { done = true; });
        const auto onTimeout =
            QObject::connect(&capture, &StableCapture::timedOut, [&](const QString &why) { timedOut = why; });
        capture.captureFresh(timeoutMs);
        runUntil([&] { return done || timedOut.has_value(); });
        QObject::disconnect(onCaptured);
        QObject::disconnect(onTimeout);
        if (timedOut) {
            *error = *timedOut + QStringLiteral(" Nothing was written.");
            break;
        }
        values << static_cast<uint32_t>(std::llround(capture.capturedValue()));
        out() << "AD " << values.last() << " (stable: spread " << capture.spread() << " counts over "
              << capture.windowMs() << " ms)" << Qt::endl;
    }
    QMetaObject::invokeMethod(amplifier, "stopContinuousADRead", Qt::DirectConnection);
    QCoreApplication::processEvents();
    for (size_t i = 0; i < stopSignals.size(); ++i)
        std::signal(stopSignals[i], previous[i]);
    if (values.size() != weights.size())
        return std::nullopt;
    return values;
}

#include "device/check/CheckSequence.h"

#include "device/AmplifierBase.h"
#include "device/CsvField.h"

#include <QCoreApplication>

#include <cmath>

namespace {

// The measuring reading's cycle during a check: ten readings per second of the stability window.
constexpr int kReadingIntervalMs = 100;
// How often the link is looked at: a lost port stops the check within a fraction of a second.
constexpr int kLinkCheckMs = 200;

QString grams(double value) {
    return checkstats::formatGrams(value);
}

double repeatLoadOf(const CheckSetup &setup) {
    if (setup.repeatLoad >= 0 || setup.loads.isEmpty())
        return setup.repeatLoad;
    const double half = setup.loads.last() / 2.0;
    double best = setup.loads.last();
    for (double load : setup.loads) {
        if (load > 0 && std::abs(load - half) < std::abs(best - half))
            best = load;
    }
    return best;
}

} // namespace

QString checkSetupProblem(const CheckSetup &setup) {
    const QString loads = checkstats::loadsProblem(setup.loads, qMax(setup.minimumLoads, 2));
    if (!loads.isEmpty())
        return loads;
    if (setup.judged && (!(setup.tolerance.value > 0) || !std::isfinite(setup.tolerance.value)))
        return QCoreApplication::translate(
            "CheckSequence", "The tolerance must be greater than 0 (grams, or percent of the load).");
    if (!(setup.weightUncertainty.value >= 0) || !std::isfinite(setup.weightUncertainty.value))
        return QCoreApplication::translate("CheckSequence",
                                           "The test weights' uncertainty cannot be negative.");
    if (setup.repeatCount < 2 || setup.repeatCount > 100)
        return QCoreApplication::translate(
            "CheckSequence", "The repeat load is placed 2 to 100 times (a standard deviation needs two).");
    if (setup.repeatLoad == 0 || !std::isfinite(setup.repeatLoad))
        return QCoreApplication::translate("CheckSequence", "The repeat load must be greater than 0 g.");
    if (!(setup.division > 0) || !std::isfinite(setup.division))
        return QCoreApplication::translate("CheckSequence", "The scale interval must be greater than 0 g.");
    if (setup.timeoutMs <= 0)
        return QCoreApplication::translate("CheckSequence", "The time-out must be greater than 0 ms.");
    if (setup.stableWindowMs < 100 || setup.stableWindowMs > 60000 || !(setup.stableDivisions > 0))
        return QCoreApplication::translate(
            "CheckSequence", "A stable reading needs a window of 100 to 60000 ms and a threshold above 0.");
    return {};
}

CheckSequence::CheckSequence(QObject *parent)
    : QObject(parent) {
    QObject::connect(&m_capture, &StableCapture::captured, this, &CheckSequence::onCaptured);
    QObject::connect(&m_capture, &StableCapture::timedOut, this, &CheckSequence::onTimedOut);
    QObject::connect(&m_capture, &StableCapture::readingTaken, this,
                     [this](double value) { writeRow(QStringLiteral("reading"), grams(value)); });
    m_linkTimer.setInterval(kLinkCheckMs);
    QObject::connect(&m_linkTimer, &QTimer::timeout, this, &CheckSequence::watchLink);
}

CheckSequence::~CheckSequence() {
    // The file says why it ends there; nobody is told, the object is going.
    blockSignals(true);
    if (m_state == State::Placing || m_state == State::Settling || m_state == State::TimedOut)
        end(State::Stopped, tr("The check was closed before it ended."));
}

QList<CheckSequence::Step> CheckSequence::stepsFor(const CheckSetup &setup) {
    QList<Step> steps{Step{Phase::Zero, 0, -1, 0}};
    const int count = static_cast<int>(setup.loads.size());
    for (int i = 0; i < count; ++i)
        steps << Step{Phase::Rising, setup.loads.at(i), i, 0};
    // The highest load is read once, at the turn.
    for (int i = count - 2; i >= 0; --i)
        steps << Step{Phase::Falling, setup.loads.at(i), i, 0};
    const double repeatLoad = repeatLoadOf(setup);
    for (int k = 1; k <= setup.repeatCount; ++k) {
        steps << Step{Phase::RepeatLoad, repeatLoad, static_cast<int>(setup.loads.indexOf(repeatLoad)), k};
        steps << Step{Phase::RepeatUnload, 0, -1, k};
    }
    return steps;
}

bool CheckSequence::start(AmplifierBase *amplifier, const CheckSetup &setup, const QString &csvPath,
                          QString *error) {
    if (m_state == State::Placing || m_state == State::Settling || m_state == State::TimedOut) {
        *error = tr("A check is already running.");
        return false;
    }
    const QString problem = checkSetupProblem(setup);
    if (!problem.isEmpty()) {
        *error = problem;
        return false;
    }
    if (!amplifier || !amplifier->isConnected()) {
        *error = tr("The amplifier is not connected.");
        return false;
    }
    m_csv.close();
    m_csv.setFileName(csvPath);
    if (!m_csv.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        *error = tr("Cannot write %1: %2").arg(csvPath, m_csv.errorString());
        return false;
    }
    m_amplifier = amplifier;
    m_amplifierObject = amplifier;
    m_setup = setup;
    m_setup.repeatLoad = repeatLoadOf(setup);
    m_steps = stepsFor(m_setup);
    m_records = QList<Record>(m_steps.size());
    m_remarks.clear();
    m_stepIndex = 0;
    m_model = amplifier->getModel();
    m_protocol = amplifier->getProtocol();
    m_link = amplifier->getLinkDescription();
    m_startedAt = QDateTime::currentDateTime();
    m_csv.write("time,step,phase,load_g,reading_g,event\n");
    m_csv.flush();
    // Read before the reading worker starts, so that the two do not take turns on the link.
    amplifier->stopContinuousADRead();
    m_storedCalibration = amplifier->readStoredCalibration();
    m_capture.setRule(m_setup.stableWindowMs, m_setup.stableDivisions * m_setup.division);
    m_capture.follow(amplifier, StableCapture::Source::Weight);
    amplifier->startContinuousMeasuringValueRead(kReadingIntervalMs);
    m_linkTimer.start();
    setState(State::Placing);
    emit stepChanged();
    return true;
}

QString CheckSequence::instructionFor(const Step &step) {
    switch (step.phase) {
    case Phase::Zero:
        return tr("Empty the scale; it will be zeroed.");
    case Phase::RepeatUnload:
        return tr("Remove the load.");
    default:
        return step.load == 0 ? tr("Empty the scale.") : tr("Place %1 g on the scale.").arg(step.load);
    }
}

QString CheckSequence::instruction() const {
    if (m_state == State::Idle || m_state == State::Finished || m_state == State::Stopped)
        return {};
    return instructionFor(currentStep());
}

QString CheckSequence::phaseName(Phase phase) const {
    switch (phase) {
    case Phase::Zero:
        return QStringLiteral("zero");
    case Phase::Rising:
        return QStringLiteral("rising");
    case Phase::Falling:
        return QStringLiteral("falling");
    case Phase::RepeatLoad:
        return QStringLiteral("repeat");
    case Phase::RepeatUnload:
        return QStringLiteral("unloaded");
    }
    return {};
}

void CheckSequence::setState(State state, const QString &message) {
    m_state = state;
    m_message = message;
    emit stateChanged();
}

void CheckSequence::confirmPlaced() {
    if (m_state != State::Placing && m_state != State::TimedOut)
        return;
    writeRow(QStringLiteral("placed"));
    setState(State::Settling);
    // Readings before the confirmation belong to the load before.
    m_capture.captureFresh(m_setup.timeoutMs);
}

bool CheckSequence::captureAnyway() {
    if (m_state != State::Settling && m_state != State::TimedOut)
        return false;
    return m_capture.captureAnyway();
}

void CheckSequence::skipStep() {
    if (m_state != State::Placing && m_state != State::Settling && m_state != State::TimedOut)
        return;
    m_capture.cancel();
    m_records[m_stepIndex] = Record{std::nullopt, false, QDateTime::currentDateTime()};
    m_remarks << tr("Step %1 (%2) was skipped: nothing recorded.").arg(m_stepIndex + 1).arg(instruction());
    writeRow(QStringLiteral("skipped"));
    advance();
}

void CheckSequence::stop(const QString &reason) {
    if (m_state != State::Placing && m_state != State::Settling && m_state != State::TimedOut)
        return;
    end(State::Stopped, reason.isEmpty() ? tr("Stopped by the operator.") : reason);
}

void CheckSequence::onCaptured(double value, bool anyway) {
    if (m_state != State::Settling && m_state != State::TimedOut)
        return;
    const Step step = currentStep();
    if (step.phase == Phase::Zero && m_amplifierObject) {
        // Zeroed on an empty scale at rest; the indication recorded is the one before, which shows how far
        // the zero had moved.
        std::optional<QString> failure;
        const auto connection =
            QObject::connect(m_amplifier, &AmplifierBase::commandFinished, this,
                             [&failure](const QString &command, bool ok, const QString &message) {
                                 if (command == QLatin1String("zero"))
                                     failure = ok ? QString() : message;
                             });
        m_amplifier->zero();
        QObject::disconnect(connection);
        if (!failure || !failure->isEmpty()) {
            end(State::Stopped, tr("The amplifier could not be zeroed: %1")
                                    .arg(failure ? *failure : tr("it did not report back.")));
            return;
        }
    }
    m_records[m_stepIndex] = Record{value, anyway, QDateTime::currentDateTime()};
    if (anyway)
        m_remarks << tr("Step %1 (%2) was recorded without a stable reading (spread %3 g).")
                         .arg(m_stepIndex + 1)
                         .arg(instruction(), grams(m_capture.spread()));
    writeRow(anyway ? QStringLiteral("recorded anyway, not at rest") : QStringLiteral("recorded"),
             grams(value));
    emit recorded(m_stepIndex, value, anyway);
    advance();
}

void CheckSequence::onTimedOut(const QString &reason) {
    if (m_state != State::Settling)
        return;
    writeRow(QStringLiteral("timed out: ") + reason);
    setState(State::TimedOut, reason + QLatin1Char(' ') + tr("Nothing was recorded for this step."));
}

void CheckSequence::advance() {
    ++m_stepIndex;
    if (m_stepIndex >= m_steps.size()) {
        m_stepIndex = static_cast<int>(m_steps.size()) - 1;
        end(State::Finished, QString());
        return;
    }
    setState(State::Placing);
    emit stepChanged();
}

void CheckSequence::end(State state, const QString &reason) {
    m_linkTimer.stop();
    m_capture.cancel();
    m_capture.follow(nullptr, StableCapture::Source::Weight);
    if (state == State::Stopped)
        m_remarks << tr("The check stopped at step %1: %2").arg(m_stepIndex + 1).arg(reason);
    writeRow(state == State::Finished ? QStringLiteral("finished") : QStringLiteral("stopped: ") + reason);
    m_csv.close();
    setState(state, reason);
    emit stepChanged();
    if (state == State::Finished)
        emit finished();
    else
        emit stopped(reason);
}

void CheckSequence::watchLink() {
    if (m_state != State::Placing && m_state != State::Settling && m_state != State::TimedOut)
        return;
    if (!m_amplifierObject) {
        end(State::Stopped, tr("The amplifier was removed."));
        return;
    }
    const bool lost = m_linkLost ? m_linkLost() : !m_amplifier->isConnected();
    if (!lost)
        return;
    const QString why = m_amplifier->staleReason();
    end(State::Stopped, why.isEmpty() ? tr("The link to the amplifier was lost.")
                                      : tr("The link to the amplifier was lost: %1").arg(why));
}

void CheckSequence::writeRow(const QString &event, const QString &reading) {
    if (!m_csv.isOpen())
        return;
    const Step step = currentStep();
    const QString row = QStringList{QDateTime::currentDateTime().toString(Qt::ISODateWithMs),
                                    QString::number(m_stepIndex + 1),
                                    phaseName(step.phase),
                                    grams(step.load),
                                    reading,
                                    csvField(event)}
                            .join(QLatin1Char(',')) +
                        QLatin1Char('\n');
    m_csv.write(row.toUtf8());
    // Each row reaches the file at once: a check that ends abruptly keeps every reading before.
    m_csv.flush();
}

checkstats::Input CheckSequence::input() const {
    checkstats::Input in;
    in.loads = m_setup.loads;
    in.rising = QList<std::optional<double>>(m_setup.loads.size());
    in.falling = QList<std::optional<double>>(m_setup.loads.size());
    in.repeatLoad = m_setup.repeatLoad;
    in.division = m_setup.division;
    in.weightUncertainty = m_setup.weightUncertainty;
    in.tolerance = m_setup.tolerance;
    in.judged = m_setup.judged;
    for (qsizetype i = 0; i < m_steps.size() && i < m_records.size(); ++i) {
        const Step &step = m_steps.at(i);
        const std::optional<double> value = m_records.at(i).value;
        if (!value)
            continue;
        if (step.phase == Phase::Rising)
            in.rising[step.loadIndex] = value;
        else if (step.phase == Phase::Falling)
            in.falling[step.loadIndex] = value;
        else if (step.phase == Phase::RepeatLoad)
            in.repeats << *value;
    }
    return in;
}

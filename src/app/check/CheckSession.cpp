#include "app/check/CheckSession.h"

#include "device/AmplifierBase.h"
#include "device/check/CheckReport.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <cmath>

namespace {

constexpr const char *kNone = "—";

// A whole number of 1 or more from the technician's text; 0 when it is none.
int positiveWholeNumber(const QString &text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value > 0 ? value : 0;
}

} // namespace

CheckSession::CheckSession(QObject *parent)
    : QObject(parent)
    , m_plotColors{QStringLiteral("#3a5eab"), QStringLiteral("#c58800"), QStringLiteral("#a91e22")} {
    connect(&m_sequence, &CheckSequence::stateChanged, this, [this] {
        emit stateChanged();
        updateResults();
    });
    connect(&m_sequence, &CheckSequence::recorded, this, &CheckSession::updateResults);
    connect(m_sequence.capture(), &StableCapture::readingTaken, this, [this](double value) {
        m_lastReading = grams(value);
        emit lastReadingChanged();
    });
}

QString CheckSession::state() const {
    switch (m_sequence.state()) {
    case CheckSequence::State::Idle:
        return QStringLiteral("idle");
    case CheckSequence::State::Placing:
        return QStringLiteral("placing");
    case CheckSequence::State::Settling:
        return QStringLiteral("settling");
    case CheckSequence::State::TimedOut:
        return QStringLiteral("timedOut");
    case CheckSequence::State::Finished:
        return QStringLiteral("finished");
    case CheckSequence::State::Stopped:
        return QStringLiteral("stopped");
    }
    return {};
}

bool CheckSession::isRunning() const {
    const CheckSequence::State state = m_sequence.state();
    return state == CheckSequence::State::Placing || state == CheckSequence::State::Settling ||
           state == CheckSequence::State::TimedOut;
}

void CheckSession::setError(const QString &error) {
    if (error == m_error)
        return;
    m_error = error;
    emit errorChanged();
}

bool CheckSession::start(QObject *amplifierObject, const QVariantMap &entries, const QString &folder) {
    auto *amplifier = qobject_cast<AmplifierBase *>(amplifierObject);
    if (!amplifier) {
        setError(tr("Choose an amplifier of the Weight Plot screen first."));
        return false;
    }
    QString why;
    CheckSetup setup;
    const auto loads = checkstats::parseLoads(entries.value(QStringLiteral("loads")).toString(), &why);
    if (!loads) {
        // The reason names the test load already.
        setError(why);
        return false;
    }
    setup.loads = *loads;
    setup.repeatCount = positiveWholeNumber(entries.value(QStringLiteral("repeatCount")).toString());
    if (setup.repeatCount == 0) {
        setError(tr("Repeat: enter how many times the repeat load is placed, a whole number."));
        return false;
    }
    // An amount in grams or percent of the load; the field is named in the reason when it is refused.
    const auto amount = [&](const char *key, const QString &field) {
        const auto parsed = checkstats::parseAmount(entries.value(QLatin1String(key)).toString(), &why);
        if (!parsed)
            setError(field.arg(why));
        return parsed;
    };
    const auto tolerance = amount("tolerance", tr("Tolerance: %1"));
    if (!tolerance)
        return false;
    setup.tolerance = *tolerance;
    const auto weights = amount("weightUncertainty", tr("Test weights' uncertainty: %1"));
    if (!weights)
        return false;
    setup.weightUncertainty = *weights;
    const auto division = checkstats::parseAmount(entries.value(QStringLiteral("division")).toString(), &why);
    if (!division || division->percent) {
        setError(tr("Scale interval: %1").arg(division ? tr("give it in grams.") : why));
        return false;
    }
    setup.division = division->value;
    const int timeoutS = positiveWholeNumber(entries.value(QStringLiteral("timeoutS")).toString());
    if (timeoutS == 0) {
        setError(tr("Time-out: enter the longest wait for a stable reading in whole seconds."));
        return false;
    }
    setup.timeoutMs = timeoutS * 1000;
    setup.operatorName = entries.value(QStringLiteral("operatorName")).toString().trimmed();
    setup.weightsId = entries.value(QStringLiteral("weightsId")).toString().trimmed();
    setup.notes = entries.value(QStringLiteral("notes")).toString().trimmed();
    const QString problem = checkSetupProblem(setup);
    if (!problem.isEmpty()) {
        setError(problem);
        return false;
    }

    // A file of its own per check, never one that holds an earlier check's readings.
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_hhmmss"));
    QString csv = QDir(folder).filePath(QStringLiteral("check_%1.csv").arg(stamp));
    for (int n = 2; QFileInfo::exists(csv); ++n)
        csv = QDir(folder).filePath(QStringLiteral("check_%1_%2.csv").arg(stamp).arg(n));
    m_decimals = qBound(1, static_cast<int>(std::ceil(-std::log10(setup.division))) + 1, 4);
    if (!m_sequence.start(amplifier, setup, csv, &why)) {
        setError(why);
        return false;
    }
    setError({});
    m_lastReading.clear();
    m_pdfPath.clear();
    emit lastReadingChanged();
    emit reportChanged();
    emit stateChanged();
    updateResults();
    return true;
}

bool CheckSession::writePdf() {
    const QString csv = m_sequence.csvPath();
    if (csv.isEmpty() || isRunning()) {
        setError(tr("The report is written once a check has ended."));
        return false;
    }
    const QFileInfo info(csv);
    const QString pdf = info.dir().filePath(info.completeBaseName() + QStringLiteral(".pdf"));
    QString why;
    if (!checkreport::writePdf(m_sequence, pdf, &why)) {
        setError(tr("The PDF report was not written: %1").arg(why));
        return false;
    }
    setError({});
    m_pdfPath = pdf;
    emit reportChanged();
    return true;
}

QString CheckSession::grams(double value) const {
    return checkstats::formatGrams(value, m_decimals);
}

void CheckSession::setPlotColors(const QVariantList &colors) {
    m_plotColors = colors;
    updateResults();
}

void CheckSession::updateResults() {
    m_rows.clear();
    m_plotSeries.clear();
    if (m_sequence.state() == CheckSequence::State::Idle) {
        m_repeatability.clear();
        m_verdict.clear();
        emit resultsChanged();
        return;
    }
    const checkstats::Result result = m_sequence.results();
    const auto text = [this](const std::optional<double> &value) {
        return value ? grams(*value) : QString::fromUtf8(kNone);
    };
    QVariantList rising;
    QVariantList falling;
    QVariantList upper;
    QVariantList lower;
    const auto point = [](double x, double y) {
        return QVariantMap{{QStringLiteral("x"), x}, {QStringLiteral("y"), y}};
    };
    for (const checkstats::Row &row : result.rows) {
        m_rows << QVariantMap{
            {QStringLiteral("load"), grams(row.load)},
            {QStringLiteral("risingError"), text(row.risingError)},
            {QStringLiteral("fallingError"), text(row.fallingError)},
            {QStringLiteral("hysteresis"), text(row.hysteresis)},
            {QStringLiteral("uncertainty"), text(row.uncertainty)},
            {QStringLiteral("limit"), QStringLiteral("± ") + grams(row.limit)},
            {QStringLiteral("verdict"),
             row.passed ? (*row.passed ? QStringLiteral("pass") : QStringLiteral("fail")) : QString()}};
        if (row.risingError)
            rising << point(row.load, *row.risingError);
        if (row.fallingError)
            falling << point(row.load, *row.fallingError);
        upper << point(row.load, row.limit);
        lower << point(row.load, -row.limit);
    }
    const auto color = [this](int i) {
        return m_plotColors.value(i).toString();
    };
    m_plotSeries = {QVariantMap{{QStringLiteral("points"), rising}, {QStringLiteral("color"), color(0)}},
                    QVariantMap{{QStringLiteral("points"), falling}, {QStringLiteral("color"), color(1)}},
                    QVariantMap{{QStringLiteral("points"), upper},
                                {QStringLiteral("color"), color(2)},
                                {QStringLiteral("dashed"), true}},
                    QVariantMap{{QStringLiteral("points"), lower},
                                {QStringLiteral("color"), color(2)},
                                {QStringLiteral("dashed"), true}}};
    m_repeatability = result.repeatabilityDeviation ? tr("%1 g").arg(grams(*result.repeatabilityDeviation))
                                                    : QString::fromUtf8(kNone);
    const CheckSequence::State state = m_sequence.state();
    if (state == CheckSequence::State::Finished || state == CheckSequence::State::Stopped)
        m_verdict = !result.complete ? QStringLiteral("incomplete")
                    : result.passed  ? QStringLiteral("pass")
                                     : QStringLiteral("fail");
    else
        m_verdict.clear();
    emit resultsChanged();
}

#include "protocol/CheckStatistics.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace checkstats {

QString Amount::text() const {
    return percent ? QStringLiteral("%1 %").arg(value, 0, 'g', 6)
                   : QStringLiteral("%1 g").arg(value, 0, 'g', 8);
}

std::optional<Amount> parseAmount(const QString &text, QString *error) {
    QString number = text.trimmed();
    Amount amount;
    if (number.endsWith(QLatin1Char('%'))) {
        amount.percent = true;
        number.chop(1);
    } else if (number.endsWith(QLatin1Char('g'))) {
        number.chop(1);
    }
    bool ok = false;
    amount.value = number.trimmed().toDouble(&ok);
    if (text.trimmed().isEmpty()) {
        *error = QCoreApplication::translate("checkstats", "No value given.");
        return std::nullopt;
    }
    if (!ok || !std::isfinite(amount.value)) {
        *error =
            QCoreApplication::translate(
                "checkstats", "\"%1\" is not a number of grams (such as 2) or a percentage (such as 0.1%).")
                .arg(text.trimmed());
        return std::nullopt;
    }
    if (amount.value < 0) {
        *error = QCoreApplication::translate("checkstats", "\"%1\" is negative.").arg(text.trimmed());
        return std::nullopt;
    }
    return amount;
}

std::optional<QList<double>> parseLoads(const QString &text, QString *error) {
    if (text.trimmed().isEmpty()) {
        *error = QCoreApplication::translate("checkstats", "No test loads given.");
        return std::nullopt;
    }
    QList<double> loads;
    const QStringList entries = text.split(QLatin1Char(','));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString entry = entries.at(i).trimmed();
        bool ok = false;
        const double load = entry.toDouble(&ok);
        if (entry.isEmpty()) {
            *error = QCoreApplication::translate("checkstats", "Test load %1 is empty.").arg(i + 1);
            return std::nullopt;
        }
        if (!ok || !std::isfinite(load)) {
            *error = QCoreApplication::translate("checkstats", "Test load \"%1\" is not a number of grams.")
                         .arg(entry);
            return std::nullopt;
        }
        if (load < 0) {
            *error = QCoreApplication::translate("checkstats", "Test load %1 g is negative.").arg(entry);
            return std::nullopt;
        }
        loads << load;
    }
    return loads;
}

QString loadsProblem(const QList<double> &loads, int minimum) {
    if (loads.size() < minimum)
        return QCoreApplication::translate(
                   "checkstats",
                   "At least %1 test loads are needed, from near zero to near the maximum; %2 given.")
            .arg(minimum)
            .arg(loads.size());
    for (qsizetype i = 0; i < loads.size(); ++i) {
        if (!std::isfinite(loads.at(i)) || loads.at(i) < 0)
            return QCoreApplication::translate("checkstats", "Test load %1 g is negative.").arg(loads.at(i));
        if (i > 0 && loads.at(i) <= loads.at(i - 1))
            return QCoreApplication::translate("checkstats", "Test loads must rise: %1 g comes after %2 g.")
                .arg(loads.at(i))
                .arg(loads.at(i - 1));
    }
    return {};
}

std::optional<double> standardDeviation(const QList<double> &values) {
    if (values.size() < 2)
        return std::nullopt;
    double mean = 0;
    for (double value : values)
        mean += value;
    mean /= static_cast<double>(values.size());
    double squares = 0;
    for (double value : values)
        squares += (value - mean) * (value - mean);
    return std::sqrt(squares / static_cast<double>(values.size() - 1));
}

double resolutionUncertainty(double division) {
    return division / std::sqrt(12.0);
}

double expandedUncertainty(double load, double division, double repeatability, const Amount &weights) {
    // The indication at load and the zero it is counted from are each rounded to d; the reference is the
    // test weights' value, whose stated uncertainty is expanded with k = 2.
    const double resolution = resolutionUncertainty(division);
    const double reference = weights.at(load) / 2.0;
    return 2.0 *
           std::sqrt(2.0 * resolution * resolution + repeatability * repeatability + reference * reference);
}

Result evaluate(const Input &input) {
    Result result;
    result.repeatabilityDeviation = standardDeviation(input.repeats);
    if (!input.repeats.isEmpty()) {
        double sum = 0;
        for (double value : input.repeats)
            sum += value;
        result.repeatMean = sum / static_cast<double>(input.repeats.size());
    }
    bool complete = result.repeatabilityDeviation.has_value() && !input.loads.isEmpty();
    bool allPassed = true;
    for (qsizetype i = 0; i < input.loads.size(); ++i) {
        Row row;
        row.load = input.loads.at(i);
        const std::optional<double> up = input.rising.value(i);
        const bool top = i == input.loads.size() - 1;
        const std::optional<double> down = top ? std::nullopt : input.falling.value(i);
        if (up)
            row.risingError = *up - row.load;
        if (down)
            row.fallingError = *down - row.load;
        if (up && down)
            row.hysteresis = std::abs(*down - *up);
        if (result.repeatabilityDeviation)
            row.uncertainty = expandedUncertainty(row.load, input.division, *result.repeatabilityDeviation,
                                                  input.weightUncertainty);
        // A percentage of a load near zero would ask for less than the indication can show: the limit is
        // never finer than one division.
        if (input.judged)
            row.limit = input.tolerance.percent ? std::max(input.tolerance.at(row.load), input.division)
                                                : input.tolerance.value;
        const bool read = up && (down || top);
        complete = complete && read;
        if (read && input.judged) {
            row.passed = std::abs(*row.risingError) <= row.limit &&
                         (!row.fallingError || std::abs(*row.fallingError) <= row.limit);
            allPassed = allPassed && *row.passed;
        }
        result.rows << row;
    }
    result.complete = complete;
    result.judged = input.judged;
    result.passed = complete && input.judged && allPassed;
    return result;
}

QString formatGrams(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    const double rounded = std::round(value * scale) / scale;
    return QString::number(rounded == 0 ? 0.0 : rounded, 'f', decimals);
}

} // namespace checkstats

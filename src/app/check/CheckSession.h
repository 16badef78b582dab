#pragma once

#include "device/check/CheckSequence.h"

#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariantList>
#include <QVariantMap>

// The guided calibration check as its screen sees it: starts a CheckSequence from what the technician typed,
// forwards the steps, and gives the figures the library computed as rows of text, the verdict and the points
// of the error plot. The judgement (stability, errors, uncertainty, pass or fail) is the library's; this
// only formats it and writes the report where the screen asks.
class CheckSession : public QObject {
    Q_OBJECT
    Q_PROPERTY(CheckSequence *sequence READ sequence CONSTANT)
    Q_PROPERTY(StableCapture *capture READ capture CONSTANT)
    // "idle", "placing", "settling", "timedOut", "finished" or "stopped".
    Q_PROPERTY(QString state READ state NOTIFY stateChanged)
    Q_PROPERTY(bool running READ isRunning NOTIFY stateChanged)
    // The latest weight the check read, in grams as text ("" before the first).
    Q_PROPERTY(QString lastReading READ lastReading NOTIFY lastReadingChanged)
    // One map per test load: load, risingError, fallingError, hysteresis, uncertainty, limit (texts, "—"
    // where nothing was recorded) and verdict ("pass", "fail" or "").
    Q_PROPERTY(QVariantList rows READ rows NOTIFY resultsChanged)
    // The standard deviation of the repeat placings in grams ("0.07 g"), "—" before two of them.
    Q_PROPERTY(QString repeatability READ repeatability NOTIFY resultsChanged)
    // "pass", "fail" or "incomplete" once the check has ended; "" before.
    Q_PROPERTY(QString verdict READ verdict NOTIFY resultsChanged)
    // The errors against the load, rising and falling, and the tolerance either side: PointsPlot series.
    Q_PROPERTY(QVariantList plotSeries READ plotSeries NOTIFY resultsChanged)
    Q_PROPERTY(QStringList remarks READ remarks NOTIFY resultsChanged)
    Q_PROPERTY(QString csvPath READ csvPath NOTIFY stateChanged)
    Q_PROPERTY(QUrl csvUrl READ csvUrl NOTIFY stateChanged)
    Q_PROPERTY(QString pdfPath READ pdfPath NOTIFY reportChanged)
    // Why the last start or report failed ("" when it did not).
    Q_PROPERTY(QString error READ error NOTIFY errorChanged)
    // The colours the plot's series take: rising, falling, tolerance.
    Q_PROPERTY(QVariantList plotColors READ plotColors WRITE setPlotColors NOTIFY resultsChanged)

public:
    explicit CheckSession(QObject *parent = nullptr);

    // Starts the check of `amplifier` with the technician's entries: "loads" ("0, 500, 1000"),
    // "repeatCount", "tolerance" ("2 g" or "0.1 %"), "weightUncertainty", "division" (grams), "timeoutS",
    // "operatorName", "weightsId", "notes". Every reading goes to a new CSV file in `folder`. False with the
    // reason in `error` (nothing started) for an entry that cannot be used.
    Q_INVOKABLE bool start(QObject *amplifier, const QVariantMap &entries, const QString &folder);
    Q_INVOKABLE void confirmPlaced() { m_sequence.confirmPlaced(); }
    Q_INVOKABLE bool captureAnyway() { return m_sequence.captureAnyway(); }
    Q_INVOKABLE void skipStep() { m_sequence.skipStep(); }
    Q_INVOKABLE void stop() { m_sequence.stop(); }
    // Writes the PDF report beside the CSV file (same name, .pdf); false with the reason in `error`.
    Q_INVOKABLE bool writePdf();

    CheckSequence *sequence() { return &m_sequence; }
    StableCapture *capture() { return m_sequence.capture(); }
    QString state() const;
    bool isRunning() const;
    QString lastReading() const { return m_lastReading; }
    QVariantList rows() const { return m_rows; }
    QString repeatability() const { return m_repeatability; }
    QString verdict() const { return m_verdict; }
    QVariantList plotSeries() const { return m_plotSeries; }
    QStringList remarks() const { return m_sequence.remarks(); }
    QString csvPath() const { return m_sequence.csvPath(); }
    QUrl csvUrl() const { return QUrl::fromLocalFile(csvPath()); }
    QString pdfPath() const { return m_pdfPath; }
    QString error() const { return m_error; }
    QVariantList plotColors() const { return m_plotColors; }
    void setPlotColors(const QVariantList &colors);

signals:
    void stateChanged();
    void lastReadingChanged();
    void resultsChanged();
    void reportChanged();
    void errorChanged();

private:
    void setError(const QString &error);
    void updateResults();
    QString grams(double value) const;

    CheckSequence m_sequence;
    QString m_lastReading;
    QVariantList m_rows;
    QString m_repeatability;
    QString m_verdict;
    QVariantList m_plotSeries;
    QVariantList m_plotColors;
    QString m_pdfPath;
    QString m_error;
    int m_decimals = 2;
};

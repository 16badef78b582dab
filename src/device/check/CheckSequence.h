#pragma once

#include "device/check/StableCapture.h"
#include "protocol/CheckStatistics.h"

#include <QDateTime>
#include <QFile>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVariantMap>

#include <functional>
#include <optional>

class AmplifierBase;

// What the technician chooses before a check.
struct CheckSetup {
    QList<double> loads; // grams, rising; the first near zero, the last near the maximum
    int repeatCount = 5; // placings of the repeat load
    // The repeat load in grams; below 0: the test load nearest half the largest.
    double repeatLoad = -1;
    checkstats::Amount tolerance{0, false};
    // Whether the errors are judged against the tolerance; without (the command line given no tolerance)
    // they are reported with no verdict.
    bool judged = true;
    checkstats::Amount weightUncertainty{0, false};
    double division = 1.0; // scale interval d in grams: resolution of the result and unit of stability
    int timeoutMs = 30000; // longest wait for a stable reading at one step
    // The stability rule for the weights: its window, and its threshold in scale intervals.
    int stableWindowMs = 1000;
    double stableDivisions = stability::kDefaultDivisions;
    int minimumLoads = checkstats::kMinimumLoads;
    QString operatorName;
    QString weightsId; // the test weights: set, class, certificate
    QString notes;
};

// Why the check cannot start with `setup`, or an empty string.
QString checkSetupProblem(const CheckSetup &setup);

// The guided check of a connected amplifier with test weights: zero the empty scale; each test load
// rising, then falling; then the repeat load placed and removed repeatCount times. At each step the
// technician places the load and confirms; the check waits for a stable weight and records the mean of
// the stable window. A step that does not settle within the time-out records nothing and may be tried
// again, taken anyway (noted in the report) or skipped. Every reading, the outcome of every step and why
// the check stopped go to the CSV file as they come, so a check that stops keeps what it recorded.
// Runs on the caller's thread; the amplifier's reading worker feeds it through the event loop.
class CheckSequence : public QObject {
    Q_OBJECT
    Q_PROPERTY(int stepIndex READ stepIndex NOTIFY stepChanged)
    Q_PROPERTY(int stepCount READ stepCount NOTIFY stepChanged)
    Q_PROPERTY(QString instruction READ instruction NOTIFY stepChanged)
    Q_PROPERTY(double stepLoad READ stepLoad NOTIFY stepChanged)
    Q_PROPERTY(State state READ state NOTIFY stateChanged)
    Q_PROPERTY(QString message READ message NOTIFY stateChanged)
    Q_PROPERTY(StableCapture *capture READ capture CONSTANT)

public:
    enum class Phase { Zero, Rising, Falling, RepeatLoad, RepeatUnload };
    Q_ENUM(Phase)
    enum class State {
        Idle,     // not started
        Placing,  // waiting for the technician to place the step's load and confirm
        Settling, // waiting for a stable reading
        TimedOut, // no stable reading came: try again, take anyway or skip
        Finished, // every step done
        Stopped   // ended early; message() says why
    };
    Q_ENUM(State)

    struct Step {
        Phase phase = Phase::Zero;
        double load = 0;
        int loadIndex = -1; // index in the setup's loads (rising and falling)
        int repetition = 0; // 1-based for the repeat steps
    };
    struct Record {
        std::optional<double> value; // none: skipped
        bool anyway = false;         // taken without a stable window
        QDateTime at;
    };

    explicit CheckSequence(QObject *parent = nullptr);
    ~CheckSequence() override;

    // The steps `setup` makes, in order.
    static QList<Step> stepsFor(const CheckSetup &setup);

    // Starts the check of `amplifier` (connected) with `setup`, writing readings to the CSV file `csvPath`:
    // reads the stored calibration, starts the measuring reading and waits for the first step's
    // confirmation. The measuring reading goes on after the check, as on the Weight Plot screen; the caller
    // stops it if it wants to. False with the reason (nothing started) for a bad setup, a file that cannot be
    // written or an amplifier that is not connected.
    bool start(AmplifierBase *amplifier, const CheckSetup &setup, const QString &csvPath, QString *error);
    // A test of whether the amplifier's link has gone (the port or adapter unplugged); the check stops
    // when it says so. Without one, the check stops when the amplifier no longer says it is connected.
    void setLinkLostTest(std::function<bool()> test) { m_linkLost = std::move(test); }

    // The technician has placed the step's load (or emptied the scale): wait for a stable reading. The
    // zero step zeroes the amplifier first. Also tries a timed-out step again.
    Q_INVOKABLE void confirmPlaced();
    // Records the present window's mean without the rest, noted as such; false when no reading came.
    Q_INVOKABLE bool captureAnyway();
    // Goes on without a reading for this step; the check can then not pass.
    Q_INVOKABLE void skipStep();
    // Ends the check now; what was recorded stays in the CSV file.
    Q_INVOKABLE void stop(const QString &reason = QString());

    int stepIndex() const { return m_stepIndex; }
    int stepCount() const { return static_cast<int>(m_steps.size()); }
    Step currentStep() const { return m_steps.value(m_stepIndex); }
    double stepLoad() const { return currentStep().load; }
    // What the technician does now: "Place 500 g on the scale." / "Empty the scale."
    QString instruction() const;
    static QString instructionFor(const Step &step);
    State state() const { return m_state; }
    QString message() const { return m_message; }
    StableCapture *capture() { return &m_capture; }
    const QList<Step> &steps() const { return m_steps; }
    const QList<Record> &records() const { return m_records; }
    const CheckSetup &setup() const { return m_setup; }
    QString csvPath() const { return m_csv.fileName(); }

    // The recorded indications as the statistics take them, and their figures (so far).
    checkstats::Input input() const;
    checkstats::Result results() const { return checkstats::evaluate(input()); }
    // The amplifier's stored calibration as read at the start (readStoredCalibration()).
    QVariantMap storedCalibration() const { return m_storedCalibration; }
    // Model, protocol and link of the amplifier checked, as at the start.
    QString amplifierModel() const { return m_model; }
    QString amplifierProtocol() const { return m_protocol; }
    QString amplifierLink() const { return m_link; }
    QDateTime startedAt() const { return m_startedAt; }
    // The steps recorded anyway or skipped, and why the check stopped: for the report.
    QStringList remarks() const { return m_remarks; }

signals:
    void stepChanged();
    void stateChanged();
    // A step's reading was recorded (`anyway`: without the rest).
    void recorded(int stepIndex, double value, bool anyway);
    void finished();
    void stopped(QString reason);

private:
    void setState(State state, const QString &message = QString());
    void onCaptured(double value, bool anyway);
    void onTimedOut(const QString &reason);
    void advance();
    void end(State state, const QString &reason);
    void watchLink();
    void writeRow(const QString &event, const QString &reading = QString());
    QString phaseName(Phase phase) const;

    QPointer<QObject> m_amplifierObject;
    AmplifierBase *m_amplifier = nullptr;
    CheckSetup m_setup;
    QList<Step> m_steps;
    QList<Record> m_records;
    int m_stepIndex = 0;
    State m_state = State::Idle;
    QString m_message;
    QStringList m_remarks;
    StableCapture m_capture;
    QFile m_csv;
    QTimer m_linkTimer;
    std::function<bool()> m_linkLost;
    QVariantMap m_storedCalibration;
    QString m_model;
    QString m_protocol;
    QString m_link;
    QDateTime m_startedAt;
};

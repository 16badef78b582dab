#include "device/WeightRecorder.h"

#include "device/CsvField.h"
#include "device/FileHandler.h"
#include "protocol/Weight.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTimeZone>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <limits>
#include <mutex>
#include <thread>

// The writing half of a run: rows queue here and a thread of its own appends them to the file.
class RecordingWriter {
public:
    static constexpr std::chrono::milliseconds kBatchPeriod{200};

    // `ended` is called on the writer's thread once the file is closed, after finish() or a failed write.
    RecordingWriter(std::unique_ptr<QFile> file, std::function<void()> ended)
        : m_file(std::move(file))
        , m_ended(std::move(ended))
        , m_thread([this] { run(); }) {}

    ~RecordingWriter() {
        finish();
        join();
    }

    void push(const QByteArray &row) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_ending)
            m_pending += row;
    }

    void finish() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ending = true;
        m_wake.notify_all();
    }

    void join() {
        if (m_thread.joinable())
            m_thread.join();
    }

    // Why writing failed; read after join().
    QString error() const { return m_error; }

private:
    void run() {
        bool ending = false;
        while (!ending) {
            QByteArray batch;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_wake.wait_for(lock, kBatchPeriod, [this] { return m_ending; });
                ending = m_ending;
                batch.swap(m_pending);
            }
            // One write per batch on an unbuffered file: a crash leaves whole lines.
            if (!batch.isEmpty() && m_file->write(batch) != batch.size()) {
                m_error = m_file->errorString();
                std::lock_guard<std::mutex> lock(m_mutex);
                m_ending = true;
                ending = true;
            }
        }
        m_file->close();
        m_ended();
    }

    std::unique_ptr<QFile> m_file;
    std::function<void()> m_ended;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    QByteArray m_pending;
    bool m_ending = false;
    QString m_error; // writer thread until join()
    std::thread m_thread;
};

namespace {

AmplifierBase *asAmplifier(const QVariant &value) {
    return dynamic_cast<AmplifierBase *>(value.value<QObject *>());
}

} // namespace

AmplifierBase *WeightRecorder::Column::live() const {
    if (removed || (guarded && guard.isNull()))
        return nullptr;
    return amplifier;
}

WeightRecorder::WeightRecorder(QObject *parent)
    : QObject(parent) {
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &WeightRecorder::tick);
}

WeightRecorder::~WeightRecorder() {
    m_timer.stop();
    m_writer.reset();
}

int WeightRecorder::rowCountFor(int durationS, int periodMs) {
    const qint64 count = static_cast<qint64>(durationS) * 1000 / periodMs;
    const qint64 lowest = std::numeric_limits<int>::min();
    const qint64 highest = std::numeric_limits<int>::max();
    return static_cast<int>(qBound(lowest, count, highest));
}

int WeightRecorder::readingIntervalFor(int rowPeriodMs) {
    return qBound(10, rowPeriodMs / 2, 100);
}

QString WeightRecorder::columnTitle(const AmplifierBase &amplifier, int column, const QString &unit) {
    const QString name = amplifier.getName().isEmpty() ? QString::number(column) : amplifier.getName();
    return QStringLiteral("Load cell %1 — %2 %3 (%4)")
        .arg(name, amplifier.getModel(), amplifier.linkDescription(), unit);
}

QString WeightRecorder::valueText(double storedHundredths, const QString &unit) {
    const double value = weight::toUnit(storedHundredths, unit);
    if (!std::isfinite(value))
        return QString::fromLatin1(kMissing);
    QString text = QString::number(value, 'f', weight::exactDecimals(unit));
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

QStringList WeightRecorder::columnNames() const {
    QStringList names;
    for (const Column &column : m_columns)
        names << column.title;
    return names;
}

int WeightRecorder::secondsLeft() const {
    if (!isRunning() || m_rowLimit == 0)
        return -1;
    const qint64 leftMs = static_cast<qint64>(m_rowLimit - m_rows) * m_periodMs;
    return static_cast<int>((leftMs + 999) / 1000);
}

void WeightRecorder::setError(const QString &error) {
    if (error == m_lastError)
        return;
    m_lastError = error;
    emit lastErrorChanged();
}

bool WeightRecorder::start(const QVariantList &amplifiers, int periodMs, int durationS,
                           const QString &filePath, const QString &unit) {
    QList<AmplifierBase *> chosen;
    for (const QVariant &value : amplifiers) {
        AmplifierBase *amplifier = asAmplifier(value);
        if (!amplifier) {
            setError(QStringLiteral("Only amplifiers can be recorded."));
            return false;
        }
        chosen << amplifier;
    }
    return record(chosen, periodMs, durationS, filePath, unit);
}

bool WeightRecorder::record(const QList<AmplifierBase *> &amplifiers, int periodMs, int durationS,
                            const QString &filePath, const QString &unit) {
    if (isRunning()) {
        setError(QStringLiteral("A recording is already running."));
        return false;
    }
    // The period divides the duration into rows and drives a timer; nothing sensible follows from 0.
    if (periodMs <= 0 || durationS < 0) {
        setError(
            QStringLiteral("The period must be at least 1 ms and the duration 0 (until stopped) or more."));
        return false;
    }
    if (!weight::isKnownUnit(unit)) {
        setError(QStringLiteral("Unknown unit \"%1\" (use g, kg or lb).").arg(unit));
        return false;
    }
    // The previous run's file is complete before this one starts (it may be the same file).
    waitUntilWritten();

    const QVariantMap probe = FileHandler().isPathWritable(filePath);
    if (!probe.value(QStringLiteral("isWritable")).toBool()) {
        setError(probe.value(QStringLiteral("message")).toString());
        return false;
    }
    auto file = std::make_unique<QFile>(filePath);
    if (QFileInfo(filePath).isDir() ||
        !file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text | QIODevice::Unbuffered)) {
        setError(QStringLiteral("Cannot write %1: %2").arg(filePath, file->errorString()));
        return false;
    }

    QList<Column> columns;
    QString header = QStringLiteral("Timestamp");
    for (AmplifierBase *amplifier : amplifiers) {
        Column column;
        column.amplifier = amplifier;
        // Every driver is a QObject first; the guard notices one destroyed during the run.
        if (auto *object = dynamic_cast<QObject *>(amplifier)) {
            column.guard = object;
            column.guarded = true;
        }
        column.title = amplifier ? columnTitle(*amplifier, static_cast<int>(columns.size()) + 1, unit)
                                 : QStringLiteral("Load cell %1 (%2)").arg(columns.size() + 1).arg(unit);
        column.removed = amplifier == nullptr;
        // Only readings completed after the start count.
        column.lastCount = amplifier ? amplifier->latestReading().count : 0;
        header += QLatin1Char(',') + csvField(column.title);
        columns << column;
    }
    const QByteArray headerLine = (header + QLatin1Char('\n')).toUtf8();
    if (file->write(headerLine) != headerLine.size()) {
        setError(QStringLiteral("Cannot write %1: %2").arg(filePath, file->errorString()));
        return false;
    }

    m_columns = columns;
    m_unit = unit;
    m_filePath = filePath;
    m_periodMs = periodMs;
    m_rowLimit = durationS == 0 ? 0 : rowCountFor(durationS, periodMs);
    m_rows = 0;
    // The run keeps the UTC offset of its start, so that its times rise even across a change to summer time.
    const QDateTime now = QDateTime::currentDateTime();
    m_startMs = now.toMSecsSinceEpoch();
    m_lastRowMs = m_startMs;
    m_utcOffsetS = now.offsetFromUtc();
    m_clock.start();
    setError(QString());
    static quint64 runSerial = 0;
    const quint64 serial = ++runSerial;
    m_writer = std::make_unique<RecordingWriter>(std::move(file), [this, serial] {
        QMetaObject::invokeMethod(
            this,
            [this, serial] {
                if (m_writer && m_writerSerial == serial)
                    writerEnded();
            },
            Qt::QueuedConnection);
    });
    m_writerSerial = serial;

    emit started(durationS);
    if (durationS > 0 && m_rowLimit <= 0) {
        // Shorter than one period: the header is the whole recording.
        m_writer->finish();
        return true;
    }
    m_timer.start(periodMs);
    emit runningChanged();
    emit progressChanged();
    return true;
}

void WeightRecorder::tick() {
    // Rising by at least a millisecond per row, whatever the wall clock does during the run.
    const qint64 at = qMax(m_startMs + m_clock.elapsed(), m_lastRowMs + 1);
    m_lastRowMs = at;
    QString row = QDateTime::fromMSecsSinceEpoch(at, QTimeZone(m_utcOffsetS))
                      .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    for (Column &column : m_columns) {
        row += QLatin1Char(',');
        const AmplifierBase *amplifier = column.live();
        const AmplifierBase::Reading reading =
            amplifier ? amplifier->latestReading() : AmplifierBase::Reading{};
        if (amplifier && reading.count != column.lastCount) {
            column.lastCount = reading.count;
            row += valueText(reading.hundredths, m_unit);
        } else {
            row += QLatin1String(kMissing);
        }
    }
    row += QLatin1Char('\n');
    m_writer->push(row.toUtf8());
    ++m_rows;
    if (m_rowLimit > 0 && m_rows >= m_rowLimit)
        endRun();
    emit progressChanged();
}

void WeightRecorder::stop() {
    if (isRunning())
        endRun();
}

void WeightRecorder::endRun() {
    m_timer.stop();
    if (m_writer)
        m_writer->finish();
    emit runningChanged();
    emit progressChanged();
}

void WeightRecorder::removeAmplifier(QObject *object) {
    const auto *amplifier = dynamic_cast<const AmplifierBase *>(object);
    for (Column &column : m_columns) {
        if (amplifier && column.live() == amplifier)
            column.removed = true;
    }
}

void WeightRecorder::waitUntilWritten() {
    if (!m_writer)
        return;
    m_writer->finish();
    writerEnded();
}

void WeightRecorder::writerEnded() {
    m_writer->join();
    const QString error = m_writer->error();
    m_writer.reset();
    const bool wasRunning = isRunning();
    m_timer.stop();
    if (!error.isEmpty())
        setError(QStringLiteral("Recording stopped: cannot write %1: %2").arg(m_filePath, error));
    if (wasRunning)
        emit runningChanged();
    emit finished(error.isEmpty());
}

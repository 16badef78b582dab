#include "plot/CsvLogRun.h"

#include <QTimer>

#include <limits>
#include <utility>

CsvLogRun::CsvLogRun(const QString &filePath, int periodMs, int lineCount, LineSource lineSource,
                     QObject *parent)
    : QObject(parent)
    , m_filePath(filePath)
    , m_remaining(lineCount)
    , m_lineSource(std::move(lineSource))
    , m_timer(new QTimer(this)) {
    QObject::connect(m_timer, &QTimer::timeout, this, &CsvLogRun::tick);
    m_timer->start(periodMs);
}

int CsvLogRun::lineCountFor(int durationS, int periodMs) {
    const qint64 count = static_cast<qint64>(durationS) * 1000 / periodMs;
    if (count > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (count < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(count);
}

void CsvLogRun::tick() {
    if (m_remaining <= 0) {
        m_timer->stop();
        deleteLater();
        return;
    }
    // A line that cannot be written is lost (FileHandler logs why); the recording goes on.
    m_file.writeToFile(m_filePath, m_lineSource() + QLatin1Char('\n'), true);
    --m_remaining;
}

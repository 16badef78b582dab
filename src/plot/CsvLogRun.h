#pragma once

#include "files/FileHandler.h"

#include <QObject>
#include <QString>

#include <functional>

class QTimer;

// One timed CSV recording: every period it appends the line that `lineSource` builds at that moment, until
// `lineCount` lines are written; one more timeout then stops the run and it deletes itself. The header is
// the caller's business. Lives on the GUI thread, as a child of whatever hosts the recording.
class CsvLogRun : public QObject {
    Q_OBJECT
public:
    using LineSource = std::function<QString()>;

    CsvLogRun(const QString &filePath, int periodMs, int lineCount, LineSource lineSource, QObject *parent);

    // The number of lines a run of `durationS` seconds at `periodMs` writes, saturated to the int range
    // (a long duration must not overflow into a negative count). periodMs must be positive.
    static int lineCountFor(int durationS, int periodMs);

private:
    void tick();

    QString m_filePath;
    int m_remaining;
    LineSource m_lineSource;
    FileHandler m_file;
    QTimer *m_timer;
};

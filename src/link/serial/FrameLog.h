#pragma once

#include <QLoggingCategory>
#include <QString>

#include <cstdint>
#include <vector>

// Hex dumps of every request and answer on the serial links. Off by default; a technician switches it
// on with QT_LOGGING_RULES="kelvora.frames.debug=true" to see why an amplifier does not answer.
Q_DECLARE_LOGGING_CATEGORY(lcFrames)

// Logs one frame at debug level: `direction` is "->" for what we send and "<-" for what came back,
// `link` names the port. An empty answer is logged too, since a missing answer is what one looks for.
void logFrame(const char *direction, const QString &link, const std::vector<uint8_t> &bytes);

// The bytes as upper-case hex pairs separated by blanks ("01 03 1F 40").
QString hexBytes(const std::vector<uint8_t> &bytes);

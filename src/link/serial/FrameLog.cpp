#include "link/serial/FrameLog.h"

Q_LOGGING_CATEGORY(lcFrames, "kelvora.frames", QtWarningMsg)

QString hexBytes(const std::vector<uint8_t> &bytes) {
    QString text;
    text.reserve(static_cast<int>(bytes.size() * 3));
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            text += QLatin1Char(' ');
        text += QStringLiteral("%1").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper();
    }
    return text;
}

void logFrame(const char *direction, const QString &link, const std::vector<uint8_t> &bytes) {
    if (!lcFrames().isDebugEnabled())
        return;
    if (bytes.empty())
        qCDebug(lcFrames).noquote() << link << direction << "(nothing)";
    else
        qCDebug(lcFrames).noquote() << link << direction << hexBytes(bytes)
                                    << QStringLiteral("(%1 bytes)").arg(bytes.size());
}

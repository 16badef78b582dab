#include "Console.h"

#include <cstdio>

namespace cli {

QTextStream &out() {
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &err() {
    static QTextStream stream(stderr);
    return stream;
}

int fail(const QString &message, int status) {
    err() << message << Qt::endl;
    return status;
}

} // namespace cli

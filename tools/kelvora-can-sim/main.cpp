// kelvora-can-sim: simulated CANopen amplifier nodes on a CAN bus (normally the Qt virtual CAN bus), for
// trying the program and its tests without hardware. Command lines on standard input change the load and
// inject faults; each is answered "OK..." or "ERR ...".
#include "CanSimHost.h"
#include "EndWithParent.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLoggingCategory>

#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

namespace {

const char *const kHelp = "Commands (prefix \"@<node> \" to address one node, else all):\n"
                          "  load <grams>                 load on the cell\n"
                          "  noise <counts>               AD noise amplitude\n"
                          "  settle <ms>                  a new load is approached exponentially with\n"
                          "                               this time constant (0: at once)\n"
                          "  creep <grams> <ms>           after each load change the load drifts <grams>\n"
                          "                               further in its direction, time constant <ms>\n"
                          "  silent on|off                stop/resume answering\n"
                          "  abort next|on|off [code]     answer with an SDO abort (default 0x08000000)\n"
                          "  segmented next|on|off        answer reads with a segmented-upload offer\n"
                          "  foreign <node>|off           answer with another node's COB-ID\n"
                          "  late <ms>                    delay every answer\n"
                          "  get <hex index> <subindex>   value of a written entry\n"
                          "  refuse <hex index> <sub> <k> [count]|off\n"
                          "                               abort the k-th write to the entry from now on\n"
                          "  status                       load, AD value and measuring value\n"
                          "  quit                         end the simulator\n";

void answer(const QString &text) {
    std::fputs(text.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kelvora-can-sim"));
    // The virtual bus narrates every client; QT_LOGGING_RULES still turns it back on.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.canbus.plugins.virtualcan.info=false"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Simulated CANopen amplifier nodes.\n\n") +
                                     QString::fromLatin1(kHelp));
    parser.addHelpOption();
    QCommandLineOption pluginOption(QStringLiteral("plugin"),
                                    QStringLiteral("Qt CAN plugin (default virtualcan)."),
                                    QStringLiteral("name"), QStringLiteral("virtualcan"));
    QCommandLineOption interfaceOption(
        QStringLiteral("interface"),
        QStringLiteral("CAN interface, e.g. tcp://127.0.0.1:35468/can0 or vcan0 (default can0)."),
        QStringLiteral("name"), QStringLiteral("can0"));
    QCommandLineOption nodeOption(QStringLiteral("node"),
                                  QStringLiteral("Node id to simulate (repeatable; default 1)."),
                                  QStringLiteral("id"));
    parser.addOption(pluginOption);
    parser.addOption(interfaceOption);
    QCommandLineOption parentOption(
        QStringLiteral("parent"),
        QStringLiteral("End when process <pid>, the starter, ends (however it ends)."),
        QStringLiteral("pid"));
    parser.addOption(nodeOption);
    parser.addOption(parentOption);
    parser.process(app);

    if (parser.isSet(parentOption)) {
        bool ok = false;
        const long parent = parser.value(parentOption).toLong(&ok);
        if (!ok || parent <= 0 || !endWithParent(parent)) {
            std::fprintf(stderr, "kelvora-can-sim: cannot end with process %s\n",
                         parser.value(parentOption).toLocal8Bit().constData());
            return 2;
        }
    }

    std::vector<uint8_t> nodes;
    for (const QString &text : parser.values(nodeOption)) {
        bool ok = false;
        const uint id = text.toUInt(&ok);
        if (!ok || id < 1 || id > 127) {
            std::fprintf(stderr, "kelvora-can-sim: node id must be 1 to 127, not %s\n",
                         text.toLocal8Bit().constData());
            return 2;
        }
        nodes.push_back(static_cast<uint8_t>(id));
    }
    if (nodes.empty())
        nodes.push_back(1);

    CanSimHost host;
    QString error;
    const QString plugin = parser.value(pluginOption);
    const QString interfaceName = parser.value(interfaceOption);
    if (!host.start(plugin, interfaceName, nodes, &error)) {
        std::fprintf(stderr, "kelvora-can-sim: cannot open %s %s: %s\n", plugin.toLocal8Bit().constData(),
                     interfaceName.toLocal8Bit().constData(), error.toLocal8Bit().constData());
        return 1;
    }
    QStringList ids;
    for (uint8_t id : nodes)
        ids << QString::number(id);
    answer(QStringLiteral("READY nodes %1 on %2 %3").arg(ids.join(QLatin1Char(',')), plugin, interfaceName));

    // Standard input is read on a thread of its own; at its end the simulator goes on serving.
    std::thread reader([&host, &app] {
        std::string line;
        while (std::getline(std::cin, line)) {
            const QString text = QString::fromStdString(line).trimmed();
            if (text.isEmpty())
                continue;
            if (text == QLatin1String("quit")) {
                answer(QStringLiteral("OK"));
                QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
                return;
            }
            if (text == QLatin1String("help")) {
                std::fputs(kHelp, stdout);
                answer(QStringLiteral("OK"));
                continue;
            }
            answer(host.command(text));
        }
    });
    reader.detach();
    const int code = app.exec();
    host.stop();
    return code;
}

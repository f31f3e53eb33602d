#include "app/command_line.h"

#include "link/network_address.h"

CommandLine parse_command_line(const QStringList& args) {
    CommandLine cl;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--demo") {
            cl.demo = true;
        } else if (a == u"--connect") {
            cl.connect = true;
        } else if (a == u"--help" || a == u"-h") {
            cl.help = true;
        } else if (a == u"--version") {
            cl.version = true;
        } else if (a == u"--port") {
            if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
                cl.error = QStringLiteral("option --port needs a port name");
                return cl;
            }
            cl.ports.append(args[++i]);
        } else if (a.startsWith(u"--port=")) {
            const QString name = a.mid(7);
            if (name.isEmpty()) {
                cl.error = QStringLiteral("option --port needs a port name");
                return cl;
            }
            cl.ports.append(name);
        } else if (a == u"--record" || a.startsWith(u"--record=")) {
            const bool joined = a.startsWith(u"--record=");
            if (!joined && i + 1 < args.size()) cl.record = args[++i];
            if (joined) cl.record = a.mid(9);
            if (cl.record.isEmpty()) {
                cl.error = QStringLiteral("option --record needs a file name");
                return cl;
            }
        } else if (a.startsWith(u'-')) {
            cl.error = QStringLiteral("unknown option '%1'").arg(a);
            return cl;
        } else {
            cl.error = QStringLiteral("unexpected argument '%1'").arg(a);
            return cl;
        }
    }
    // A network address that does not parse is bad input, never a device name.
    for (const QString& port : cl.ports)
        if (is_network_address(port) && !parse_network_address(port, &cl.error)) break;
    return cl;
}

QStringList without_toolkit_options(const QStringList& args) {
    static const QStringList with_value = {
        "-platform",    "-platformpluginpath", "-platformtheme", "-plugin",     "-qwindowgeometry",
        "-qwindowicon", "-qwindowtitle",       "-style",         "-stylesheet", "-session",
        "-display",     "-geometry",           "-title",         "-name",       "-visual"};
    static const QStringList flags = {"-reverse", "-widgetcount", "-nograb", "-dograb", "-sync"};
    QStringList rest;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (with_value.contains(a)) {
            ++i; // and its value
        } else if (flags.contains(a) || a.startsWith(u"-style=") ||
                   a.startsWith(u"-qmljsdebugger=")) {
        } else {
            rest.append(a);
        }
    }
    return rest;
}

QString usage_text() {
    return QStringLiteral(
               "Usage: zorvik [--demo] [--port NAME]... [--connect] [--record FILE] [--help]\n"
               "              [--version]\n"
               "\n"
               "  --demo       offer the built-in simulated sensor line as \"%1\" and select it\n"
               "  --port NAME  offer this serial device (for example a zorvik-sim link) and\n"
               "               select it; may be given more than once.  A serial device\n"
               "               server is named tcp://HOST:PORT (raw TCP) or\n"
               "               rfc2217://HOST:PORT (telnet with RFC 2217); such an address\n"
               "               may also be typed into the port list\n"
               "  --connect    open the selected port as soon as the main window shows\n"
               "  --record FILE  append every state reply to the CSV file FILE (the columns\n"
               "               of zorvik-cli watch), for unattended logging\n"
               "  --lang ru|en the language of the window (default: the one chosen in the\n"
               "               window, else Russian for a Russian locale, English otherwise)\n"
               "  --help       show this text and exit\n"
               "  --version    show the program's name and version and exit\n")
        .arg(kDemoLineEntry);
}

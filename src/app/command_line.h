#pragma once
// zorvik [--demo] [--port NAME]... [--connect] [--record FILE] [--help] [--version]
#include <QString>
#include <QStringList>

// Name of the built-in simulated line in the port list.
inline const QString kDemoLineEntry =
    QString::fromUtf8(QT_TRANSLATE_NOOP("MainForm", "Демо-линия"));

struct CommandLine {
    bool demo = false;    // offer the built-in simulated line
    QStringList ports;    // device paths or names to offer besides the system's
    bool connect = false; // open the selected port once the main window shows
    QString record;       // append every state reply to this CSV file from the start
    bool help = false;
    bool version = false; // print the name and version and exit
    QString error;        // non-empty: the arguments were not understood
};

// `args` without the program name (and without the options Qt took for itself).
CommandLine parse_command_line(const QStringList& args);

// `args` without the toolkit's own options (-platform offscreen, -style Fusion,
// -reverse ...), so that the program's options can be checked before the
// toolkit starts (--help must work without a display).
QStringList without_toolkit_options(const QStringList& args);

QString usage_text();

// Exit status for arguments that were not understood.
inline constexpr int kUsageExitStatus = 2;

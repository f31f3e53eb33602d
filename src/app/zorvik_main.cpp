// The configurator: Qt dialogs and tones, the system's serial ports and, with
// --demo, the built-in simulated line; the run log beside the program.
#include "app/application.h"
#include "app/command_line.h"
#include "app/qt_dialogs.h"
#include "app/qt_tones.h"
#include "app/routing_serial_port.h"
#include "app/startup.h"
#include "app/stop_signals.h"
#include "link/clock.h"
#include "link/qt_serial_port.h"
#include "link/run_log.h"
#include "sim/sim_port.h"

#include <QApplication>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    // The program's options are checked before the toolkit starts, so that
    // --help and mistakes need no display.
    QStringList raw;
    for (int i = 1; i < argc; ++i) raw.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine options = parse_command_line(without_toolkit_options(raw));
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "zorvik: %s\n\n%s", qPrintable(options.error),
                     qPrintable(usage_text()));
        return kUsageExitStatus;
    }
    if (options.help) {
        std::fputs(qPrintable(usage_text()), stdout);
        return 0;
    }

    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zorvik"));
    const QString program_dir = QCoreApplication::applicationDirPath();
#ifdef Q_OS_WIN
    // Themed common controls from the second run on, as the program always did.
    write_styles_manifest(program_dir,
                          QFileInfo(QCoreApplication::applicationFilePath()).fileName());
#endif

    QtDialogs dialogs;
    QtTones tones;
    SystemClock clock;
    QtSerialPort system_port;
    std::unique_ptr<SimSerialPort> demo_line;
    if (options.demo) demo_line = std::make_unique<SimSerialPort>(SimLine::demo(), kDemoLineEntry);
    RoutingSerialPort port(system_port, demo_line.get(), kDemoLineEntry);

    Application app(port, dialogs, tones, clock, options);
    dialogs.set_parent(&app.main_window());
    // kill and Ctrl+C close the port and log it, as closing the window does.
    StopSignals stop_signals([&app] { app.end(); });
    app.start(RunLog::choose_folder(
        program_dir, QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)));
    // A signal taken while a start-up box was open has ended the program
    // already; the main loop must not begin after it.
    if (app.ended()) return 0;
    // Unattended logging: a file that cannot be recorded to ends the run at once.
    if (!options.record.isEmpty()) {
        const QString refused = app.trends().start_recording(options.record);
        if (!refused.isEmpty()) {
            std::fprintf(stderr, "zorvik: %s\n", qPrintable(refused));
            app.end();
            return 1;
        }
    }
    return qapp.exec();
}

// The configurator: Qt dialogs and tones, the system's serial ports, serial
// device servers over the network and, with --demo, the built-in simulated
// line; the run log beside the program, or in the user's data folder for an
// installed copy.  ZORVIK_VERSION and ZORVIK_INSTALL_BINDIR come from
// cmake/ZorvikInstall.cmake.
#include "app/application.h"
#include "app/command_line.h"
#include "app/qt_dialogs.h"
#include "app/qt_tones.h"
#include "app/startup.h"
#include "app/stop_signals.h"
#include "i18n/language.h"
#include "link/clock.h"
#include "link/run_log.h"
#include "ports/line_ports.h"

#include <QApplication>
#include <QDate>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    // The program's options are checked before the toolkit starts, so that
    // --help and mistakes need no display.
    QStringList raw;
    for (int i = 1; i < argc; ++i) raw.append(QString::fromLocal8Bit(argv[i]));
    const LanguageOption lang = take_language_option(raw);
    if (!lang.error.isEmpty()) {
        std::fprintf(stderr, "zorvik: %s\n\n%s", qPrintable(lang.error), qPrintable(usage_text()));
        return kUsageExitStatus;
    }
    const CommandLine options = parse_command_line(without_toolkit_options(lang.rest));
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "zorvik: %s\n\n%s", qPrintable(options.error),
                     qPrintable(usage_text()));
        return kUsageExitStatus;
    }
    if (options.help) {
        std::fputs(qPrintable(usage_text()), stdout);
        return 0;
    }
    if (options.version) {
        std::puts("zorvik " ZORVIK_VERSION);
        return 0;
    }

    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zorvik"));
    // The language: --lang, else the one chosen in the window last time, else the system's.
    install_language(chosen_language(lang, remembered_language()));
    const QString program_dir = QCoreApplication::applicationDirPath();
#ifdef Q_OS_WIN
    // Themed common controls from the second run on, as the program always did.
    write_styles_manifest(program_dir,
                          QFileInfo(QCoreApplication::applicationFilePath()).fileName());
#endif

    QtDialogs dialogs;
    QtTones tones;
    SystemClock clock;
    LinePorts lines(options.demo ? std::optional<QString>(kDemoLineEntry) : std::nullopt);
    SerialPort& port = lines.port();

    // The port, address, window and chooser folders of the last run.
    QSettings settings(QStringLiteral("zorvik"), QStringLiteral("zorvik"));
    dialogs.remember_folders_in(&settings);
    Application app(port, dialogs, tones, clock, options, &settings);
    // Whether an upload reads its blocks back is kept between runs too: a
    // loader that refuses reading needs the box cleared every time.
    CheckBox& verify = app.cfg().frmSerial.verify_upload;
    verify.set_value(settings.value(QStringLiteral("firmware/verify"), true).toBool() ? 1 : 0);
    verify.on_click = [&settings, &verify] {
        settings.setValue(QStringLiteral("firmware/verify"), verify.value() == 1);
    };
    dialogs.set_parent(&app.main_window());
    // A saved file is named after the sensor and the day.
    dialogs.suggest_names_by([&app] {
        const QString sn = app.cfg().frmSerial.sn.text().trimmed();
        const QString day = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
        return (sn.isEmpty() || sn == QStringLiteral("0") ? QStringLiteral("zorvik")
                                                          : QStringLiteral("SN") + sn) +
               QStringLiteral("_") + day;
    });
    app.main_window().set_about(
        {QStringLiteral(ZORVIK_VERSION), QStringLiteral(ZORVIK_BUILD_DATE)});
    // kill and Ctrl+C close the port and log it, as closing the window does.
    StopSignals stop_signals([&app] { app.end(); });
    app.start(RunLog::choose_folder(
        program_dir, QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation),
        QStringLiteral(ZORVIK_INSTALL_BINDIR)));
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
    // A recording that stops by itself (a full disk, its folder deleted) ends
    // an unattended run: nobody is there to read the notice.
    bool recording_lost = false;
    if (!options.record.isEmpty()) {
        app.trends().on_change([&app, &recording_lost] {
            const QString& error = app.trends().recording_error();
            if (recording_lost || error.isEmpty()) return;
            recording_lost = true;
            std::fprintf(stderr, "zorvik: %s\n", qPrintable(error));
            // Not from inside the tick that heard the reply.
            QMetaObject::invokeMethod(
                &app.main_window(), [&app] { app.end(); }, Qt::QueuedConnection);
        });
    }
    // Nobody watches the window of an unattended run: a lost port and its
    // return are said where its output goes.
    if (!options.record.isEmpty())
        app.cfg().on_port_news = [](const QString& text) {
            std::fprintf(stderr, "zorvik: %s\n", qPrintable(text));
        };
    const int status = qapp.exec();
    return recording_lost ? 1 : status;
}

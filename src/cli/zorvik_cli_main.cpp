// zorvik-cli: the configurator's operations from the command line.
// ZORVIK_VERSION and ZORVIK_INSTALL_BINDIR come from cmake/ZorvikInstall.cmake.
#include "cli/cli_certificate.h"
#include "cli/cli_command_line.h"
#include "cli/cli_line.h"
#include "cli/cli_profile.h"
#include "cli/cli_runner.h"
#include "cli/terminal_console.h"
#include "i18n/language.h"
#include "link/clock.h"
#include "link/run_log.h"
#include "ports/line_ports.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <memory>

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args.append(QString::fromLocal8Bit(argv[i]));
    const LanguageOption lang = take_language_option(args);
    if (!lang.error.isEmpty()) {
        print_line(stderr,
                   QStringLiteral("zorvik-cli: %1\nTry 'zorvik-cli --help'.").arg(lang.error));
        return kCliBadInput;
    }
    const CliParse parsed = parse_cli(lang.rest);
    switch (parsed.outcome) {
    case CliParse::Outcome::Help:
        print_line(stdout, parsed.text.chopped(parsed.text.endsWith(u'\n') ? 1 : 0));
        return kCliDone;
    case CliParse::Outcome::Version:
        print_line(stdout, QStringLiteral("zorvik-cli " ZORVIK_VERSION));
        return kCliDone;
    case CliParse::Outcome::UsageError:
        print_line(stderr,
                   QStringLiteral("zorvik-cli: %1\nTry 'zorvik-cli %2--help'.")
                       .arg(parsed.text,
                            parsed.command ? cli_command_name(*parsed.command) + u' ' : QString()));
        return kCliBadInput;
    case CliParse::Outcome::BadValue: {
        // The reason may be a message kept in Russian (a network address refused).
        const QCoreApplication app(argc, argv);
        install_language(chosen_language(lang));
        print_line(stderr, shown_text(parsed.text));
        return kCliBadInput;
    }
    case CliParse::Outcome::Run:
        break;
    }
    const Invocation& inv = parsed.invocation;

    const std::unique_ptr<QCoreApplication> app = make_cli_application(inv, argc, argv);
    // The per-user log folder is the window's.
    QCoreApplication::setApplicationName(QStringLiteral("zorvik"));
    install_language(chosen_language(lang));
    TerminalConsole console;
    SystemClock clock;
    if (inv.command == CliCommand::ProfileShow) return run_profile_show(inv, console);
    if (!needs_port(inv)) return run_offline(inv, console, clock);

    // The built-in simulated line, a gateway, or a serial device, opened as
    // the window opens an entry of its port list.
    const bool demo = inv.port == kDemoPortName;
    LinePorts lines(demo ? std::optional<QString>(kDemoPortName) : std::nullopt);
    SerialPort* port = &lines.port();
    const QString device = device_for_name(inv.port, kDemoPortName);

    auto log_folder = [] {
        const QString chosen = qEnvironmentVariable(kLogDirVariable);
        if (!chosen.isEmpty()) return chosen;
        return RunLog::choose_folder(
            QCoreApplication::applicationDirPath(),
            QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation),
            QStringLiteral(ZORVIK_INSTALL_BINDIR));
    };

    switch (inv.command) {
    case CliCommand::ProfileSave:
    case CliCommand::ProfileDiff:
    case CliCommand::ProfileApply:
        return run_profile(inv, CliLine{*port, device}, console, clock, log_folder);
    default:
        break;
    }
    if (inv.command == CliCommand::Diag)
        return run_diag(inv, CliLine{*port, device}, console, clock, log_folder);
    if (inv.command == CliCommand::Listen)
        return run_listen(inv, CliLine{*port, device}, console, clock, log_folder);
    if (inv.command == CliCommand::Report)
        return run_report(inv, CliLine{*port, device}, console, clock, log_folder);
    if (inv.command == CliCommand::Flash)
        return run_flash(inv, CliLine{*port, device}, console, clock, log_folder);
    return run_cli(inv, CliLine{*port, device}, console, clock, log_folder);
}

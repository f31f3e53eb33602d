// relay and replay: the window's generator and log reader, without a port.
#include "cli/cli_certificate.h"
#include "cli/cli_link.h"
#include "cli/cli_tables.h"
#include "i18n/language.h"
#include "protocol/watch_row.h"

#include "exchange/exchange_cycle.h"
#include "link/line_reader.h"
#include "protocol/codes.h"
#include "protocol/cp1251.h"
#include "protocol/frame_codec.h"
#include "protocol/no_port.h"
#include "protocol/serial_port.h"
#include "protocol/server_log.h"
#include "relay/conv_str.h"
#include "relay/server_log_reader.h"

#include <QDateTime>

namespace {

int relay(const Invocation& inv, CliConsole& console) {
    // parse_cli has checked the value against the builders already.
    const Result<QString> text = relay_string(relay_request(inv));
    if (!text) {
        console.err(text.error().text);
        return kCliBadInput;
    }
    console.out(*text);
    return kCliDone;
}

int replay(const Invocation& inv, CliConsole& console, const Clock& clock) {
    NoPort port;
    ConsoleDialogs dialogs(console);
    Silence tones;
    // The whole log is checked before anything is shown, a line at a time, so
    // that a log of any size is refused as a whole or shown as a whole.
    const auto interrupted = [&console] {
        console.err(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Прервано")));
        return kCliFailed;
    };
    const auto going_on = [&console](const QByteArray&) { return !console.stop_requested(); };
    switch (read_server_log(inv.file, dialogs, going_on)) {
    case LogReading::Done:
        break;
    case LogReading::Stopped:
        return interrupted();
    case LogReading::Failed:
        return kCliBadInput;
    }

    Configurator c(port, dialogs, tones, clock);
    MainForm& f = c.frmSerial;
    const LogReading shown = read_server_log(inv.file, dialogs, [&](const QByteArray& answer) {
        f.MsgCom.set_text(QString());
        // Through the window's replay slot: the tick dispatches it, the port
        // and the run log are left alone.
        f.replay_reply = answer;
        f.replay_mode = true;
        TMRComm_Timer(c);
        f.replay_mode = false;
        const std::optional<ReplyHeader> header = reply_header(answer);
        if (!header) {
            console.out(
                QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", " Непонятно что пришло! ")));
        } else if (header->code != CMD_READ_STATE) {
            console.out(f.MsgCom.text());
        } else if (!reply_crc_ok(answer)) {
            console.out(QString::fromUtf8(
                QT_TRANSLATE_NOOP("Messages", "Ответ с неверной контрольной суммой.")));
        } else {
            console.out(watch_row(decode_state(answer), QDateTime()));
        }
        return !console.stop_requested();
    });
    return shown == LogReading::Stopped ? interrupted() : kCliDone;
}

} // namespace

int run_offline(const Invocation& inv, CliConsole& console, const Clock& clock) {
    switch (inv.command) {
    case CliCommand::Relay:
        return relay(inv, console);
    case CliCommand::Replay:
        return replay(inv, console, clock);
    case CliCommand::CheckRefuel:
        return run_check_refuel(inv, console);
    case CliCommand::Report:
        return run_report(inv, std::nullopt, console, clock, [] { return QString(); });
    default:
        return run_table_files(inv, console);
    }
}

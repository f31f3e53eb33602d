// The command lines of zorvik, zorvik-cli and zorvik-sim, the input split into
// arguments at NUL bytes.  What parses writes back out as arguments that parse
// to the same thing; a command that runs carries values within its range.
#include "fuzz_support.h"

#include "app/command_line.h"
#include "cli/cli_command_line.h"
#include "protocol/numbers.h"
#include "protocol/requests.h"
#include "sim/sim_options.h"

namespace {

void check_app(const QStringList& args) {
    const CommandLine cl = parse_command_line(args);
    if (!cl.error.isEmpty()) return;
    QStringList again;
    if (cl.demo) again << QStringLiteral("--demo");
    for (const QString& p : cl.ports) {
        FUZZ_CHECK(!p.isEmpty());
        again << QStringLiteral("--port") << p;
    }
    if (cl.connect) again << QStringLiteral("--connect");
    if (cl.help) again << QStringLiteral("--help");
    const CommandLine back = parse_command_line(again);
    FUZZ_CHECK(back.error.isEmpty() && back.demo == cl.demo && back.ports == cl.ports &&
               back.connect == cl.connect && back.help == cl.help);
    // The toolkit's options taken away leave a subsequence of the arguments.
    const QStringList rest = without_toolkit_options(args);
    FUZZ_CHECK(rest.size() <= args.size());
}

void check_sim(const QStringList& args) {
    QString error;
    const auto o = parse_sim_options(args, error);
    if (!o) {
        FUZZ_CHECK(!error.isEmpty());
        return;
    }
    FUZZ_CHECK(o->help || !o->link.isEmpty());
    QStringList again;
    if (!o->link.isEmpty()) again << QStringLiteral("--link=") + o->link;
    for (const SimSensorSpec& s : o->sensors) {
        FUZZ_CHECK(s.password <= 2'000'000'000u);
        QString sensor_arg = QString::number(s.address) + u':' + QString::number(s.version);
        if (s.serial || s.password)
            sensor_arg += u':' + (s.serial ? QString::number(*s.serial) : QString());
        if (s.password) sensor_arg += u':' + QString::number(s.password);
        again << QStringLiteral("--sensor") << sensor_arg;
    }
    if (o->wire_timing) again << QStringLiteral("--wire-timing");
    if (o->bootloader) again << QStringLiteral("--bootloader");
    if (o->help) again << QStringLiteral("-h");
    const auto back = parse_sim_options(again, error);
    FUZZ_CHECK(back && back->link == o->link && back->wire_timing == o->wire_timing &&
               back->bootloader == o->bootloader && back->help == o->help &&
               back->sensors.size() == o->sensors.size());
    for (size_t i = 0; i < o->sensors.size(); ++i) {
        const SimSensorSpec &a = o->sensors[i], &b = back->sensors[i];
        FUZZ_CHECK(a.address == b.address && a.version == b.version && a.serial == b.serial &&
                   a.password == b.password);
    }
}

void check_cli(const QStringList& args) {
    const CliParse p = parse_cli(args);
    if (p.outcome != CliParse::Outcome::Run) {
        FUZZ_CHECK(!p.text.isEmpty());
        return;
    }
    const Invocation& inv = p.invocation;
    // The value is the typed text read by the input rule, within the command's range.
    auto value_in = [&](int64_t lo, int64_t hi) {
        FUZZ_CHECK(inv.value >= lo && inv.value <= hi);
        FUZZ_CHECK(parse_whole_number(inv.value_text) == inv.value);
    };
    switch (inv.command) {
    case CliCommand::SetFull:
    case CliCommand::SetEmpty:
        if (!inv.current) value_in(0, kLongMax);
        break;
    case CliCommand::ShiftFull:
    case CliCommand::ShiftEmpty:
        value_in(-kShiftLimit, kShiftLimit);
        break;
    case CliCommand::Alarm:
        value_in(kAlarmMin, kAlarmMax);
        break;
    case CliCommand::Address:
        value_in(0, 255);
        break;
    case CliCommand::PasswordEnter:
    case CliCommand::PasswordChange:
        value_in(0, kLongMax);
        break;
    case CliCommand::Mode:
        if (inv.mode.smoothing) FUZZ_CHECK(*inv.mode.smoothing >= 0 && *inv.mode.smoothing <= 15);
        break;
    case CliCommand::TableRead:
    case CliCommand::TableWrite:
        FUZZ_CHECK(!inv.file.isEmpty());
        break;
    case CliCommand::Relay:
        // Whatever the parser let through, the generator can write.
        FUZZ_CHECK(relay_string(relay_request(inv)).ok());
        break;
    case CliCommand::Watch:
        FUZZ_CHECK(inv.count >= 0);
        break;
    default:
        break;
    }
    // The command's name was typed.
    const QStringList words = cli_command_name(inv.command).split(u' ');
    const qsizetype at = args.indexOf(words[0]);
    FUZZ_CHECK(at >= 0);
    if (words.size() == 2) FUZZ_CHECK(args.mid(at).contains(words[1]));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    const QStringList args = fuzz_text(data, size).split(QChar(u'\0'));
    check_app(args);
    check_sim(args);
    check_cli(args);
    return 0;
}

#include "cli/cli_certificate.h"
#include "i18n/language.h"

#include "cli/cli_options.h"
#include "cli/cli_profile.h"
#include "link/clock.h"
#include "link/file_guard.h"
#include "profiles/profile.h"
#include "profiles/profile_plan.h"
#include "protocol/calibration_file.h"
#include "report/certificate_pdf.h"
#include "tables/platform_files.h"

#include <QFileInfo>
#include <QGuiApplication>

#include <cmath>
#include <vector>

namespace {

// A level as the sensor reports it: 0..32767.
std::optional<double> level_in(const QString& text) {
    const std::optional<double> v = parse_decimal(text);
    if (!v || *v < 0 || *v > CalibrationTable::kMaxValue) return std::nullopt;
    return v;
}

void err_write(CliConsole& console, const QString& path, const QString& why) {
    console.err(
        fill_text(QT_TRANSLATE_NOOP("Messages", "Не удалось записать файл %1: %2"), {path, why}));
}

SensorFacts facts_of(const SensorSetup& s) {
    SensorFacts f = SensorFacts::unknown();
    f.serial = QString::number(s.serial);
    f.firmware = dotted_version(s.firmware);
    f.empty = QString::number(s.empty);
    f.full = QString::number(s.full);
    f.mode = describe_mode(s.mode);
    if (s.alarm) f.alarm = QString::number(*s.alarm);
    return f;
}

// The certificate from what was read and given; its status.
int print(const Invocation& inv, CertificateInputs in, CliConsole& console, bool bad_is_input) {
    const ReportArgs& r = inv.report;
    if (r.refuel) {
        // Against the table the certificate shows: the one given, the sensor's, or the fit.
        Result<CertificateFacts> plain = certificate_facts(in);
        if (plain) {
            const Result<RefuelCheck> check =
                check_refuel(plain->table, r.refuel->before, r.refuel->after, r.refuel->litres,
                             r.refuel->tolerance);
            if (check) in.refuel = *check;
        }
    }
    const Result<CertificateFacts> facts = certificate_facts(in);
    if (!facts) {
        console.err(facts.error().text);
        return bad_is_input ? kCliBadInput : kCliFailed;
    }
    QString why;
    if (!write_certificate(inv.out, *facts, &why)) {
        err_write(console, inv.out, why);
        return kCliFailed;
    }
    return kCliDone;
}

} // namespace

CliParse parse_certificate_args(const QStringList& a, Invocation inv) {
    const bool report = inv.command == CliCommand::Report;
    const QString name = cli_command_name(inv.command);
    std::optional<double> before, after, litres, tolerance;
    ReportArgs& r = inv.report;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (!is_option(a[i]))
            return usage_error(QStringLiteral("%1: unexpected argument '%2'").arg(name, a[i]));
        const Option o = take_option(a, i, true);
        if (!o.has_value)
            return usage_error(QStringLiteral("%1: %2 needs a value").arg(name, o.name));
        const auto level = [&](std::optional<double>& into) {
            into = level_in(o.value);
            return into.has_value();
        };
        if (o.name == u"--table") {
            if (o.value.isEmpty())
                return usage_error(QStringLiteral("%1: --table is empty").arg(name));
            (report ? r.table : inv.file) = o.value;
        } else if (o.name == u"--before") {
            if (!level(before))
                return bad_value(QStringLiteral("%1: --before wants a level from 0 to %2")
                                     .arg(name)
                                     .arg(CalibrationTable::kMaxValue));
        } else if (o.name == u"--after") {
            if (!level(after))
                return bad_value(QStringLiteral("%1: --after wants a level from 0 to %2")
                                     .arg(name)
                                     .arg(CalibrationTable::kMaxValue));
        } else if (o.name == u"--litres") {
            litres = parse_decimal(o.value);
            if (!litres || std::abs(*litres) > CalibrationTable::kMaxValue)
                return bad_value(QStringLiteral("%1: --litres wants the litres put in, a number "
                                                "up to %2")
                                     .arg(name)
                                     .arg(CalibrationTable::kMaxValue));
        } else if (o.name == u"--tolerance") {
            tolerance = parse_decimal(o.value);
            if (!tolerance || *tolerance <= 0 || *tolerance > 100)
                return bad_value(QStringLiteral("%1: --tolerance wants a percentage above 0 and "
                                                "up to 100")
                                     .arg(name));
        } else if (report && o.name == u"--recording" && !o.value.isEmpty()) {
            r.recording = o.value;
        } else if (report && o.name == u"--out" && !o.value.isEmpty()) {
            inv.out = o.value;
        } else if (report && o.name == u"--customer") {
            r.customer = o.value;
        } else if (report && o.name == u"--vehicle") {
            r.vehicle = o.value;
        } else if (report && o.name == u"--tank") {
            r.tank = o.value;
        } else if (report && o.name == u"--engineer") {
            r.engineer = o.value;
        } else {
            return usage_error(QStringLiteral("%1: unknown option '%2'").arg(name, a[i]));
        }
    }
    const bool some = before || after || litres || tolerance;
    const bool all = before && after && litres;
    if (report) {
        if (r.recording.isEmpty())
            return usage_error(QStringLiteral("report: --recording is missing"));
        if (inv.out.isEmpty()) return usage_error(QStringLiteral("report: --out is missing"));
        if (some && !all)
            return usage_error(
                QStringLiteral("report: a control refuelling wants --before, --after "
                               "and --litres"));
    } else {
        if (inv.file.isEmpty())
            return usage_error(QStringLiteral("check-refuel: --table is missing"));
        if (!all)
            return usage_error(
                QStringLiteral("check-refuel: --before, --after and --litres are all "
                               "needed"));
    }
    if (all) r.refuel = RefuelArgs{*before, *after, *litres, tolerance.value_or(kDefaultTolerance)};
    CliParse p;
    p.outcome = CliParse::Outcome::Run;
    p.invocation = inv;
    return p;
}

int run_check_refuel(const Invocation& inv, CliConsole& console) {
    const Result<CalibrationTable> table = read_table_file(inv.file);
    if (!table) {
        console.err(table.error().text);
        return kCliBadInput;
    }
    const RefuelArgs& r = *inv.report.refuel;
    const Result<RefuelCheck> check =
        check_refuel(*table, r.before, r.after, r.litres, r.tolerance);
    if (!check) {
        console.err(inv.file + QStringLiteral(": ") + check.error().text);
        return kCliBadInput;
    }
    console.out(refuel_line(*check));
    return check->within ? kCliDone : kCliOutsideTolerance;
}

int run_report(const Invocation& inv, std::optional<CliLine> line, CliConsole& console,
               const Clock& clock, const std::function<QString()>& log_folder) {
    const ReportArgs& r = inv.report;
    // Everything given is checked before the sensor is asked anything.
    if (const QString why = why_not_writable(inv.out); !why.isEmpty()) {
        err_write(console, inv.out, why);
        return kCliBadInput;
    }
    CertificateInputs in;
    in.when = clock.now();
    in.customer = r.customer;
    in.vehicle = r.vehicle;
    in.tank = r.tank;
    in.engineer = r.engineer;
    in.recording_name = QFileInfo(r.recording).fileName();
    QString why;
    if (!read_regular_file(r.recording, kRecordingMaxBytes, &in.recording, &why)) {
        console.err(fill_text(QT_TRANSLATE_NOOP("Messages", "Не удалось прочитать файл %1: %2"),
                              {r.recording, why}));
        return kCliBadInput;
    }
    if (!r.table.isEmpty()) {
        const Result<CalibrationTable> t = read_table_file(r.table);
        if (!t) {
            console.err(t.error().text);
            return kCliBadInput;
        }
        in.table = *t;
        in.table_source = QCoreApplication::translate("Certificate", "файл %1")
                              .arg(QFileInfo(r.table).fileName());
    }
    if (const Result<CertificateFacts> f = certificate_facts(in); !f) {
        console.err(f.error().text);
        return kCliBadInput;
    }
    if (!line) return print(inv, in, console, true);
    return run_sensor_read(inv, *line, console, clock, log_folder, [&](const SensorSetup& s) {
        in.sensor = facts_of(s);
        if (!in.table && s.table) {
            in.table = *s.table;
            in.table_source =
                QCoreApplication::translate("Certificate", "датчик %1").arg(inv.address);
        }
        return print(inv, in, console, false);
    });
}

std::unique_ptr<QCoreApplication> make_cli_application(const Invocation& inv, int& argc,
                                                       char** argv) {
    if (inv.command != CliCommand::Report) return std::make_unique<QCoreApplication>(argc, argv);
    // Without a desktop session the platform says once that it has no runtime
    // folder; nothing here needs one, and stderr is the user's.
    static QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (text.startsWith(QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
            if (previous) previous(type, context, text);
        });
    // -platform outranks QT_QPA_PLATFORM; the arguments must outlive the application.
    static std::vector<char*> args;
    static char platform[] = "-platform";
    static char offscreen[] = "offscreen";
    args.assign(argv, argv + argc);
    args.push_back(platform);
    args.push_back(offscreen);
    args.push_back(nullptr);
    static int count = 0;
    count = int(args.size()) - 1;
    return std::make_unique<QGuiApplication>(count, args.data());
}

#include "cli/cli_tables.h"
#include "i18n/language.h"

#include "cli/cli_options.h"
#include "link/text_files.h"
#include "tables/platform_files.h"

namespace {

void err_file(CliConsole& console, const QString& path, const QString& why) {
    console.err(
        fill_text(QT_TRANSLATE_NOOP("Messages", "Не удалось записать файл %1: %2"), {path, why}));
}

// The fitted table: its points on stdout, or whole into --out; then the error.
int emit_fit(const Invocation& inv, const TableFit& fit, CliConsole& console) {
    if (inv.out.isEmpty()) {
        for (size_t k = 0; k < size_t(CalibrationTable::kPoints); ++k)
            console.out(
                QStringLiteral("%1 %2").arg(fit.table.readings[k]).arg(fit.table.litres[k]));
    } else if (QString why; !write_cp1251_lines(inv.out, fit.table.to_texts(), &why)) {
        err_file(console, inv.out, why);
        return kCliFailed;
    }
    console.out(fit_summary(fit));
    return kCliDone;
}

int fitted(const Invocation& inv, const Result<std::vector<TablePoint>>& points,
           CliConsole& console) {
    if (!points) {
        console.err(points.error().text);
        return kCliBadInput;
    }
    const Result<TableFit> fit = fit_table(*points);
    if (!fit) {
        console.err(inv.file + QStringLiteral(": ") + fit.error().text);
        return kCliBadInput;
    }
    return emit_fit(inv, *fit, console);
}

// A recording's points, what was skipped or merged said on stderr.
Result<std::vector<TablePoint>> recording(const QString& path, CliConsole& console) {
    const Result<RecordedPoints> r = read_recording(path);
    if (!r) return r.error();
    if (const QString notice = recorded_points_notice(*r); !notice.isEmpty()) console.err(notice);
    return r->points;
}

} // namespace

CliParse parse_table_files(const QStringList& a, Invocation inv) {
    const QString name = cli_command_name(inv.command);
    const bool fit = inv.command == CliCommand::TableFit;
    const bool exporting = inv.command == CliCommand::TableExport;
    bool format = false, text = false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (!is_option(a[i])) {
            if (!inv.file.isEmpty())
                return usage_error(QStringLiteral("%1: unexpected argument '%2'").arg(name, a[i]));
            if (a[i].isEmpty())
                return usage_error(QStringLiteral("%1: the file name is empty").arg(name));
            inv.file = a[i];
            continue;
        }
        const Option o = take_option(a, i, true);
        if (!o.has_value)
            return usage_error(QStringLiteral("%1: %2 needs a value").arg(name, o.name));
        if (o.name == u"--out") {
            if (o.value.isEmpty())
                return usage_error(QStringLiteral("%1: --out is empty").arg(name));
            inv.out = o.value;
        } else if (o.name == u"--format" && !fit) {
            const std::optional<PlatformFormat> f = platform_format_named(o.value);
            if (!f)
                return usage_error(
                    QStringLiteral("%1: --format wants xy, csv, json or segments, not "
                                   "'%2'")
                        .arg(name, o.value));
            inv.format = *f;
            format = true;
        } else if (o.name == u"--sep" && exporting) {
            const std::optional<QChar> sep = csv_separator(o.value);
            if (!sep)
                return usage_error(
                    QStringLiteral("%1: --sep wants one character that is no digit, "
                                   "letter, point, sign, quote or blank (\\t for a tab)")
                        .arg(name));
            inv.text.separator = *sep;
            text = true;
        } else if (o.name == u"--encoding" && exporting) {
            if (o.value != u"utf-8" && o.value != u"cp1251")
                return usage_error(
                    QStringLiteral("%1: --encoding wants utf-8 or cp1251").arg(name));
            inv.text.cp1251 = o.value == u"cp1251";
            text = true;
        } else {
            return usage_error(QStringLiteral("%1: unknown option '%2'").arg(name, o.name));
        }
    }
    if (inv.file.isEmpty())
        return usage_error(QStringLiteral("%1: %2 is missing")
                               .arg(name, fit         ? QStringLiteral("RECORDING")
                                          : exporting ? QStringLiteral("SOURCE")
                                                      : QStringLiteral("FILE")));
    if (!fit && !format) return usage_error(QStringLiteral("%1: --format is missing").arg(name));
    if (text && inv.format != PlatformFormat::Csv)
        return usage_error(
            QStringLiteral("%1: --sep and --encoding belong to --format csv").arg(name));
    CliParse p;
    p.outcome = CliParse::Outcome::Run;
    p.invocation = inv;
    return p;
}

int run_table_files(const Invocation& inv, CliConsole& console) {
    // Nothing is read while the result could not be written.
    if (!inv.out.isEmpty()) {
        if (const QString why = why_not_writable(inv.out); !why.isEmpty()) {
            err_file(console, inv.out, why);
            return kCliBadInput;
        }
    }
    switch (inv.command) {
    case CliCommand::TableFit:
        return fitted(inv, recording(inv.file, console), console);
    case CliCommand::TableImport:
        return fitted(inv, read_platform_file(inv.file, inv.format), console);
    case CliCommand::TableExport:
        break;
    default:
        return kCliBadInput;
    }
    Result<std::vector<TablePoint>> points = std::vector<TablePoint>{};
    if (inv.file.endsWith(QStringLiteral(".trr"), Qt::CaseInsensitive)) {
        points = recording(inv.file, console);
    } else {
        const Result<CalibrationTable> table = read_table_file(inv.file);
        points = table ? platform_points(*table) : Result<std::vector<TablePoint>>(table.error());
        if (!points && table)
            points = Error{ErrorKind::BadInput, inv.file + u": " + points.error().text};
    }
    if (!points) {
        console.err(points.error().text);
        return kCliBadInput;
    }
    return emit_platform_table(inv, *points, console);
}

int emit_platform_table(const Invocation& inv, const std::vector<TablePoint>& points,
                        CliConsole& console) {
    const QByteArray bytes = platform_table_bytes(points, inv.format, inv.text);
    if (inv.out.isEmpty()) {
        console.out_bytes(bytes);
        return kCliDone;
    }
    QString why;
    if (!write_whole_file(inv.out, bytes, &why)) {
        err_file(console, inv.out, why);
        return kCliFailed;
    }
    return kCliDone;
}

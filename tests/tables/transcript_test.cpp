// Golden transcripts of the table window, the table files and the
// auto-calibration: each file in golden/ is a script ("> " lines, "#"
// comments) with the effects each step had.  The test replays the script on
// a configurator with fakes and compares the whole text; ZORVIK_UPDATE_GOLDEN=1
// rewrites the effects after a deliberate change.
#include "../support/file_faults.h"
#include "../support/snapshot.h"
#include "table_rig.h"

#include "ui/gating.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {
QString visible_ends(QString s) {
    return s.replace(QStringLiteral("\r"), QStringLiteral("\\r"))
        .replace(u'\n', QStringLiteral("\\n"));
}

class Transcript {
public:
    QString run(const QStringList& script) {
        QString out;
        for (const QString& line : script) {
            out += line + u'\n';
            if (!line.startsWith(QStringLiteral("> "))) continue;
            const QMap<QString, QString> before = state();
            const qsizetype logged = r_.log_lines().size(), sent = qsizetype(r_.port.writes.size());
            act(line.mid(2));
            for (qsizetype i = 0; i < r_.dialogs.prompts.size(); ++i)
                out += "ask: " + r_.dialogs.prompts[i] + " | " + r_.dialogs.input_titles[i] + u'\n';
            for (const QString& m : r_.dialogs.choosers) out += "choose: " + m + u'\n';
            for (const QString& m : r_.dialogs.questions) out += "question: " + m + u'\n';
            for (const QString& m : r_.dialogs.texts()) out += "msg: " + masked(m) + u'\n';
            const QMap<QString, QString> after = state();
            for (auto it = after.begin(); it != after.end(); ++it)
                if (!before.contains(it.key()) || before.value(it.key()) != it.value())
                    out += it.key() + ": " + it.value() + u'\n';
            for (auto it = before.begin(); it != before.end(); ++it)
                if (!after.contains(it.key())) out += it.key() + ": (gone)\n";
            for (const QString& l : r_.log_lines().mid(logged)) out += "log: " + masked(l) + u'\n';
            for (size_t i = size_t(sent); i < r_.port.writes.size(); ++i)
                out += "sent: " + r_.port.writes[i].toHex(' ').toUpper() + u'\n';
            r_.dialogs = FakeDialogs{};
        }
        return out;
    }

private:
    // The temporary folder's name, and the system's own words for a failure,
    // change from run to run and system to system.
    QString masked(QString text) const {
        static const QRegularExpression system_reason(QStringLiteral(": [ -~]+$"));
        return text.replace(r_.dir.path(), QStringLiteral("<dir>"))
            .replace(system_reason, QStringLiteral(": <system reason>"));
    }
    QString path(const QString& name) const {
        return name == "cancel" ? QString() : name.startsWith(u'/') ? name : r_.dir.filePath(name);
    }
    static std::optional<QString> answer(const QString& a) {
        if (a == "cancel") return std::nullopt;
        return a == "\"\"" ? QString() : a;
    }
    TextBox& cell(const QString& column, int k) {
        return *(column == "r" ? r_.t.reading_cells : r_.t.litre_cells)[size_t(k)];
    }

    void act(const QString& command) {
        const QString verb = command.section(u' ', 0, 0);
        const QString rest = command.section(u' ', 1);
        const QStringList a = rest.split(u' ');
        if (verb == "diskfull") { // diskfull <bytes> <command>: files may not grow past it
            FileSizeLimit limit(rlim_t(a[0].toLongLong()));
            return act(rest.section(u' ', 1));
        }
        if (verb == "new") { // new <portion> <file>
            r_.dialogs.inputs = {answer(a[0])};
            r_.dialogs.files = {path(a[1])};
            return r_.f.new_calibration.click();
        }
        if (verb == "resume") { // resume <file> [<portion>]
            r_.dialogs.files = {path(a[0])};
            if (a.size() > 1) r_.dialogs.inputs = {answer(a[1])};
            return r_.f.resume_calibration.click();
        }
        if (verb == "portion") {
            r_.dialogs.inputs = {answer(a[0])};
            return r_.f.ch_portion.click();
        }
        if (verb == "record") { // record <the level display's text>
            r_.f.Uroven.set_text(rest);
            return r_.f.record_point.click();
        }
        if (verb == "open" || verb == "save") {
            r_.dialogs.files = {path(a[0])};
            return (verb == "open" ? r_.t.fTablOpen : r_.t.fTablSave).click();
        }
        if (verb == "fromrec") { // fromrec <recording>
            r_.dialogs.files = {path(a[0])};
            return r_.t.from_recording.click();
        }
        if (verb == "export" || verb == "import") { // export <file> <the chooser's filter>
            r_.dialogs.files = {path(a[0])};
            r_.dialogs.filters = {rest.section(u' ', 1)};
            return (verb == "export" ? r_.t.export_table : r_.t.import_table).click();
        }
        if (verb == "click") {
            Control* c = r_.t.find(a[0]);
            if (!c) c = r_.f.find(a[0]);
            return static_cast<Button*>(c)->click();
        }
        if (verb == "check")
            return static_cast<CheckBox*>(r_.t.find(a[0]))->set_value(a[1].toInt());
        if (verb == "cell") return cell(a[0], a[1].toInt()).set_text(rest.section(u' ', 2));
        if (verb == "file") { // file <name> <text, \r\n written out>
            QFile f(path(a[0]));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(to_cp1251(rest.section(u' ', 1).replace(QStringLiteral("\\r\\n"), "\r\n")));
            return;
        }
        if (verb == "lines") { // lines <name> <count> <prefix>
            QString text;
            for (int i = 0; i < a[1].toInt(); ++i) text += a[2] + QString::number(i) + "\\r\\n";
            return act("file " + a[0] + ' ' + text);
        }
        if (verb == "mkdir") return void(QDir().mkpath(path(a[0])));
        if (verb == "fifo") return void(::mkfifo(QFile::encodeName(path(a[0])).constData(), 0600));
        if (verb == "rm") return void(QFile::remove(path(a[0])));
        if (verb == "version") { // identified as this firmware
            r_.f.firmware_version = int16_t(a[0].toInt());
            return swtag170(r_.f);
        }
        if (verb == "noaddress") return r_.f.CmbNet.clear();
        if (verb == "closeport") return r_.f.BTNCloseCom.set_enabled(false);
        if (verb == "tick") { // tick [yes]: one exchange tick, answering a question Yes
            r_.dialogs.answers = {a[0] == "yes"};
            return r_.tick();
        }
        if (verb == "receive") return r_.receive(QByteArray::fromHex(rest.toLatin1()));
        if (verb == "chosen") return void(r_.f.chosen_file = path(a[0]));
        FAIL() << "unknown step " << command.toStdString();
    }

    // What a step may change, one entry a line of the transcript.
    QMap<QString, QString> state() const {
        const MainForm& f = r_.f;
        QMap<QString, QString> s;
        s["status"] = f.MsgCom.text();
        s["wrs"] = r_.c.exchange.pending().toHex(' ').toUpper();
        s["sec_wr_table"] = QString::number(r_.c.exchange.deferred_ticks());
        QStringList cells = r_.cells(), marked;
        for (int i = 0; i < 40; ++i)
            if ((i < 20 ? r_.t.reading_cells[size_t(i)] : r_.t.litre_cells[size_t(i - 20)])
                    ->back_colour() != kWindowBackground)
                marked << QString::number(i);
        s["cells"] = cells.join(u',');
        s["marked"] = marked.join(u',');
        s["Form3"] = r_.t.visible() ? "shown" : "hidden";
        s["fit_result"] = visible_ends(r_.t.fit_result.text());
        s["boxes"] = QStringLiteral("tartab %1 tartab1 %2 per_sents %3/%4")
                         .arg(r_.t.tartab.value())
                         .arg(f.tartab1.value())
                         .arg(r_.t.per_sents.value())
                         .arg(f.per_sents.value());
        QStringList rows;
        for (int row = 1; row < f.autocal_grid.rows(); ++row)
            rows << QStringList{f.autocal_grid.cell(row, 0), f.autocal_grid.cell(row, 1),
                                f.autocal_grid.cell(row, 2)}
                        .join(u'|');
        s["grid"] =
            rows.join(u' ') + QStringLiteral(" (showing %1)").arg(f.autocal_grid.shown_row());
        s["step_zapr"] = f.step_zapr.text();
        s["tar_file_name"] = f.tar_file_name.text();
        for (const QString& name : QDir(r_.dir.path()).entryList(QDir::Files)) {
            QFile file(r_.dir.filePath(name));
            if (file.fileName() == r_.c.log.path()) continue;
            s["file " + name] = file.open(QIODevice::ReadOnly)
                                    ? visible_ends(from_cp1251(file.readAll()))
                                    : QStringLiteral("(unreadable)");
        }
        return s;
    }

    TableRig r_;
};

class TableTranscripts : public ::testing::TestWithParam<const char*> {};

TEST_P(TableTranscripts, MatchTheGoldenFile) {
    const QString path = golden_path(__FILE__, QString::fromUtf8(GetParam()));
    QFile in(path);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly)) << path.toStdString();
    QStringList script;
    for (const QString& line : QString::fromUtf8(in.readAll()).split(u'\n'))
        if (line.startsWith(QStringLiteral("> ")) || line.startsWith(u'#')) script << line;
    Transcript t;
    EXPECT_TRUE(matches_golden(t.run(script), path));
}

INSTANTIATE_TEST_SUITE_P(Tables, TableTranscripts,
                         ::testing::Values("table_exchange.txt", "table_files.txt",
                                           "auto_calibration.txt", "resume.txt",
                                           "table_platform.txt"));
} // namespace

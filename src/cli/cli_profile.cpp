#include "cli/cli_profile.h"
#include "i18n/language.h"

#include "cli/cli_link.h"
#include "commands/operations.h"
#include "exchange/exchange_cycle.h"
#include "link/clock.h"
#include "link/file_guard.h"
#include "profiles/profile_apply.h"
#include "profiles/profile_file.h"
#include "profiles/profile_plan.h"
#include "profiles/setup_read.h"
#include "protocol/codes.h"
#include "protocol/serial_port.h"
#include "protocol/session.h"
#include "tables/table_exchange.h"

#include <QDateTime>

namespace {

const QString kInterrupted = QString::fromUtf8(kCliInterrupted);

struct Answer {
    uint8_t code = 0;
    QByteArray reply;
};

// One sensor of an apply: what was read, what differs, what is to be written.
struct Target {
    uint8_t address = 0;
    std::optional<SensorSetup> setup;
    ApplyPlan plan;
    QString refused;        // why nothing is written to it
    bool bad_input = false; // refused for what the profile asks, not for the line
};

class ProfileRunner {
public:
    ProfileRunner(const Invocation& inv, CliLine line, CliConsole& console, const Clock& clock)
        : inv_(inv), console_(console), link_(line, console, clock), c_(link_.cfg()),
          session_(line.port) {
        listen_for_tables(c_); // the window's handling of table replies
    }

    int run(const std::function<QString()>& log_folder) {
        if (const int refused = prepare(); refused >= 0) return refused;
        if (!open(log_folder())) return kCliFailed;
        int status = kCliFailed;
        switch (inv_.command) {
        case CliCommand::ProfileSave:
            status = save();
            break;
        case CliCommand::Report:
            status = read_for_use();
            break;
        case CliCommand::ProfileDiff:
            status = diff();
            break;
        default:
            status = apply();
            break;
        }
        link_.close();
        return status;
    }

private:
    int prepare();
    bool open(const QString& log_folder);
    int save();
    int read_for_use();
    int diff();
    int apply();
    int apply_all(std::vector<Target>& targets);
    Target inspect(uint8_t address);
    bool apply_to(const Target& t, QString* why, QStringList* confirmed);
    std::optional<QString> send_write(const ProfileWrite& w);
    int interrupted();
    std::optional<bool> ask_apply();

    std::optional<Answer> talk(const QByteArray& request, QString* why);
    QString refusal(const Answer& a) const;
    void select(uint8_t address);
    // Identity, state and, when asked for and the firmware has one, the table.
    std::optional<SensorSetup> read_sensor(uint8_t address, bool with_table, QString* why);

    const Invocation& inv_;
    CliConsole& console_;
    CliLink link_;
    Configurator& c_;
    Session session_;
    Profile profile_;
    uint8_t address_ = 0;

public:
    std::function<int(const SensorSetup&)> use; // what a plain read hands its setup to
};

int ProfileRunner::prepare() {
    if (use) return -1; // its caller has checked its own files
    if (inv_.command == CliCommand::ProfileSave) {
        // The file is written once the sensor is read; find out now whether it can be.
        if (const QString why = why_not_writable(inv_.file); !why.isEmpty()) {
            console_.err(fill_text(QT_TRANSLATE_NOOP("Messages", "Не удалось записать файл %1: %2"),
                                   {inv_.file, why}));
            return kCliBadInput;
        }
        return -1;
    }
    const Result<Profile> p = read_profile_file(inv_.file);
    if (!p) {
        console_.err(p.error().text);
        return kCliBadInput;
    }
    profile_ = *p;
    return -1;
}

bool ProfileRunner::open(const QString& log_folder) {
    if (!link_.open(inv_.port, log_folder)) return false;
    select(inv_.address);
    return true;
}

void ProfileRunner::select(uint8_t address) {
    address_ = address;
    MainForm& f = c_.frmSerial;
    f.CmbNet.clear();
    f.CmbNet.add_item(QString::number(address));
    f.CmbNet.set_list_index(0);
}

std::optional<Answer> ProfileRunner::talk(const QByteArray& request, QString* why) {
    if (console_.stop_requested()) {
        *why = kInterrupted;
        return std::nullopt;
    }
    const Result<QByteArray> got = session_.exchange(request);
    if (!got) {
        *why = describe(got.error(), address_);
        if (got.error().kind == ErrorKind::NoAnswer) c_.str_to_log(*why);
        return std::nullopt;
    }
    // The window's own handling of a received reply: status, run log, decoders.
    process_reply(c_, *got);
    return Answer{reply_header(*got)->code, *got};
}

QString ProfileRunner::refusal(const Answer& a) const {
    const QString status = c_.frmSerial.MsgCom.text().trimmed();
    // "Неверный пароль.", "Датчик в частотном режиме.", "Непонятно что пришло!"
    if (a.code == RPL_WRONG_PASSWORD || a.code == RPL_FREQ_MODE ||
        status == QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Непонятно что пришло!")))
        return status;
    return QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Ответ не соответствует запросу"));
}

std::optional<SensorSetup> ProfileRunner::read_sensor(uint8_t address, bool with_table,
                                                      QString* why) {
    select(address);
    SetupRead read(address, with_table);
    while (const std::optional<SetupRead::Step> step = read.next()) {
        if (!step->record.isEmpty()) c_.str_to_log(step->record);
        const std::optional<Answer> a = talk(step->request, why);
        if (!a) return std::nullopt;
        if (a->code != step->code) {
            *why = refusal(*a);
            return std::nullopt;
        }
        read.take(a->reply);
    }
    const Result<SensorSetup> setup = read.result();
    if (!setup) {
        *why = setup.error().text;
        return std::nullopt;
    }
    return *setup;
}

int ProfileRunner::save() {
    use = [this](const SensorSetup& setup) {
        const Profile p = profile_of(setup, c_.clock.now().toString(Qt::ISODate));
        QString why;
        if (write_profile_file(inv_.file, p, &why)) return kCliDone;
        console_.err(fill_text(QT_TRANSLATE_NOOP("Messages", "Не удалось записать файл %1: %2"),
                               {inv_.file, why}));
        return kCliFailed;
    };
    return read_for_use();
}

int ProfileRunner::read_for_use() {
    QString why;
    const std::optional<SensorSetup> setup = read_sensor(inv_.address, true, &why);
    if (!setup) {
        if (why == kInterrupted) return interrupted();
        console_.err(why);
        return kCliFailed;
    }
    return use(*setup);
}

int ProfileRunner::diff() {
    QString why;
    const std::optional<SensorSetup> setup =
        read_sensor(inv_.address, profile_.table.has_value(), &why);
    if (!setup) {
        if (why == kInterrupted) return interrupted();
        console_.err(why);
        return kCliFailed;
    }
    const std::vector<Difference> diffs = differences(profile_, *setup);
    if (diffs.empty()) {
        console_.out(QStringLiteral("no differences"));
        return kCliDone;
    }
    for (const QString& line : difference_texts(diffs, Naming::Keys)) console_.out(line);
    return kCliDiffers;
}

Target ProfileRunner::inspect(uint8_t address) {
    Target t;
    t.address = address;
    t.setup = read_sensor(address, profile_.table.has_value(), &t.refused);
    if (!t.setup) return t;
    t.plan = plan_apply(profile_, *t.setup, address, c_.frmSerial.sgla.text().trimmed().toInt());
    if (t.plan.refused) {
        t.refused = refusal_text(*t.plan.refused, Naming::Keys);
        t.bad_input = true;
    }
    return t;
}

int ProfileRunner::interrupted() {
    console_.err(kInterrupted);
    c_.str_to_log(kInterrupted);
    return kCliFailed;
}

// The question before the writes; nullopt when it ended the run (its status
// already said).
std::optional<bool> ProfileRunner::ask_apply() {
    const std::optional<bool> answer = console_.ask(kApplyProfileQuestion);
    if (console_.stop_requested()) return std::nullopt; // Ctrl+C instead of an answer
    if (!answer) {
        console_.err(kApplyProfileQuestion);
        console_.err(QStringLiteral("zorvik-cli: no terminal to answer on; give --yes to "
                                    "answer yes"));
    }
    return answer;
}

// Writes `t`'s fields one by one; `confirmed` gets the key of each the sensor
// confirmed.  On failure `why` names the field that failed and why.
bool ProfileRunner::apply_to(const Target& t, QString* why, QStringList* confirmed) {
    select(t.address);
    c_.str_to_log(kApplyProfileRecord + inv_.file);
    if (inv_.password) {
        const OperationRules& r = rules_of(Operation::PasswordEnter);
        const Result<QByteArray> frame = r.build(t.address, t.setup->firmware, *inv_.password);
        if (!frame) {
            *why = frame.error().text;
            return false;
        }
        if (console_.stop_requested()) {
            *why = kInterrupted;
            return false;
        }
        c_.str_to_log(log_record(Operation::PasswordEnter, inv_.password_text, *inv_.password));
        const std::optional<Answer> a = talk(*frame, why);
        if (!a || a->code != r.confirmation) {
            if (a) *why = refusal(*a);
            *why = QStringLiteral("password: ") + *why;
            return false;
        }
    }
    ProfileApply apply(profile_, t.plan.writes);
    apply.run([this](const ProfileWrite& w) { return send_write(w); },
              [this, &t]() -> Result<SensorSetup> {
                  QString reason;
                  const std::optional<SensorSetup> now =
                      read_sensor(t.address, profile_.table.has_value(), &reason);
                  if (!now) return Error{ErrorKind::NoAnswer, reason};
                  return *now;
              });
    *confirmed = apply.confirmed_keys();
    if (apply.applied()) return true;
    *why = apply.failure(Naming::Keys);
    // Ctrl+C is said as itself, whatever it cut short.
    if (apply.reason() == kInterrupted) *why = kInterrupted;
    return false;
}

// One write of an apply; nothing when the sensor confirmed it, else why not.
std::optional<QString> ProfileRunner::send_write(const ProfileWrite& w) {
    // Only what goes on the wire is logged.
    if (console_.stop_requested()) return kInterrupted;
    c_.str_to_log(w.log_record);
    QString why;
    const std::optional<Answer> a = talk(w.request, &why);
    if (!a) return why;
    if (a->code != w.confirmation) return refusal(*a);
    if (!inv_.all)
        console_.out(field_key(w.field) + QStringLiteral(": ") +
                     c_.frmSerial.MsgCom.text().trimmed());
    return std::nullopt;
}

int ProfileRunner::apply() {
    std::vector<Target> targets;
    if (inv_.all) {
        c_.str_to_log(QStringLiteral("Cmd Ask Net "));
        const Result<QList<uint8_t>> found = session_.scan();
        if (!found || found->isEmpty()) {
            console_.err(found ? QString::fromUtf8(
                                     QT_TRANSLATE_NOOP("Messages", "Датчики на линии не найдены."))
                               : describe(found.error(), address_));
            return kCliFailed;
        }
        for (uint8_t a : *found) targets.push_back(inspect(a));
        return apply_all(targets);
    }

    const Target t = inspect(inv_.address);
    if (t.refused == kInterrupted) return interrupted();
    if (!t.refused.isEmpty()) {
        console_.err(t.refused);
        return t.bad_input ? kCliBadInput : kCliFailed;
    }
    if (t.plan.writes.empty()) {
        console_.out(QStringLiteral("unchanged"));
        return kCliDone;
    }
    for (const QString& l : difference_texts(t.plan.diffs, Naming::Keys)) console_.out(l);
    if (inv_.dry_run) return kCliDone;
    if (!inv_.yes) {
        const std::optional<bool> answer = ask_apply();
        if (console_.stop_requested()) return interrupted();
        if (!answer) return kCliBadInput;
        if (!*answer) return kCliFailed;
    }
    QString why;
    QStringList confirmed;
    if (!apply_to(t, &why, &confirmed)) {
        if (why == kInterrupted) return interrupted();
        console_.err(why);
        return kCliFailed;
    }
    console_.out(QStringLiteral("applied"));
    return kCliDone;
}

int ProfileRunner::apply_all(std::vector<Target>& targets) {
    auto line = [](const Target& t, const QString& what) -> QString {
        return QString::number(t.address) + QStringLiteral(": ") + what;
    };
    bool any_write = false;
    for (const Target& t : targets) any_write = any_write || !t.plan.writes.empty();
    if (inv_.dry_run || (any_write && !inv_.yes)) {
        // What would change, sensor by sensor.
        for (const Target& t : targets) {
            if (!t.refused.isEmpty())
                console_.out(line(t, QStringLiteral("refused: ") + t.refused));
            else if (t.plan.diffs.empty())
                console_.out(line(t, QStringLiteral("unchanged")));
            if (t.refused.isEmpty())
                for (const QString& d : difference_texts(t.plan.diffs, Naming::Keys))
                    console_.out(line(t, d));
        }
        if (inv_.dry_run) {
            for (const Target& t : targets)
                if (!t.refused.isEmpty()) return kCliFailed;
            return kCliDone;
        }
        const std::optional<bool> answer = ask_apply();
        if (console_.stop_requested()) return interrupted();
        if (!answer) return kCliBadInput;
        if (!*answer) return kCliFailed;
    }
    bool all_equal = true;
    for (const Target& t : targets) {
        QString why = t.refused;
        if (why.isEmpty() && t.plan.writes.empty()) {
            console_.out(line(t, QStringLiteral("unchanged")));
            continue;
        }
        QStringList confirmed;
        if (why.isEmpty() && apply_to(t, &why, &confirmed)) {
            console_.out(line(t, QStringLiteral("applied")));
            continue;
        }
        if (why == kInterrupted) return interrupted();
        all_equal = false;
        // A sensor half configured says which of its fields took the profile.
        if (!confirmed.isEmpty())
            console_.out(line(t, QStringLiteral("partly applied: ") +
                                     confirmed.join(QStringLiteral(", ")) + QStringLiteral("; ") +
                                     why));
        else
            console_.out(line(t, QStringLiteral("refused: ") + why));
    }
    return all_equal ? kCliDone : kCliFailed;
}

} // namespace

int run_profile(const Invocation& inv, CliLine line, CliConsole& console, const Clock& clock,
                const std::function<QString()>& log_folder) {
    ProfileRunner runner(inv, line, console, clock);
    return runner.run(log_folder);
}

int run_profile_show(const Invocation& inv, CliConsole& console) {
    const Result<Profile> p = read_profile_file(inv.file);
    if (!p) {
        console.err(p.error().text);
        return kCliBadInput;
    }
    for (const QString& l : describe_profile(*p)) console.out(l);
    return kCliDone;
}

int run_sensor_read(const Invocation& inv, CliLine line, CliConsole& console, const Clock& clock,
                    const std::function<QString()>& log_folder,
                    const std::function<int(const SensorSetup&)>& use) {
    ProfileRunner r(inv, line, console, clock);
    r.use = use;
    return r.run(log_folder);
}

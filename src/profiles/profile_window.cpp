#include "profiles/profile_window.h"

#include "commands/command_rules.h"
#include "commands/operations.h"
#include "exchange/configurator.h"
#include "link/clock.h"
#include "link/file_guard.h"
#include "profiles/profile_file.h"
#include "profiles/profile_plan.h"
#include "protocol/codes.h"
#include "protocol/requests.h"
#include "tables/table_window.h"
#include "ui/dialogs.h"

#include <QDateTime>
#include <QFileInfo>

#include <memory>

namespace {

struct ProfileState {
    QString folder; // of the profile chosen last
    bool busy = false;
};
using State = std::shared_ptr<ProfileState>;
using SetupDone = std::function<void(const Result<SensorSetup>&)>;

const QString kBusy = QStringLiteral("Идёт работа с профилем, дождитесь её конца.");

QString shown(const QString& value) {
    return value == QStringLiteral("none") ? QStringLiteral("нет") : value;
}

// "Полный: 110960 → 118000", "Таблица: строки 19, 20".
QString difference_text(const Difference& d) {
    const QString name = field_caption(d.field) + QStringLiteral(": ");
    if (d.field == ProfileField::Table) {
        if (d.rows.isEmpty()) return name + QStringLiteral("нет у датчика");
        QStringList rows;
        for (int r : d.rows) rows << QString::number(r);
        return name + (d.rows.size() > 1 ? QStringLiteral("строки ") : QStringLiteral("строка ")) +
               rows.join(QStringLiteral(", "));
    }
    return name + shown(d.sensor) + QStringLiteral(" → ") + shown(d.profile);
}

QStringList difference_texts(const std::vector<Difference>& diffs) {
    QStringList l;
    for (const Difference& d : diffs) l << difference_text(d);
    return l;
}

// The port open, an address selected and a sensor heard; otherwise says why.
std::optional<uint8_t> profile_address(Configurator& c, const State& s, const QString& record) {
    MainForm& f = c.frmSerial;
    if (s->busy) {
        c.dialogs.message(kBusy);
        return std::nullopt;
    }
    if (!f.BTNCloseCom.enabled()) {
        f.MsgCom.set_text(QStringLiteral("Порт не открыт."));
        return std::nullopt;
    }
    const std::optional<uint8_t> address = f.selected_address();
    if (!address) {
        f.MsgCom.set_text(QStringLiteral("Не выбран адрес датчика."));
        return std::nullopt;
    }
    if (!require_connected(c, record)) return std::nullopt;
    return address;
}

QString start_folder(const State& s) {
    return s->folder.isEmpty() ? program_folder() : s->folder;
}

void remember(const State& s, const QString& path) {
    s->folder = QFileInfo(path).absolutePath();
}

void progress(Configurator& c, int done, int total) {
    ProgressBar& bar = c.frmSerial.profile_progress;
    bar.set_max(std::max(1, total));
    bar.set_value(std::min(done, total));
}

// Reads identity, state and (when asked and the firmware has one) the
// table, a request a tick, then hands the setup or the reason to `done`.
// Progress counts from `base` of `total`.
void read_setup(Configurator& c, uint8_t address, bool with_table, int base, int total,
                SetupDone done) {
    struct Read {
        QByteArray identity, state, table;
    };
    auto got = std::make_shared<Read>();
    const bool table = with_table && reads_table(c.frmSerial.firmware_version);
    std::vector<QByteArray> requests{request::read_id(address), request::read_state(address)};
    const uint8_t codes[] = {CMD_READ_ID, CMD_READ_STATE, CMD_READ_TABLE};
    if (table) requests.push_back(request::read_table(address));
    const int steps = int(requests.size());
    c.exchange.queue_sequence(std::move(requests), [&c, got, steps, codes, base, total, done,
                                                    address](int step, RequestOutcome outcome,
                                                             const QByteArray& reply) {
        if (outcome != RequestOutcome::Replied || reply.size() < 3 ||
            uint8_t(reply[2]) != codes[step]) {
            QString why = c.frmSerial.MsgCom.text().trimmed();
            if (outcome == RequestOutcome::NoAnswer)
                why = QStringLiteral("Нет ответа от датчика с адресом ") + QString::number(address);
            else if (outcome == RequestOutcome::Dropped)
                why = QStringLiteral("запрос не отправлен");
            done(Error{ErrorKind::NoAnswer, why});
            return false;
        }
        (step == 0 ? got->identity : step == 1 ? got->state : got->table) = reply;
        progress(c, base + step + 1, total);
        if (step + 1 < steps) {
            if (step == 1) c.str_to_log(rules_of(Operation::TableRead).log_prefix);
            return true;
        }
        std::optional<CalibrationTable> decoded;
        if (!got->table.isEmpty()) {
            const Result<CalibrationTable> t = decode_table_reply(got->table);
            if (!t) {
                done(t.error());
                return false;
            }
            decoded = *t;
        }
        done(setup_from(decode_identity(got->identity), decode_state(got->state), decoded));
        return false;
    });
}

void save_profile(Configurator& c, const State& s) {
    const auto address = profile_address(c, s, QStringLiteral("Cmd Save Profile"));
    if (!address) return;
    const QString path =
        c.dialogs.save_file(QStringLiteral("Сохранить профиль"), kProfileFilter, start_folder(s));
    if (path.isEmpty()) return;
    remember(s, path);
    // Said before the sensor is read, not after.
    if (const QString why = why_not_writable(path); !why.isEmpty()) {
        c.dialogs.message(QStringLiteral("Профиль не сохранён в файл ") + path +
                          QStringLiteral(": ") + why);
        return;
    }
    s->busy = true;
    read_setup(c, *address, true, 0, 3, [&c, s, path](const Result<SensorSetup>& setup) {
        s->busy = false;
        QString why;
        if (!setup) {
            c.dialogs.message(QStringLiteral("Профиль не сохранён: ") + setup.error().text);
            return;
        }
        if (!write_profile_file(path, profile_of(*setup, c.clock.now().toString(Qt::ISODate)),
                                &why)) {
            c.dialogs.message(QStringLiteral("Профиль не сохранён в файл ") + path +
                              QStringLiteral(": ") + why);
            return;
        }
        c.frmSerial.MsgCom.set_text(QStringLiteral("Профиль сохранён: ") + path);
        c.str_to_log(QStringLiteral("Профиль сохранён: ") + path);
    });
}

// The chooser, then the file; nothing when either is refused (and said so).
std::optional<std::pair<QString, Profile>> chosen_profile(Configurator& c, const State& s,
                                                          const QString& title) {
    const QString path = c.dialogs.open_file(title, kProfileFilter, start_folder(s));
    if (path.isEmpty()) return std::nullopt;
    remember(s, path);
    const Result<Profile> p = read_profile_file(path);
    if (!p) {
        c.dialogs.message(p.error().text);
        return std::nullopt;
    }
    return std::make_pair(path, *p);
}

void compare_profile(Configurator& c, const State& s) {
    const auto address = profile_address(c, s, QStringLiteral("Cmd Compare Profile"));
    if (!address) return;
    const auto chosen = chosen_profile(c, s, QStringLiteral("Сравнить с профилем"));
    if (!chosen) return;
    const Profile p = chosen->second;
    s->busy = true;
    read_setup(
        c, *address, p.table.has_value(), 0, 3, [&c, s, p](const Result<SensorSetup>& setup) {
            s->busy = false;
            if (!setup) {
                c.dialogs.message(QStringLiteral("Датчик не прочитан: ") + setup.error().text);
                return;
            }
            const std::vector<Difference> diffs = differences(p, *setup);
            c.dialogs.message(diffs.empty() ? QStringLiteral("Датчик совпадает с профилем.")
                                            : QStringLiteral("Отличия от профиля (датчик → "
                                                             "профиль):\n") +
                                                  difference_texts(diffs).join(u'\n'));
        });
}

// What became of an apply, a line per field, for the closing message.
struct Report {
    QStringList lines;
    bool ok = true;
};

void finish_apply(Configurator& c, const State& s, const Report& r) {
    s->busy = false;
    const QString head = r.ok ? QStringLiteral("Профиль применён.")
                              : QStringLiteral("Профиль применён не полностью.");
    c.str_to_log(head + u' ' + r.lines.join(QStringLiteral("; ")));
    c.dialogs.message(head + u'\n' + r.lines.join(u'\n'));
}

void verify_apply(Configurator& c, const State& s, const Profile& p, uint8_t address,
                  const std::vector<ProfileWrite>& writes, int total) {
    read_setup(c, address, p.table.has_value(), total - 3, total,
               [&c, s, p, writes](const Result<SensorSetup>& setup) {
                   Report r;
                   if (!setup) {
                       r.ok = false;
                       r.lines << QStringLiteral("Проверка не выполнена: ") + setup.error().text;
                       finish_apply(c, s, r);
                       return;
                   }
                   const std::vector<Difference> left = differences(p, *setup);
                   for (const ProfileWrite& w : writes) {
                       bool same = true;
                       for (const Difference& d : left)
                           if (d.field == w.field ||
                               (w.field == ProfileField::Mode && d.field == ProfileField::Extended))
                               same = false;
                       r.ok = r.ok && same;
                       r.lines << field_caption(w.field) +
                                      (same ? QStringLiteral(": записано")
                                            : QStringLiteral(": после записи отличается"));
                   }
                   finish_apply(c, s, r);
               });
}

void write_profile(Configurator& c, const State& s, const Profile& p, uint8_t address,
                   const std::vector<ProfileWrite>& writes) {
    // The reads before, the writes, the reads after.
    const int total = 3 + int(writes.size()) + 3;
    std::vector<QByteArray> requests;
    for (const ProfileWrite& w : writes) requests.push_back(w.request);
    c.str_to_log(writes.front().log_record);
    c.exchange.queue_sequence(std::move(requests), [&c, s, p, address, writes,
                                                    total](int step, RequestOutcome outcome,
                                                           const QByteArray& reply) {
        const ProfileWrite& w = writes[size_t(step)];
        const bool confirmed = outcome == RequestOutcome::Replied && reply.size() >= 3 &&
                               uint8_t(reply[2]) == w.confirmation;
        if (!confirmed) {
            Report r;
            r.ok = false;
            for (size_t i = 0; i < size_t(step); ++i)
                r.lines << field_caption(writes[i].field) + QStringLiteral(": записано");
            const QString why = outcome == RequestOutcome::NoAnswer ? QStringLiteral("нет ответа")
                                : outcome == RequestOutcome::Dropped
                                    ? QStringLiteral("запрос не отправлен")
                                    : c.frmSerial.MsgCom.text().trimmed();
            r.lines << field_caption(w.field) + QStringLiteral(": не записано: ") + why;
            for (size_t i = size_t(step) + 1; i < writes.size(); ++i)
                r.lines << field_caption(writes[i].field) + QStringLiteral(": не записано");
            finish_apply(c, s, r);
            return false;
        }
        // The next state reply puts the sensor's configuration into the controls.
        if (w.field == ProfileField::Mode || w.field == ProfileField::Alarm)
            c.exchange.refresh_settings_next();
        progress(c, 3 + step + 1, total);
        if (size_t(step) + 1 < writes.size()) {
            c.str_to_log(writes[size_t(step) + 1].log_record);
            return true;
        }
        verify_apply(c, s, p, address, writes, total);
        return false;
    });
}

void apply_profile(Configurator& c, const State& s) {
    const auto address = profile_address(c, s, QStringLiteral("Cmd Apply Profile"));
    if (!address) return;
    const auto chosen = chosen_profile(c, s, QStringLiteral("Применить профиль"));
    if (!chosen) return;
    const QString path = chosen->first;
    const Profile p = chosen->second;
    s->busy = true;
    progress(c, 0, 1);
    read_setup(
        c, *address, p.table.has_value(), 0, 3,
        [&c, s, p, path, address = *address](const Result<SensorSetup>& setup) {
            if (!setup) {
                s->busy = false;
                c.dialogs.message(QStringLiteral("Профиль не применён: ") + setup.error().text);
                return;
            }
            const std::vector<Difference> diffs = differences(p, *setup);
            if (const auto short_of = firmware_shortfall(p, diffs, setup->firmware)) {
                s->busy = false;
                c.dialogs.message(QStringLiteral("Профиль не применён: %1 - нужна прошивка %2 или "
                                                 "новее, у датчика %3.")
                                      .arg(field_caption(short_of->field),
                                           dotted_version(short_of->needed),
                                           dotted_version(setup->firmware)));
                return;
            }
            if (const auto why = unwritable_value(p, diffs)) {
                s->busy = false;
                c.dialogs.message(QStringLiteral("Профиль не применён: ") + *why);
                return;
            }
            if (diffs.empty()) {
                s->busy = false;
                c.dialogs.message(QStringLiteral("Датчик совпадает с профилем, "
                                                 "записывать нечего."));
                return;
            }
            const bool yes = c.dialogs.ask_yes_no(
                kApplyProfileQuestion + QStringLiteral("\n\nИзменится (датчик → профиль):\n") +
                difference_texts(diffs).join(u'\n'));
            // The question runs a nested event loop: the port may have
            // closed or another sensor been chosen meanwhile.
            if (!yes || !still_addressed(c, address)) {
                s->busy = false;
                return;
            }
            const int shown_level = c.frmSerial.sgla.text().trimmed().toInt();
            c.str_to_log(kApplyProfileRecord + path);
            write_profile(c, s, p, address, profile_writes(p, *setup, diffs, address, shown_level));
        });
}

} // namespace

void wire_profiles(Configurator& c) {
    auto s = std::make_shared<ProfileState>();
    MainForm& f = c.frmSerial;
    f.save_profile.on_click = [&c, s] { save_profile(c, s); };
    f.compare_profile.on_click = [&c, s] { compare_profile(c, s); };
    f.apply_profile.on_click = [&c, s] { apply_profile(c, s); };
}

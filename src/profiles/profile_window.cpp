#include "profiles/profile_window.h"

#include "commands/command_rules.h"
#include "commands/operations.h"
#include "exchange/configurator.h"
#include "i18n/language.h"
#include "link/clock.h"
#include "link/file_guard.h"
#include "profiles/profile_apply.h"
#include "profiles/profile_file.h"
#include "profiles/profile_plan.h"
#include "profiles/setup_read.h"
#include "tables/table_window.h"
#include "ui/dialogs.h"

#include <QCoreApplication>
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

// The chooser's filter in the interface's language: only its "*.json" is read back.
QString profile_filter() {
    return QCoreApplication::translate("Messages", "Профили (*.json)");
}

const QString kBusy =
    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Идёт работа с профилем, дождитесь её конца."));

// The port open, an address selected and a sensor heard; otherwise says why.
std::optional<uint8_t> profile_address(Configurator& c, const State& s, const QString& record) {
    MainForm& f = c.frmSerial;
    if (s->busy) {
        c.dialogs.message(kBusy);
        return std::nullopt;
    }
    if (!f.BTNCloseCom.enabled()) {
        f.MsgCom.set_text(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Порт не открыт.")));
        return std::nullopt;
    }
    const std::optional<uint8_t> address = f.selected_address();
    if (!address) {
        f.MsgCom.set_text(
            QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Не выбран адрес датчика.")));
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

// Reads the setup a request a tick, then hands it or the reason to `done`.
// Progress counts from `base` of `total`.
void read_next(Configurator& c, const std::shared_ptr<SetupRead>& read, uint8_t address, int base,
               int total, const SetupDone& done) {
    const std::optional<SetupRead::Step> step = read->next();
    if (!step) {
        done(read->result());
        return;
    }
    if (!step->record.isEmpty()) c.str_to_log(step->record);
    c.exchange.queue(step->request, [&c, read, address, base, total, done, code = step->code](
                                        RequestOutcome outcome, const QByteArray& reply) {
        if (outcome != RequestOutcome::Replied || reply.size() < 3 || uint8_t(reply[2]) != code) {
            QString why = c.frmSerial.MsgCom.text().trimmed();
            if (outcome == RequestOutcome::NoAnswer)
                why = fill_text(QT_TRANSLATE_NOOP("Messages", "Нет ответа от датчика с адресом %1"),
                                {QString::number(address)});
            else if (outcome == RequestOutcome::Dropped)
                why = QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "запрос не отправлен"));
            done(Error{ErrorKind::NoAnswer, why});
            return;
        }
        read->take(reply);
        progress(c, base + read->taken(), total);
        read_next(c, read, address, base, total, done);
    });
}

void read_setup(Configurator& c, uint8_t address, bool with_table, int base, int total,
                SetupDone done) {
    read_next(c, std::make_shared<SetupRead>(address, with_table), address, base, total, done);
}

void save_profile(Configurator& c, const State& s) {
    const auto address = profile_address(c, s, QStringLiteral("Cmd Save Profile"));
    if (!address) return;
    const QString path =
        c.dialogs.save_file(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Сохранить профиль")),
                            profile_filter(), start_folder(s));
    if (path.isEmpty()) return;
    remember(s, path);
    // Said before the sensor is read, not after.
    if (const QString why = why_not_writable(path); !why.isEmpty()) {
        c.dialogs.message(fill_text(
            QT_TRANSLATE_NOOP("Messages", "Профиль не сохранён в файл %1: %2"), {path, why}));
        return;
    }
    s->busy = true;
    read_setup(c, *address, true, 0, 3, [&c, s, path](const Result<SensorSetup>& setup) {
        s->busy = false;
        QString why;
        if (!setup) {
            c.dialogs.message(fill_text(QT_TRANSLATE_NOOP("Messages", "Профиль не сохранён: %1"),
                                        {setup.error().text}));
            return;
        }
        if (!write_profile_file(path, profile_of(*setup, c.clock.now().toString(Qt::ISODate)),
                                &why)) {
            c.dialogs.message(fill_text(
                QT_TRANSLATE_NOOP("Messages", "Профиль не сохранён в файл %1: %2"), {path, why}));
            return;
        }
        // The same Russian words are the run-log record.
        const QString saved =
            fill_text(QT_TRANSLATE_NOOP("Messages", "Профиль сохранён: %1"), {path});
        c.frmSerial.MsgCom.set_text(saved);
        c.str_to_log(saved);
    });
}

// The chooser, then the file; nothing when either is refused (and said so).
std::optional<std::pair<QString, Profile>> chosen_profile(Configurator& c, const State& s,
                                                          const QString& title) {
    const QString path = c.dialogs.open_file(title, profile_filter(), start_folder(s));
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
    const auto chosen = chosen_profile(
        c, s, QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Сравнить с профилем")));
    if (!chosen) return;
    const Profile p = chosen->second;
    s->busy = true;
    read_setup(
        c, *address, p.table.has_value(), 0, 3, [&c, s, p](const Result<SensorSetup>& setup) {
            s->busy = false;
            if (!setup) {
                c.dialogs.message(fill_text(QT_TRANSLATE_NOOP("Messages", "Датчик не прочитан: %1"),
                                            {setup.error().text}));
                return;
            }
            const std::vector<Difference> diffs = differences(p, *setup);
            c.dialogs.message(
                diffs.empty()
                    ? QString::fromUtf8(
                          QT_TRANSLATE_NOOP("Messages", "Датчик совпадает с профилем."))
                    : fill_text(QT_TRANSLATE_NOOP("Messages",
                                                  "Отличия от профиля (датчик → профиль):\n%1"),
                                {difference_texts(diffs, Naming::Captions).join(u'\n')}));
        });
}

void finish_apply(Configurator& c, const State& s, const ProfileApply& apply) {
    s->busy = false;
    const QStringList lines = apply.field_lines(Naming::Captions);
    c.str_to_log(fill_text(apply.applied()
                               ? QT_TRANSLATE_NOOP("Messages", "Профиль применён. %1")
                               : QT_TRANSLATE_NOOP("Messages", "Профиль применён не полностью. %1"),
                           {lines.join(QStringLiteral("; "))}));
    c.dialogs.message(fill_text(
        apply.applied() ? QT_TRANSLATE_NOOP("Messages", "Профиль применён.\n%1")
                        : QT_TRANSLATE_NOOP("Messages", "Профиль применён не полностью.\n%1"),
        {lines.join(u'\n')}));
}

// The writes, one a tick through the exchange cycle, then the reads that
// check them.  Progress counts the reads before, the writes and the reads after.
void write_profile(Configurator& c, const State& s, const Profile& p, uint8_t address,
                   std::vector<ProfileWrite> writes) {
    const int total = 3 + int(writes.size()) + 3;
    std::vector<QByteArray> requests;
    for (const ProfileWrite& w : writes) requests.push_back(w.request);
    auto apply = std::make_shared<ProfileApply>(p, std::move(writes));
    auto verify = [&c, s, p, address, apply, total] {
        read_setup(c, address, p.table.has_value(), total - 3, total,
                   [&c, s, apply](const Result<SensorSetup>& setup) {
                       apply->verified(setup);
                       finish_apply(c, s, *apply);
                   });
    };
    if (!apply->next()) {
        verify();
        return;
    }
    c.str_to_log(apply->next()->log_record);
    c.exchange.queue_sequence(
        std::move(requests),
        [&c, s, apply, verify, total](int step, RequestOutcome outcome, const QByteArray& reply) {
            const ProfileWrite& w = *apply->next();
            if (outcome != RequestOutcome::Replied || reply.size() < 3 ||
                uint8_t(reply[2]) != w.confirmation) {
                apply->failed(
                    outcome == RequestOutcome::NoAnswer
                        ? QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "нет ответа"))
                    : outcome == RequestOutcome::Dropped
                        ? QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "запрос не отправлен"))
                        : c.frmSerial.MsgCom.text().trimmed());
                finish_apply(c, s, *apply);
                return false;
            }
            apply->confirmed();
            // The next state reply puts the sensor's configuration into the controls.
            if (w.field == ProfileField::Mode || w.field == ProfileField::Alarm)
                c.exchange.refresh_settings_next();
            progress(c, 3 + step + 1, total);
            if (const ProfileWrite* next = apply->next()) {
                c.str_to_log(next->log_record);
                return true;
            }
            verify();
            return false;
        });
}

void apply_profile(Configurator& c, const State& s) {
    const auto address = profile_address(c, s, QStringLiteral("Cmd Apply Profile"));
    if (!address) return;
    const auto chosen =
        chosen_profile(c, s, QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Применить профиль")));
    if (!chosen) return;
    const QString path = chosen->first;
    const Profile p = chosen->second;
    s->busy = true;
    progress(c, 0, 1);
    read_setup(c, *address, p.table.has_value(), 0, 3,
               [&c, s, p, path, address = *address](const Result<SensorSetup>& setup) {
                   if (!setup) {
                       s->busy = false;
                       c.dialogs.message(
                           fill_text(QT_TRANSLATE_NOOP("Messages", "Профиль не применён: %1"),
                                     {setup.error().text}));
                       return;
                   }
                   const int shown_level = c.frmSerial.sgla.text().trimmed().toInt();
                   ApplyPlan plan = plan_apply(p, *setup, address, shown_level);
                   if (plan.refused) {
                       s->busy = false;
                       c.dialogs.message(
                           fill_text(QT_TRANSLATE_NOOP("Messages", "Профиль не применён: %1"),
                                     {refusal_text(*plan.refused, Naming::Captions)}));
                       return;
                   }
                   if (plan.diffs.empty()) {
                       s->busy = false;
                       c.dialogs.message(QString::fromUtf8(QT_TRANSLATE_NOOP(
                           "Messages", "Датчик совпадает с профилем, записывать нечего.")));
                       return;
                   }
                   const bool yes = c.dialogs.ask_yes_no(fill_text(
                       QT_TRANSLATE_NOOP("Messages", "%1\n\nИзменится (датчик → профиль):\n%2"),
                       {kApplyProfileQuestion,
                        difference_texts(plan.diffs, Naming::Captions).join(u'\n')}));
                   // The question runs a nested event loop: the port may have
                   // closed or another sensor been chosen meanwhile.
                   if (!yes || !still_addressed(c, address)) {
                       s->busy = false;
                       return;
                   }
                   c.str_to_log(kApplyProfileRecord + path);
                   write_profile(c, s, p, address, std::move(plan.writes));
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

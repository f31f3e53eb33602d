#include "profiles/profile_plan.h"

#include "commands/operations.h"
#include "i18n/language.h"
#include "protocol/requests.h"

#include <algorithm>

namespace {
std::optional<uint32_t> widened(const std::optional<uint8_t>& v) {
    return v ? std::optional<uint32_t>(*v) : std::nullopt;
}

QString value_text(const std::optional<uint32_t>& v, Naming naming) {
    if (v) return QString::number(*v);
    return naming == Naming::Keys ? QStringLiteral("none")
                                  : QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "нет"));
}

QString table_record(const CalibrationTable& t) {
    QString record = rules_of(Operation::TableWrite).log_prefix;
    for (const QString& cell : t.to_texts()) record += u' ' + cell + u',';
    return record;
}
} // namespace

bool reads_table(int firmware) {
    return firmware >= kTableFirmware;
}

Result<SensorSetup> setup_from(const IdentityReply& identity, const StateReply& state,
                               const std::optional<CalibrationTable>& table) {
    if (!identity.serial || !identity.version)
        return Error{ErrorKind::ShortReply,
                     QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Неполный ответ."))};
    SensorSetup s;
    s.serial = *identity.serial;
    s.firmware = *identity.version;
    const bool alarm = s.firmware >= kAlarmFirmware;
    const bool extended = s.firmware >= kExtendedFirmware;
    if (!state.empty || !state.full || !state.mode || (alarm && !state.alarm_level) ||
        (extended && !state.extended_mode))
        return Error{ErrorKind::ShortReply, QString::fromUtf8(QT_TRANSLATE_NOOP(
                                                "Messages", "Датчик не сообщил свои настройки."))};
    s.empty = *state.empty;
    s.full = *state.full;
    s.mode = *state.mode;
    if (alarm) s.alarm = state.alarm_level;
    if (extended) s.extended = state.extended_mode;
    if (reads_table(s.firmware)) s.table = table;
    return s;
}

Profile profile_of(const SensorSetup& s, const QString& saved) {
    Profile p;
    p.saved = saved;
    p.serial = s.serial;
    p.firmware = s.firmware;
    p.empty = s.empty;
    p.full = s.full;
    p.alarm = s.alarm;
    p.mode = s.mode;
    p.extended = s.extended;
    p.table = s.table;
    return p;
}

std::vector<Difference> differences(const Profile& p, const SensorSetup& s) {
    std::vector<Difference> d;
    if (p.empty != s.empty) d.push_back({ProfileField::Empty, s.empty, p.empty, {}});
    if (p.full != s.full) d.push_back({ProfileField::Full, s.full, p.full, {}});
    if (p.alarm && p.alarm != s.alarm)
        d.push_back({ProfileField::Alarm, widened(s.alarm), widened(p.alarm), {}});
    if (p.table && p.table != s.table) {
        Difference t{ProfileField::Table, std::nullopt, std::nullopt, {}};
        if (s.table) {
            for (int k = 0; k < CalibrationTable::kPoints; ++k)
                if (p.table->readings[size_t(k)] != s.table->readings[size_t(k)] ||
                    p.table->litres[size_t(k)] != s.table->litres[size_t(k)])
                    t.rows << k + 1;
        }
        d.push_back(t);
    }
    if (p.mode != s.mode) d.push_back({ProfileField::Mode, s.mode, p.mode, {}});
    if (p.extended && p.extended != s.extended)
        d.push_back({ProfileField::Extended, widened(s.extended), widened(p.extended), {}});
    return d;
}

QString field_name(ProfileField field, Naming naming) {
    return naming == Naming::Keys ? field_key(field) : field_caption(field);
}

namespace {
// "Полный: 114000 → 118000", a template a field so that the window's English
// names the field too.
const char* change_template(ProfileField field) {
    switch (field) {
    case ProfileField::Empty:
        return QT_TRANSLATE_NOOP("Messages", "Пустой: %1 → %2");
    case ProfileField::Full:
        return QT_TRANSLATE_NOOP("Messages", "Полный: %1 → %2");
    case ProfileField::Alarm:
        return QT_TRANSLATE_NOOP("Messages", "Порог лампы: %1 → %2");
    case ProfileField::Mode:
        return QT_TRANSLATE_NOOP("Messages", "Режим: %1 → %2");
    case ProfileField::Extended:
    case ProfileField::Table:
        break;
    }
    return QT_TRANSLATE_NOOP("Messages", "Расширенный режим: %1 → %2");
}
} // namespace

QString difference_text(const Difference& d, Naming naming) {
    const bool keys = naming == Naming::Keys;
    if (d.field == ProfileField::Table) {
        if (!keys && d.rows.isEmpty())
            return fill_text(QT_TRANSLATE_NOOP("Messages", "%1: нет у датчика"),
                             {field_caption(d.field)});
        if (d.rows.isEmpty()) return field_key(d.field) + QStringLiteral(": none -> 20 rows");
        QStringList rows;
        for (int r : d.rows) rows << QString::number(r);
        const bool many = d.rows.size() > 1;
        if (keys)
            return field_key(d.field) + QStringLiteral(": ") +
                   (many ? QStringLiteral("rows ") : QStringLiteral("row ")) +
                   rows.join(QStringLiteral(", ")) +
                   (many ? QStringLiteral(" differ") : QStringLiteral(" differs"));
        return fill_text(many ? QT_TRANSLATE_NOOP("Messages", "%1: строки %2")
                              : QT_TRANSLATE_NOOP("Messages", "%1: строка %2"),
                         {field_caption(d.field), rows.join(QStringLiteral(", "))});
    }
    if (keys)
        return field_key(d.field) + QStringLiteral(": ") + value_text(d.sensor, naming) +
               QStringLiteral(" -> ") + value_text(d.profile, naming);
    return fill_text(change_template(d.field),
                     {value_text(d.sensor, naming), value_text(d.profile, naming)});
}

QStringList difference_texts(const std::vector<Difference>& diffs, Naming naming) {
    QStringList l;
    for (const Difference& d : diffs) l << difference_text(d, naming);
    return l;
}

QString refusal_text(const Refusal& r, Naming naming) {
    return field_name(r.field, naming) + QStringLiteral(": ") + r.reason;
}

namespace {
Refusal shortfall(ProfileField field, int needed, int firmware) {
    return {
        field,
        fill_text(QT_TRANSLATE_NOOP("Messages", "нужна прошивка %1 или новее, у датчика %2"),
                  {dotted_version(needed), firmware > 0 ? dotted_version(firmware)
                                                        : QString::fromUtf8(QT_TRANSLATE_NOOP(
                                                              "Messages", "неизвестной версии"))})};
}
} // namespace

std::optional<Refusal> firmware_shortfall(const Profile& p, const std::vector<Difference>& diffs,
                                          int firmware) {
    // Fields the sensor does not have at all, whatever their values.
    if (p.alarm && firmware < kAlarmFirmware)
        return shortfall(ProfileField::Alarm, kAlarmFirmware, firmware);
    if (p.table && firmware < kTableFirmware)
        return shortfall(ProfileField::Table, kTableFirmware, firmware);
    if (p.extended && firmware < kExtendedFirmware)
        return shortfall(ProfileField::Extended, kExtendedFirmware, firmware);
    // Fields it has, but takes a new value of only from some firmware on.
    for (const Difference& d : diffs) {
        int needed = 0;
        switch (d.field) {
        case ProfileField::Empty:
            needed = needed_version(rules_of(Operation::DirectEmpty).tag);
            break;
        case ProfileField::Full:
            needed = needed_version(rules_of(Operation::DirectFull).tag);
            break;
        case ProfileField::Mode: {
            const ModeByte m = ModeByte::decode(p.mode);
            needed = needed_version(mode_tag(m.output, m.litres || m.percent, false));
            break;
        }
        default:
            break;
        }
        if (firmware < needed) return shortfall(d.field, needed, firmware);
    }
    return std::nullopt;
}

std::optional<Refusal> unwritable_value(const Profile& p, const std::vector<Difference>& diffs) {
    for (const Difference& d : diffs) {
        std::optional<std::pair<Operation, int64_t>> value;
        switch (d.field) {
        case ProfileField::Empty:
            value = {Operation::DirectEmpty, p.empty};
            break;
        case ProfileField::Full:
            value = {Operation::DirectFull, p.full};
            break;
        case ProfileField::Alarm:
            if (p.alarm) value = {Operation::Alarm, *p.alarm};
            break;
        case ProfileField::Mode:
            if (!ModeByte::decode(p.mode).output)
                return Refusal{
                    d.field, fill_text(QT_TRANSLATE_NOOP(
                                           "Messages", "байт режима %1 не называет выход датчика"),
                                       {QString::number(p.mode)})};
            break;
        default:
            break;
        }
        if (!value) continue;
        const Result<int64_t> checked = checked_value(value->first, value->second);
        if (!checked) return Refusal{d.field, checked.error().text};
    }
    return std::nullopt;
}

std::vector<ProfileWrite> profile_writes(const Profile& p, const SensorSetup& s,
                                         const std::vector<Difference>& diffs, uint8_t address,
                                         int smoothing_shown) {
    auto differs = [&diffs](ProfileField f) {
        return std::any_of(diffs.begin(), diffs.end(),
                           [f](const Difference& d) { return d.field == f; });
    };
    const int v = s.firmware;
    std::vector<ProfileWrite> w;
    auto by_value = [&](ProfileField field, Operation op, int64_t value) {
        const OperationRules& r = rules_of(op);
        const Result<QByteArray> frame = r.build(address, v, value);
        if (frame)
            w.push_back(
                {field, *frame, log_record(op, QString::number(value), value), r.confirmation});
    };
    if (differs(ProfileField::Empty))
        by_value(ProfileField::Empty, Operation::DirectEmpty, p.empty);
    if (differs(ProfileField::Full)) by_value(ProfileField::Full, Operation::DirectFull, p.full);
    if (differs(ProfileField::Alarm) && p.alarm)
        by_value(ProfileField::Alarm, Operation::Alarm, *p.alarm);
    if (differs(ProfileField::Table) && p.table)
        w.push_back({ProfileField::Table, request::write_table(address, v, *p.table),
                     table_record(*p.table), rules_of(Operation::TableWrite).confirmation});
    if (differs(ProfileField::Mode) || differs(ProfileField::Extended)) {
        const uint8_t extended = p.extended.value_or(s.extended.value_or(0));
        const int level =
            v >= kExtendedFirmware ? extended & ExtendedMode::kLevelMask : smoothing_shown;
        w.push_back({ProfileField::Mode, request::set_mode(address, v, p.mode, extended),
                     mode_log_record(p.mode, level), rules_of(Operation::Mode).confirmation});
    }
    return w;
}

ApplyPlan plan_apply(const Profile& p, const SensorSetup& s, uint8_t address, int smoothing_shown) {
    ApplyPlan plan;
    plan.diffs = differences(p, s);
    plan.refused = firmware_shortfall(p, plan.diffs, s.firmware);
    if (!plan.refused) plan.refused = unwritable_value(p, plan.diffs);
    if (!plan.refused) plan.writes = profile_writes(p, s, plan.diffs, address, smoothing_shown);
    return plan;
}

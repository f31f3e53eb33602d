#include "profiles/profile.h"

#include "i18n/language.h"
#include "protocol/mode_byte.h"
#include "protocol/requests.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QStringList>

#include <cmath>

namespace {

Error bad(const QString& text) {
    return Error{ErrorKind::BadInput, text};
}

// A whole number lo..hi, or nothing.
std::optional<int64_t> whole_in(const QJsonValue& v, int64_t lo, int64_t hi) {
    if (!v.isDouble()) return std::nullopt;
    const double d = v.toDouble();
    if (!std::isfinite(d) || std::floor(d) != d || d < double(lo) || d > double(hi))
        return std::nullopt;
    return int64_t(d);
}

QString range_text(const QString& key, int64_t lo, int64_t hi) {
    return fill_text(QT_TRANSLATE_NOOP("Messages", "поле \"%1\": нужно целое число от %2 до %3"),
                     {key, QString::number(lo), QString::number(hi)});
}

// A required (or, with `optional`, possibly absent) whole number.
Result<std::optional<int64_t>> field(const QJsonObject& o, const QString& key, int64_t lo,
                                     int64_t hi, bool optional = false) {
    if (!o.contains(key)) {
        if (optional) return std::optional<int64_t>();
        return bad(fill_text(QT_TRANSLATE_NOOP("Messages", "нет поля \"%1\""), {key}));
    }
    const auto v = whole_in(o.value(key), lo, hi);
    if (!v) return bad(range_text(key, lo, hi));
    return std::optional<int64_t>(*v);
}

Result<CalibrationTable> table_of(const QJsonValue& v) {
    const Error wrong = bad(
        fill_text(QT_TRANSLATE_NOOP("Messages", "поле \"table\": нужно 20 пар [показания, литры], "
                                                "каждое число от 0 до %1"),
                  {QString::number(CalibrationTable::kMaxValue)}));
    if (!v.isArray() || v.toArray().size() != CalibrationTable::kPoints) return wrong;
    CalibrationTable t;
    const QJsonArray rows = v.toArray();
    for (int k = 0; k < CalibrationTable::kPoints; ++k) {
        const QJsonValue row = rows[k];
        if (!row.isArray() || row.toArray().size() != 2) return wrong;
        const auto reading = whole_in(row.toArray()[0], 0, CalibrationTable::kMaxValue);
        const auto litres = whole_in(row.toArray()[1], 0, CalibrationTable::kMaxValue);
        if (!reading || !litres) return wrong;
        t.readings[size_t(k)] = uint16_t(*reading);
        t.litres[size_t(k)] = uint16_t(*litres);
    }
    return t;
}

// The first key that an object of `json` (valid JSON) holds twice.
std::optional<QString> repeated_key(const QByteArray& json) {
    std::vector<QSet<QString>> objects; // the keys of each object open at this point
    std::vector<bool> is_object;        // for each open bracket
    for (qsizetype i = 0; i < json.size(); ++i) {
        const char ch = json[i];
        if (ch == '{' || ch == '[') {
            is_object.push_back(ch == '{');
            if (ch == '{') objects.emplace_back();
        } else if (ch == '}' || ch == ']') {
            if (!is_object.empty() && is_object.back()) objects.pop_back();
            if (!is_object.empty()) is_object.pop_back();
        } else if (ch == '"') {
            const qsizetype start = i;
            for (++i; i < json.size() && json[i] != '"'; ++i)
                if (json[i] == '\\') ++i;
            // A string directly followed by ':' is a key of the open object.
            qsizetype next = i + 1;
            while (next < json.size() && QChar::isSpace(uchar(json[next]))) ++next;
            if (next >= json.size() || json[next] != ':' || objects.empty()) continue;
            // Decoded as JSON does, so "a" and "\u0061" are the same key.
            const QString key = QJsonDocument::fromJson('[' + json.mid(start, i - start + 1) + ']')
                                    .array()
                                    .at(0)
                                    .toString();
            if (objects.back().contains(key)) return key;
            objects.back().insert(key);
        }
    }
    return std::nullopt;
}

// Characters that would act on a terminal rather than show (escape sequences,
// bidirectional overrides) as \uXXXX.
QString plain(const QString& text) {
    QString out;
    for (QChar ch : text) {
        const auto category = ch.category();
        if (category == QChar::Other_Control || category == QChar::Other_Format)
            out += QStringLiteral("\\u%1").arg(ch.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += ch;
    }
    return out;
}

QString only_from(const QString& key, int needed, int firmware) {
    return fill_text(
        QT_TRANSLATE_NOOP("Messages",
                          "поле \"%1\" бывает только у прошивки %2 и новее, а профиль снят с %3"),
        {key, dotted_version(needed), dotted_version(firmware)});
}

} // namespace

QString field_key(ProfileField field) {
    switch (field) {
    case ProfileField::Empty:
        return QStringLiteral("empty");
    case ProfileField::Full:
        return QStringLiteral("full");
    case ProfileField::Alarm:
        return QStringLiteral("alarm");
    case ProfileField::Table:
        return QStringLiteral("table");
    case ProfileField::Mode:
        return QStringLiteral("mode");
    case ProfileField::Extended:
        return QStringLiteral("extended");
    }
    return {};
}

QString field_caption(ProfileField field) {
    switch (field) {
    case ProfileField::Empty:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Пустой"));
    case ProfileField::Full:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Полный"));
    case ProfileField::Alarm:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Порог лампы"));
    case ProfileField::Table:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Таблица"));
    case ProfileField::Mode:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Режим"));
    case ProfileField::Extended:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Расширенный режим"));
    }
    return {};
}

QString dotted_version(int code) {
    QStringList parts;
    for (QChar d : QString::number(code)) parts << QString(d);
    return parts.join(u'.');
}

Result<Profile> parse_profile(const QByteArray& json) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return bad(fill_text(QT_TRANSLATE_NOOP("Messages", "это не JSON (%1, позиция %2)"),
                             {error.errorString(), QString::number(error.offset)}));
    // QJsonDocument keeps the last of a key given twice without a word.
    if (const auto twice = repeated_key(json))
        return bad(fill_text(QT_TRANSLATE_NOOP("Messages", "поле \"%1\" дано дважды"), {*twice}));
    if (!doc.isObject())
        return bad(
            QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "это не профиль: нужен объект JSON")));
    const QJsonObject o = doc.object();
    if (o.value(QStringLiteral("format")).toString() != kProfileFormat)
        return bad(fill_text(QT_TRANSLATE_NOOP("Messages", "это не профиль: \"format\" не \"%1\""),
                             {kProfileFormat}));
    const auto version = whole_in(o.value(QStringLiteral("version")), 0, 1'000'000);
    if (!version || *version != kProfileVersion)
        return bad(fill_text(
            QT_TRANSLATE_NOOP("Messages", "версия профиля не %1: этот формат не поддерживается"),
            {QString::number(kProfileVersion)}));

    Profile p;
    p.saved = o.value(QStringLiteral("saved")).toString();
    const auto serial = field(o, QStringLiteral("serial"), 0, 0xFFFFFFFFll);
    if (!serial) return serial.error();
    const auto firmware = field(o, QStringLiteral("firmware"), 0, 255);
    if (!firmware) return firmware.error();
    // Whatever a sensor can report is held (the state reply's ranges); what
    // it cannot be given is refused when the profile is applied.
    const auto empty = field(o, QStringLiteral("empty"), 0, 0xFFFFFFFFll);
    if (!empty) return empty.error();
    const auto full = field(o, QStringLiteral("full"), 0, 0xFFFFFFFFll);
    if (!full) return full.error();
    const auto mode = field(o, QStringLiteral("mode"), 0, 255);
    if (!mode) return mode.error();
    const auto alarm = field(o, QStringLiteral("alarm"), 0, 255, true);
    if (!alarm) return alarm.error();
    const auto extended = field(o, QStringLiteral("extended"), 0, 255, true);
    if (!extended) return extended.error();
    p.serial = uint32_t(**serial);
    p.firmware = int(**firmware);
    p.empty = uint32_t(**empty);
    p.full = uint32_t(**full);
    p.mode = uint8_t(**mode);
    if (*alarm) {
        if (p.firmware < kAlarmFirmware)
            return bad(only_from(QStringLiteral("alarm"), kAlarmFirmware, p.firmware));
        p.alarm = uint8_t(**alarm);
    }
    if (*extended) {
        if (p.firmware < kExtendedFirmware)
            return bad(only_from(QStringLiteral("extended"), kExtendedFirmware, p.firmware));
        p.extended = uint8_t(**extended);
    }
    if (o.contains(QStringLiteral("table"))) {
        if (p.firmware < kTableFirmware)
            return bad(only_from(QStringLiteral("table"), kTableFirmware, p.firmware));
        const Result<CalibrationTable> table = table_of(o.value(QStringLiteral("table")));
        if (!table) return table.error();
        p.table = *table;
    }
    return p;
}

QByteArray profile_json(const Profile& p) {
    // Written by hand rather than through QJsonObject, which sorts its keys:
    // the fields stand in the order people read them, a table row a line.
    auto text = [](const QString& v) {
        return QString::fromUtf8(QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact))
            .chopped(1)
            .mid(1);
    };
    QStringList fields;
    auto add = [&fields](const char* key, const QString& value) {
        fields << QStringLiteral("    \"%1\": %2").arg(QLatin1String(key), value);
    };
    add("format", text(kProfileFormat));
    add("version", QString::number(kProfileVersion));
    add("saved", text(p.saved));
    add("serial", QString::number(p.serial));
    add("firmware", QString::number(p.firmware));
    add("empty", QString::number(p.empty));
    add("full", QString::number(p.full));
    if (p.alarm) add("alarm", QString::number(*p.alarm));
    add("mode", QString::number(p.mode));
    add("mode_description", text(describe_mode(p.mode)));
    if (p.extended) {
        add("extended", QString::number(*p.extended));
        add("extended_description", text(describe_extended(*p.extended)));
    }
    if (p.table) {
        QStringList rows;
        for (int k = 0; k < CalibrationTable::kPoints; ++k)
            rows << QStringLiteral("        [%1, %2]")
                        .arg(p.table->readings[size_t(k)])
                        .arg(p.table->litres[size_t(k)]);
        add("table",
            QStringLiteral("[\n") + rows.join(QStringLiteral(",\n")) + QStringLiteral("\n    ]"));
    }
    return (QStringLiteral("{\n") + fields.join(QStringLiteral(",\n")) + QStringLiteral("\n}\n"))
        .toUtf8();
}

namespace {
// A word of a mode's description: Russian as profile files keep it, or as the
// user reads it.
QString word(const char* russian, bool shown) {
    const QString kept = QString::fromUtf8(russian);
    return shown ? shown_text(kept) : kept;
}
} // namespace

QString describe_mode(uint8_t mode, bool shown) {
    const ModeByte m = ModeByte::decode(mode);
    QStringList words;
    if (!m.output) {
        words << word(QT_TRANSLATE_NOOP("Messages", "выход неизвестен"), shown);
    } else {
        switch (*m.output) {
        case OutputInterface::Rs485:
            words << QStringLiteral("RS-485");
            break;
        case OutputInterface::Analog:
            words << word(QT_TRANSLATE_NOOP("Messages", "аналоговый"), shown);
            break;
        case OutputInterface::Frequency:
            words << word(QT_TRANSLATE_NOOP("Messages", "частотный"), shown);
            break;
        case OutputInterface::Periodic:
            words << word(QT_TRANSLATE_NOOP("Messages", "периодический"), shown);
            break;
        case OutputInterface::PeriodicRs485:
            words << word(QT_TRANSLATE_NOOP("Messages", "периодический RS485"), shown);
            break;
        case OutputInterface::Rs232:
            words << QStringLiteral("RS-232");
            break;
        }
    }
    if (m.invert) words << word(QT_TRANSLATE_NOOP("Messages", "инверсия индикатора"), shown);
    if (m.smoothing) words << word(QT_TRANSLATE_NOOP("Messages", "сглаживание"), shown);
    if (m.range4096) words << word(QT_TRANSLATE_NOOP("Messages", "диапазон 4096"), shown);
    if (m.litres) words << word(QT_TRANSLATE_NOOP("Messages", "пересчёт в литры"), shown);
    if (m.percent) words << word(QT_TRANSLATE_NOOP("Messages", "пересчёт в проценты"), shown);
    return words.join(QStringLiteral(", "));
}

QString describe_extended(uint8_t extended, bool shown) {
    const ExtendedMode x = ExtendedMode::decode(extended);
    QStringList words{
        word(QT_TRANSLATE_NOOP("Messages", "сглаживание %1"), shown).arg(x.smoothing_level)};
    words << (x.thermal_compensation_off
                  ? word(QT_TRANSLATE_NOOP("Messages", "термокомпенсация откл."), shown)
                  : word(QT_TRANSLATE_NOOP("Messages", "термокомпенсация вкл."), shown));
    if (x.angle) words << word(QT_TRANSLATE_NOOP("Messages", "угол"), shown);
    if (x.quality) words << word(QT_TRANSLATE_NOOP("Messages", "качество"), shown);
    return words.join(QStringLiteral(", "));
}

QStringList describe_profile(const Profile& p) {
    QStringList l;
    l << QStringLiteral("serial %1").arg(p.serial);
    l << QStringLiteral("firmware %1 (%2)").arg(p.firmware).arg(dotted_version(p.firmware));
    if (!p.saved.isEmpty()) l << QStringLiteral("saved %1").arg(plain(p.saved));
    l << QStringLiteral("empty %1").arg(p.empty);
    l << QStringLiteral("full %1").arg(p.full);
    if (p.alarm) l << QStringLiteral("alarm %1%").arg(*p.alarm);
    l << QStringLiteral("mode %1: %2").arg(p.mode).arg(describe_mode(p.mode, true));
    if (p.extended)
        l << QStringLiteral("extended %1: %2")
                 .arg(*p.extended)
                 .arg(describe_extended(*p.extended, true));
    if (p.table) {
        l << QStringLiteral("table (row: reading -> litres)");
        for (int k = 0; k < CalibrationTable::kPoints; ++k)
            l << QStringLiteral("%1: %2 -> %3")
                     .arg(k + 1, 4)
                     .arg(p.table->readings[size_t(k)])
                     .arg(p.table->litres[size_t(k)]);
    }
    return l;
}

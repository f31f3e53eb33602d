#include "protocol/calibration_table.h"
#include "i18n/language.h"

#include "protocol/frame_codec.h"

CalibrationTable CalibrationTable::defaults() {
    CalibrationTable t;
    for (int k = 0; k < kPoints; ++k) {
        const auto v = uint16_t(k == kPoints - 1 ? 4096 : 200 * (k + 1));
        t.readings[size_t(k)] = v;
        t.litres[size_t(k)] = v;
    }
    return t;
}

QByteArray CalibrationTable::to_payload() const {
    QByteArray out;
    out.reserve(kPayloadBytes);
    for (const auto* column : {&readings, &litres})
        for (uint16_t v : *column) out.append(char(v >> 8)).append(char(v & 0xFF));
    return out;
}

Result<CalibrationTable> CalibrationTable::from_payload(const QByteArray& payload) {
    if (payload.size() != kPayloadBytes)
        return Error{ErrorKind::ShortReply,
                     fill_text(QT_TRANSLATE_NOOP("Messages",
                                                 "Таблица должна состоять из %1 байт, пришло %2."),
                               {QString::number(kPayloadBytes), QString::number(payload.size())})};
    CalibrationTable t;
    for (int i = 0; i < kValues; ++i) {
        const uint32_t v = *read_be(payload, 1 + 2 * i, 2);
        if (v > uint32_t(kMaxValue))
            return Error{
                ErrorKind::OutOfRange,
                fill_text(QT_TRANSLATE_NOOP("Messages", "В таблице значение %1 больше %2."),
                          {QString::number(v), QString::number(kMaxValue)})};
        (i < kPoints ? t.readings : t.litres)[size_t(i % kPoints)] = uint16_t(v);
    }
    return t;
}

QStringList CalibrationTable::to_texts() const {
    QStringList out;
    for (const auto* column : {&readings, &litres})
        for (uint16_t v : *column) out << QString::number(v);
    return out;
}

Result<CalibrationTable> CalibrationTable::from_texts(const QStringList& texts) {
    if (texts.size() != kValues)
        return Error{ErrorKind::BadInput,
                     fill_text(QT_TRANSLATE_NOOP("Messages", "В таблице должно быть %1 значений."),
                               {QString::number(kValues)})};
    CalibrationTable t;
    for (int i = 0; i < kValues; ++i) {
        const std::optional<uint16_t> v = value_of(texts[i]);
        if (!v)
            return Error{
                ErrorKind::BadInput,
                fill_text(QT_TRANSLATE_NOOP("Messages",
                                            "Точка %1, %2: \"%3\" не целое число от 0 до %4."),
                          {QString::number(i % kPoints),
                           QString::fromUtf8(
                               i < kPoints ? QT_TRANSLATE_NOOP("Messages", "показания датчика")
                                           : QT_TRANSLATE_NOOP("Messages", "литры")),
                           texts[i], QString::number(kMaxValue)})};
        (i < kPoints ? t.readings : t.litres)[size_t(i % kPoints)] = *v;
    }
    return t;
}

std::optional<uint16_t> CalibrationTable::value_of(const QString& text) {
    const QString s = text.trimmed();
    // Digits only: QString::toInt stops at an embedded NUL and would take
    // "12\0abc" from a damaged file for 12.
    for (qsizetype i = 0; i < s.size(); ++i)
        if ((s[i] < u'0' || s[i] > u'9') && !(i == 0 && s[i] == u'-')) return std::nullopt;
    bool ok = false;
    const int v = s.toInt(&ok, 10);
    if (!ok || v < 0 || v > kMaxValue || s.startsWith(u'+')) return std::nullopt;
    return uint16_t(v);
}

Result<QStringList> zvk_cells_from_lines(const QStringList& lines) {
    const auto n = lines.size();
    if (n % CalibrationTable::kZvkLines != 0)
        return Error{ErrorKind::BadInput,
                     fill_text(QT_TRANSLATE_NOOP("Messages", "В файле таблицы %1 строк, а должно "
                                                             "быть кратно %2. Файл не загружен."),
                               {QString::number(n), QString::number(CalibrationTable::kZvkLines)})};
    if (n == 0) return QStringList{};
    return lines.mid(n - CalibrationTable::kZvkLines);
}

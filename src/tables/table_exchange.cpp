#include "tables/table_exchange.h"

#include "protocol/replies.h"
#include "ui/configurator.h"

std::optional<QString> ans_to_table(Configurator& c, const QByteArray& aans) {
    const Result<CalibrationTable> table = decode_table_reply(aans);
    if (!table) {
        c.frmSerial.MsgCom.set_text(table.error().text);
        return std::nullopt;
    }
    QString list;
    for (int k = 0; k < CalibrationTable::kPoints; ++k) {
        c.Form3.Text4[size_t(k)]->set_text(QString::number(table->readings[size_t(k)]));
        c.Form3.Text3[size_t(k)]->set_text(QString::number(table->litres[size_t(k)]));
    }
    for (const QString& v : table->to_texts()) list += v + QStringLiteral(", ");
    return list;
}

#include "tables/table_exchange.h"

#include "ui/configurator.h"

QString ans_to_table(Configurator& c, const QByteArray& aans) {
    constexpr int kPoints = 20;
    if (aans.size() < 4 + 4 * kPoints) return {};
    QString list;
    int p = 0;
    auto take = [&](TextBox& cell) {
        const int value = uint8_t(aans[p + 3]) * 256 + uint8_t(aans[p + 4]);
        cell.set_text(QString::number(value));
        list += cell.text() + QStringLiteral(", ");
        p += 2;
    };
    for (int k = 0; k < kPoints; ++k) take(*c.Form3.Text4[size_t(k)]);
    for (int k = 0; k < kPoints; ++k) take(*c.Form3.Text3[size_t(k)]);
    return list;
}

#include "exchange/data_age.h"

#include "exchange/configurator.h"
#include "i18n/language.h"
#include "link/clock.h"
#include "protocol/codes.h"

#include <algorithm>

QString DataAge::note(const QDateTime& now) const {
    if (!stale_) return {};
    if (!heard_at_.isValid())
        return QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "нет данных от датчика"));
    const qint64 s = std::max<qint64>(0, heard_at_.secsTo(now));
    return fill_text(QT_TRANSLATE_NOOP("Messages", "обновлено %1 с назад"), {QString::number(s)});
}

void DataAge::heard(const QDateTime& at) {
    heard_at_ = at;
    set_stale(false);
}

void DataAge::missed() {
    set_stale(true);
}

void DataAge::forget() {
    heard_at_ = QDateTime();
    set_stale(true);
}

void DataAge::set_stale(bool s) {
    if (s == stale_) return;
    stale_ = s;
    if (on_change) on_change();
}

namespace {
// Runs `after` once the control's own procedure has run.
void chain(std::function<void()>& handler, std::function<void()> after) {
    handler = [first = std::move(handler), after = std::move(after)] {
        if (first) first();
        after();
    };
}
} // namespace

void wire_data_age(Configurator& c) {
    c.exchange.on_reply(CMD_READ_STATE, [&c](const QByteArray&) {
        // A reply replayed from a server log is not the sensor speaking now.
        if (!c.frmSerial.replay_mode) c.data_age.heard(c.clock.now());
    });
    c.exchange.on_silence([&c] { c.data_age.missed(); });
    MainForm& f = c.frmSerial;
    chain(f.CmbNet.on_click, [&c] { c.data_age.forget(); });
    chain(f.BTNOpenCom.on_click, [&c] { c.data_age.forget(); });
    chain(f.BTNCloseCom.on_click, [&c] { c.data_age.forget(); });
}

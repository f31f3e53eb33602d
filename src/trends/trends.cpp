#include "trends/trends.h"

#include "exchange/configurator.h"
#include "link/clock.h"
#include "protocol/codes.h"
#include "protocol/replies.h"
#include "protocol/watch_row.h"
#include "ui/dialogs.h"

Trends::Trends(Configurator& c, int capacity) : c_(c), ring_(capacity) {
    c_.exchange.on_reply(CMD_READ_STATE, [this](const QByteArray& reply) {
        if (!c_.frmSerial.replay_mode) heard(reply, c_.clock.now());
    });
}

void Trends::heard(const QByteArray& reply, const QDateTime& when) {
    const StateReply s = decode_state(reply);
    TrendPoint p;
    p.t_ms = when.toMSecsSinceEpoch();
    p.address = s.address.value_or(0);
    if (s.level) p.level = *s.level, p.has |= 1u << unsigned(TrendSeries::Level);
    if (s.current) p.current = *s.current, p.has |= 1u << unsigned(TrendSeries::Current);
    if (s.temperature)
        p.temperature = int16_t(*s.temperature), p.has |= 1u << unsigned(TrendSeries::Temperature);
    // Another sensor's readings are another trace: the chart starts afresh
    // rather than drawing one line through several sensors.
    if (!ring_.empty() && p.address != ring_.back().address) {
        ring_.clear();
        stability_.clear();
    }
    if (c_.frmSerial.selected_address() == p.address) serial_ = c_.frmSerial.sn.text().trimmed();
    if (!ring_.empty()) {
        const TrendPoint& last = ring_.back();
        // A clock set back keeps the ring in order; the jump is a gap.
        if (p.t_ms < last.t_ms) p.t_ms = last.t_ms, p.gap_before = true;
        if (p.t_ms - last.t_ms > kGapMs) p.gap_before = true;
    }
    ring_.add(p);
    if (p.gap_before) stability_.clear();
    if (s.current) stability_.add(*s.current);

    if (recorder_.recording()) {
        const QString error = recorder_.append(watch_row(s, when));
        if (!error.isEmpty()) {
            recording_error_ = error;
            c_.str_to_log(error);
            changed();
            c_.dialogs.notice(error);
            return;
        }
    }
    changed();
}

QString Trends::start_recording(const QString& path) {
    const QString error = recorder_.start(path);
    recording_error_.clear();
    if (error.isEmpty()) c_.str_to_log(QStringLiteral("Запись в CSV: ") + path);
    changed();
    return error;
}

void Trends::stop_recording() {
    if (!recorder_.recording()) return;
    recorder_.stop();
    recording_error_.clear();
    c_.str_to_log(QStringLiteral("Запись в CSV остановлена: ") + recorder_.path());
    changed();
}

void Trends::changed() {
    for (const auto& l : listeners_) l();
}

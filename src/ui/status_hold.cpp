#include "ui/status_hold.h"

#include "ui/port_news.h"

bool StatusHold::is_failure(const QString& text, Colour colour) {
    if (text.trimmed().isEmpty()) return false;
    if (colour == kRed) return true;
    return text == QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Порт не открыт.")) ||
           text == QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Не выбран адрес датчика."));
}

void StatusHold::said(int64_t now_ms, const QString& text, Colour colour) {
    latest_ = Line{text, colour};
    // A lost port that is back: its loss is over, not a failure to keep showing.
    if (held_ && failure_.text == loss_ended_by(text)) {
        held_ = false;
        refused_.clear();
    }
    if (!is_failure(text, colour)) return;
    failure_ = latest_;
    held_ = true;
    held_since_ = now_ms;
    // A failure within the hold time of a control's use answers that control;
    // one later (a lost port, a sensor gone quiet) answers none.
    refused_ = !operated_.isEmpty() && now_ms - operated_at_ < kHoldMs ? operated_ : QString();
    operated_.clear();
}

void StatusHold::operated(int64_t now_ms, const QString& name) {
    held_ = false;
    refused_.clear();
    operated_ = name;
    operated_at_ = now_ms;
}

bool StatusHold::tick(int64_t now_ms) {
    if (!held_ || now_ms - held_since_ < kHoldMs) return false;
    held_ = false;
    refused_.clear();
    return true;
}

#include "ui/message_history.h"

MessageHistory::Kind MessageHistory::kind_of(Colour colour) {
    if (colour == kRed) return Kind::Error;
    if (colour == kDarkGreen || colour == kGreen) return Kind::Done;
    return Kind::Note;
}

QString MessageHistory::kind_name(Kind kind) {
    switch (kind) {
    case Kind::Done:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "выполнено"));
    case Kind::Error:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "ошибка"));
    case Kind::Note:
        break;
    }
    return QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "сообщение"));
}

void MessageHistory::add(const QDateTime& at, Colour colour, const QString& text) {
    if (text.trimmed().isEmpty()) return;
    entries_.push_front(Entry{at, kind_of(colour), text});
    if (entries_.size() > kLimit) entries_.pop_back();
    if (on_added) on_added(entries_.front());
}

#pragma once
// What the status line has said, newest first, with the time and the kind
// its colour gives it, so that a message shown for a moment can still be read.
#include "ui/controls.h"

#include <QDateTime>
#include <QString>

#include <deque>
#include <functional>

class MessageHistory {
public:
    enum class Kind { Note, Done, Error };
    struct Entry {
        QDateTime at;
        Kind kind;
        QString text;
    };
    static constexpr size_t kLimit = 500;

    // An empty text (the line cleared) is not kept; the oldest entry goes
    // once the limit is reached.
    void add(const QDateTime& at, Colour colour, const QString& text);
    const std::deque<Entry>& entries() const { return entries_; }
    static Kind kind_of(Colour colour);
    static QString kind_name(Kind kind);

    // Runs after each entry is added.
    std::function<void(const Entry&)> on_added;

private:
    std::deque<Entry> entries_;
};

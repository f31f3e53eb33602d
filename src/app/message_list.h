#pragma once
// The status line's history as a list: time, kind and text, newest on top.
#include "ui/message_history.h"

#include <QTreeWidget>

class MessageList : public QTreeWidget {
    Q_OBJECT
public:
    explicit MessageList(QWidget* parent = nullptr);
    // Puts `e` on top; the list keeps as many entries as the history does.
    void add(const MessageHistory::Entry& e);
};

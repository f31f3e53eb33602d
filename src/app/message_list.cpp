#include "app/message_list.h"

#include "app/binder.h"

#include <QHeaderView>

MessageList::MessageList(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("message_history"));
    setColumnCount(3);
    setHeaderLabels({QStringLiteral("Время"), QStringLiteral("Вид"), QStringLiteral("Сообщение")});
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    header()->setStretchLastSection(true);
}

void MessageList::add(const MessageHistory::Entry& e) {
    auto* item = new QTreeWidgetItem(
        {e.at.toString(QStringLiteral("HH:mm:ss")), MessageHistory::kind_name(e.kind), e.text});
    item->setToolTip(2, e.text);
    if (e.kind == MessageHistory::Kind::Error)
        for (int c = 0; c < 3; ++c) item->setForeground(c, to_qcolor(kRed, palette()));
    insertTopLevelItem(0, item);
    while (topLevelItemCount() > int(MessageHistory::kLimit))
        delete takeTopLevelItem(topLevelItemCount() - 1);
}

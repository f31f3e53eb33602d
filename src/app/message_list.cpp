#include "app/message_list.h"

#include "app/binder.h"
#include "i18n/language.h"

#include <QCoreApplication>
#include <QHeaderView>

MessageList::MessageList(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("message_history"));
    setColumnCount(3);
    setHeaderLabels({QCoreApplication::translate("MessageList", "Время"),
                     QCoreApplication::translate("MessageList", "Вид"),
                     QCoreApplication::translate("MessageList", "Сообщение")});
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    header()->setStretchLastSection(true);
}

void MessageList::add(const MessageHistory::Entry& e) {
    auto* item =
        new QTreeWidgetItem({e.at.toString(QStringLiteral("HH:mm:ss")),
                             shown_text(MessageHistory::kind_name(e.kind)), shown_text(e.text)});
    item->setToolTip(2, item->text(2));
    if (e.kind == MessageHistory::Kind::Error)
        for (int c = 0; c < 3; ++c) item->setForeground(c, to_qcolor(kRed, palette()));
    insertTopLevelItem(0, item);
    while (topLevelItemCount() > int(MessageHistory::kLimit))
        delete takeTopLevelItem(topLevelItemCount() - 1);
}

#include "app/port_notes.h"

#include <QComboBox>
#include <QStyledItemDelegate>

namespace {
class PortNoteDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString note = index.data(Qt::ToolTipRole).toString();
        if (!note.isEmpty()) option->text += QStringLiteral("   ") + note;
    }
};
} // namespace

void show_port_notes(QComboBox* ports) {
    ports->setItemDelegate(new PortNoteDelegate(ports));
}

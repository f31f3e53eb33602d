#include "app/port_notes.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QScrollBar>
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
    // The drop-down is as wide as its longest entry with its note (the box
    // measures the names alone); the box itself keeps its width.
    QAbstractItemView* view = ports->view();
    const auto fit = [view] {
        view->setMinimumWidth(view->sizeHintForColumn(0) + 2 * view->frameWidth() +
                              view->verticalScrollBar()->sizeHint().width());
    };
    QAbstractItemModel* model = ports->model();
    QObject::connect(model, &QAbstractItemModel::rowsInserted, view, fit);
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, view, fit);
    QObject::connect(model, &QAbstractItemModel::dataChanged, view, fit);
    QObject::connect(model, &QAbstractItemModel::modelReset, view, fit);
}

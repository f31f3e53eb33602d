#include "app/widget_set.h"

#include "app/indicator_shape.h"
#include "ui/controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTableWidget>

namespace {

QWidget* standard_widget(const Control& c, QWidget* owner) {
    switch (c.kind()) {
    case ControlKind::Label: {
        auto* l = new QLabel(owner);
        l->setTextFormat(Qt::PlainText);
        return l;
    }
    case ControlKind::Image:
        return new QLabel(owner);
    case ControlKind::Button:
        return new QPushButton(owner);
    case ControlKind::TextBox:
        return new QLineEdit(owner);
    case ControlKind::CheckBox:
        return new QCheckBox(owner);
    case ControlKind::OptionButton:
        return new QRadioButton(owner);
    case ControlKind::ComboBox: {
        auto* b = new QComboBox(owner);
        b->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        return b;
    }
    case ControlKind::Shape:
        return new IndicatorShape(IndicatorShape::Outline::Circle, owner);
    case ControlKind::ProgressBar:
        return new QProgressBar(owner);
    case ControlKind::Slider: {
        auto* s = new QSlider(Qt::Horizontal, owner);
        s->setTickPosition(QSlider::TicksBelow);
        s->setPageStep(1);
        return s;
    }
    case ControlKind::Frame:
        return new QGroupBox(owner);
    case ControlKind::TabControl:
        return new QTabWidget(owner);
    case ControlKind::Grid: {
        auto* t = new QTableWidget(owner);
        t->verticalHeader()->hide();
        t->horizontalHeader()->setStretchLastSection(true);
        t->setEditTriggers(QAbstractItemView::NoEditTriggers);
        t->setSelectionMode(QAbstractItemView::SingleSelection);
        t->setAlternatingRowColors(true);
        return t;
    }
    case ControlKind::Timer:
        return nullptr;
    }
    return nullptr;
}

} // namespace

void WidgetSet::create_missing(const Form& form) {
    for (const Control* c : form.controls()) {
        if (widgets_.contains(c->name())) continue;
        if (QWidget* w = standard_widget(*c, owner_)) put(c->name(), w);
    }
}

QWidget* WidgetSet::operator[](const QString& name) const {
    QWidget* w = widgets_.value(name);
    Q_ASSERT_X(w, "WidgetSet", qPrintable(name));
    return w;
}

void WidgetSet::style_value(QWidget* w) {
    auto* l = qobject_cast<QLabel*>(w);
    if (!l) return;
    l->setFrameShape(QFrame::StyledPanel);
    l->setFrameShadow(QFrame::Sunken);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QStringLiteral("2000000000 °C")));
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    l->setMargin(l->fontMetrics().height() / 6);
}

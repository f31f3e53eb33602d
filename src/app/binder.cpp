#include "app/binder.h"
#include "i18n/language.h"

#include "app/indicator_shape.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>

QColor to_qcolor(Colour c, const QPalette& palette) {
    if (is_system_colour(c)) {
        switch (c & 0xFFu) {
        case 0x05:
            return palette.color(QPalette::Base); // window background
        case 0x08:
            return palette.color(QPalette::Text); // window text
        case 0x0F:
            return palette.color(QPalette::Button); // button face
        case 0x10:
            return palette.color(QPalette::Dark); // button shadow
        case 0x11:
            return palette.color(QPalette::PlaceholderText); // grey text
        case 0x12:
            return palette.color(QPalette::ButtonText); // button text
        case 0x14:
            return palette.color(QPalette::Light); // button highlight
        case 0x0D:
            return palette.color(QPalette::Highlight);
        case 0x0E:
            return palette.color(QPalette::HighlightedText);
        default:
            return palette.color(QPalette::Window);
        }
    }
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

namespace {

int check_value(Qt::CheckState s) {
    return s == Qt::Checked ? 1 : s == Qt::PartiallyChecked ? 2 : 0;
}

Qt::CheckState check_state(int v) {
    return v == 1 ? Qt::Checked : v == 2 ? Qt::PartiallyChecked : Qt::Unchecked;
}

// The palette roles a control's background and text colours paint.
std::pair<QPalette::ColorRole, QPalette::ColorRole> colour_roles(const QWidget* w) {
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w) ||
        qobject_cast<const QComboBox*>(w) || qobject_cast<const QTableWidget*>(w))
        return {QPalette::Base, QPalette::Text};
    if (qobject_cast<const QPushButton*>(w)) return {QPalette::Button, QPalette::ButtonText};
    return {QPalette::Window, QPalette::WindowText};
}

} // namespace

Binder::Binder(Form& form, QWidget& window, QObject* parent)
    : QObject(parent), form_(form), window_(&window) {
    QHash<QString, QWidget*> by_name;
    for (QWidget* w : window.findChildren<QWidget*>())
        if (!w->objectName().isEmpty() && !by_name.contains(w->objectName()))
            by_name.insert(w->objectName(), w);

    for (Control* c : form_.controls()) {
        if (c->kind() == ControlKind::Timer) {
            connect_timer(static_cast<Timer&>(*c));
            continue;
        }
        QWidget* w = by_name.value(c->name());
        if (!w) continue;
        widgets_[c] = w;
        connect_widget(*c, w);
    }

    form_.on_control_changed = [this](Control& c) { model_changed(c); };
    form_.on_form_changed = [this] { push_form(); };
    window.installEventFilter(this);
    window.setWindowTitle(form_.caption());

    for (Control* c : form_.controls()) {
        if (c->kind() == ControlKind::Timer)
            push_timer(static_cast<Timer&>(*c));
        else
            push(*c);
    }
    push_form();
}

Binder::~Binder() {
    form_.on_control_changed = nullptr;
    form_.on_form_changed = nullptr;
}

QWidget* Binder::widget(const QString& name) const {
    for (const auto& [c, w] : widgets_)
        if (c->name() == name) return w;
    return nullptr;
}

QTimer* Binder::timer(const QString& name) const {
    for (const auto& [c, t] : timers_)
        if (c->name() == name) return t;
    return nullptr;
}

QStringList Binder::unbound() const {
    QStringList names;
    for (Control* c : form_.controls())
        if (c->kind() != ControlKind::Timer && !widgets_.count(c)) names.append(c->name());
    return names;
}

void Binder::connect_timer(Timer& t) {
    auto* qt = new QTimer(this);
    qt->setObjectName(t.name());
    qt->setInterval(t.interval());
    // The exchange keeps its one-second rhythm to a few milliseconds, so a
    // late tick is not followed by a short one.
    qt->setTimerType(Qt::PreciseTimer);
    timers_[&t] = qt;
    connect(qt, &QTimer::timeout, this, [this, &t] { run_timer(t); });
}

void Binder::run_timer(Timer& t) {
    // A tick that shows a message box runs a nested event loop; no tick of
    // this window may start inside it.
    if (in_timer_ || !t.enabled() || !t.on_timer) return;
    in_timer_ = true;
    t.on_timer();
    in_timer_ = false;
}

void Binder::connect_widget(Control& c, QWidget* w) {
    switch (c.kind()) {
    case ControlKind::Button:
        if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            auto& button = static_cast<Button&>(c);
            connect(b, &QAbstractButton::clicked, this, [this, &button] {
                button.click();
                schedule(button);
            });
        }
        break;
    case ControlKind::CheckBox:
        if (auto* b = qobject_cast<QCheckBox*>(w)) {
            auto& box = static_cast<CheckBox&>(c);
            connect(b, &QAbstractButton::clicked, this, [this, &box, b] {
                box.set_value(check_value(b->checkState()) == 1 ? 1 : 0);
                schedule(box);
            });
        }
        break;
    case ControlKind::OptionButton:
        if (auto* b = qobject_cast<QRadioButton*>(w)) {
            // Exclusivity is the model's: the program may clear every option.
            b->setAutoExclusive(false);
            auto& option = static_cast<OptionButton&>(c);
            connect(b, &QAbstractButton::clicked, this,
                    [this, &option, b] { option_clicked(option, b); });
        }
        break;
    case ControlKind::ComboBox:
        if (auto* b = qobject_cast<QComboBox*>(w)) {
            auto& combo = static_cast<ComboBox&>(c);
            connect(b, &QComboBox::activated, this, [this, &combo, b](int i) {
                if (i < 0) return;
                if (QLineEdit* edit = b->lineEdit()) edit->setCursorPosition(0);
                combo.set_list_index(i);
                schedule(combo);
            });
            // An editable list (the port list, for a network address): typed
            // text that is no entry becomes the box's text, with nothing selected.
            if (QLineEdit* edit = b->lineEdit())
                connect(edit, &QLineEdit::textEdited, this, [this, &combo](const QString& t) {
                    const int at = int(combo.items().indexOf(t));
                    if (at < 0) combo.set_text(t);
                    combo.set_list_index(at);
                    schedule(combo);
                });
        }
        break;
    case ControlKind::TextBox:
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            auto& box = static_cast<TextBox&>(c);
            connect(e, &QLineEdit::textEdited, this, [this, &box](const QString& t) {
                box.set_text(t);
                schedule(box);
            });
        } else if (auto* e = qobject_cast<QPlainTextEdit*>(w)) {
            auto& box = static_cast<TextBox&>(c);
            connect(e, &QPlainTextEdit::textChanged, this, [this, &box, e] {
                if (e->isReadOnly()) return; // the model's text is the one shown, not this
                box.set_text(e->toPlainText());
                schedule(box);
            });
        }
        break;
    case ControlKind::Slider:
        if (auto* s = qobject_cast<QSlider*>(w)) {
            auto& slider = static_cast<Slider&>(c);
            connect(s, &QSlider::valueChanged, this, [this, &slider](int v) {
                slider.set_value(v);
                schedule(slider);
            });
        }
        break;
    case ControlKind::TabControl:
        if (auto* t = qobject_cast<QTabWidget*>(w)) {
            auto& tabs = static_cast<TabControl&>(c);
            connect(t, &QTabWidget::currentChanged, this, [this, &tabs](int i) {
                tabs.set_current(i);
                schedule(tabs);
            });
        }
        break;
    default:
        break;
    }
}

void Binder::option_clicked(OptionButton& option, QWidget* w) {
    // Options sharing a container form one group, as in the frames of the window.
    for (auto& [c, other] : widgets_) {
        if (c == &option || c->kind() != ControlKind::OptionButton || !other) continue;
        if (other->parentWidget() != w->parentWidget()) continue;
        static_cast<OptionButton*>(c)->set_value(false);
        schedule(*c);
    }
    option.set_value(true);
    schedule(option);
}

void Binder::model_changed(Control& c) {
    if (c.kind() == ControlKind::Timer) {
        push_timer(static_cast<Timer&>(c));
        return;
    }
    schedule(c);
}

void Binder::schedule(Control& c) {
    if (std::find(dirty_.begin(), dirty_.end(), &c) == dirty_.end()) dirty_.push_back(&c);
    if (flush_posted_) return;
    flush_posted_ = true;
    QMetaObject::invokeMethod(this, &Binder::flush, Qt::QueuedConnection);
}

void Binder::flush() {
    flush_posted_ = false;
    // Pushing never changes the model, but take the list first all the same.
    std::vector<Control*> batch;
    batch.swap(dirty_);
    for (Control* c : batch) push(*c);
}

void Binder::push_timer(Timer& t) {
    QTimer* qt = timers_.count(&t) ? timers_[&t] : nullptr;
    if (!qt) return;
    if (t.enabled() && !qt->isActive())
        qt->start();
    else if (!t.enabled() && qt->isActive())
        qt->stop();
    uint32_t& seen = soon_seen_[&t];
    if (t.soon_requests() != seen) {
        seen = t.soon_requests();
        if (t.enabled()) {
            qt->start(); // the next regular tick a whole interval after this one
            QTimer::singleShot(0, this, [this, &t] { run_timer(t); });
        }
    }
}

void Binder::push_form() {
    if (!window_) return;
    if (const QString title = shown_text(form_.caption()); window_->windowTitle() != title)
        window_->setWindowTitle(title);
    if (window_->isVisible() != form_.visible()) {
        window_->setVisible(form_.visible());
    } else if (form_.visible()) {
        // Showing a window that is open already brings it to the front.
        window_->raise();
        window_->activateWindow();
    }
}

void Binder::push(Control& c) {
    auto it = widgets_.find(&c);
    if (it == widgets_.end() || !it->second) return;
    QWidget* w = it->second;
    const QSignalBlocker block(w);

    // Its own state, not the container's: a disabled frame greys its contents
    // without changing their controls.
    const bool enabled = c.enabled() || w->property(kAlwaysReadable).toBool();
    if (w->testAttribute(Qt::WA_ForceDisabled) == enabled) w->setEnabled(enabled);
    if (w->isHidden() == c.visible()) w->setHidden(!c.visible());
    if (w->property(kWindowDrawn).toBool()) return;
    push_colours(c, w);

    // The model keeps its texts in Russian (they go to the run log too); the
    // widgets show them in the user's language.
    const QString text = shown_text(c.text());
    switch (c.kind()) {
    case ControlKind::Label:
        if (auto* l = qobject_cast<QLabel*>(w); l && l->text() != text) l->setText(text);
        break;
    case ControlKind::Button:
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && !text.isEmpty() && b->text() != text)
            b->setText(text);
        break;
    case ControlKind::Frame:
        if (auto* g = qobject_cast<QGroupBox*>(w); g && g->title() != text) g->setTitle(text);
        break;
    case ControlKind::TextBox:
        if (auto* e = qobject_cast<QLineEdit*>(w); e && e->text() != c.text()) {
            e->setText(c.text());
        } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
            // A read-only one is a progress text: shown in the user's language.
            const QString& shown = p->isReadOnly() ? text : c.text();
            if (p->toPlainText() == shown) break;
            p->setPlainText(shown);
            // Progress texts grow at the end: keep the newest line in view.
            p->verticalScrollBar()->setValue(p->verticalScrollBar()->maximum());
        }
        break;
    case ControlKind::CheckBox:
        if (auto* b = qobject_cast<QCheckBox*>(w)) {
            const auto& box = static_cast<const CheckBox&>(c);
            if (!text.isEmpty() && b->text() != text) b->setText(text);
            if (check_value(b->checkState()) != box.value()) {
                b->setTristate(box.value() == 2);
                b->setCheckState(check_state(box.value()));
            }
        }
        break;
    case ControlKind::OptionButton:
        if (auto* b = qobject_cast<QRadioButton*>(w)) {
            const auto& option = static_cast<const OptionButton&>(c);
            if (!text.isEmpty() && b->text() != text) b->setText(text);
            if (b->isChecked() != option.value()) b->setChecked(option.value());
        }
        break;
    case ControlKind::ComboBox:
        if (auto* b = qobject_cast<QComboBox*>(w)) {
            const auto& combo = static_cast<const ComboBox&>(c);
            QStringList shown, items;
            for (int i = 0; i < b->count(); ++i) shown.append(b->itemText(i));
            for (const QString& item : combo.items()) items.append(shown_text(item));
            if (shown != items) {
                b->clear();
                b->addItems(items);
            }
            for (int i = 0; i < b->count() && i < combo.notes().size(); ++i)
                if (b->itemData(i, Qt::ToolTipRole).toString() != combo.notes()[i])
                    b->setItemData(i, combo.notes()[i], Qt::ToolTipRole);
            QLineEdit* edit = b->lineEdit();
            // What the user has in the box, so that writing the same text back
            // (a typed text that is no entry) leaves the cursor where it was.
            const QString typed = edit ? edit->text() : QString();
            const int cursor = edit ? edit->cursorPosition() : 0;
            if (b->currentIndex() != combo.list_index()) b->setCurrentIndex(combo.list_index());
            if (b->isEditable()) {
                const QString selected = shown_text(combo.selected_text());
                if (b->currentText() != selected) {
                    b->setEditText(selected);
                    // A long address shows its start (scheme and host), not
                    // its tail, when the program or a pick put it there.
                    if (edit) edit->setCursorPosition(selected == typed ? cursor : 0);
                }
            } else if (b->placeholderText() != text) {
                b->setPlaceholderText(text);
            }
        }
        break;
    case ControlKind::Shape:
        if (auto* s = qobject_cast<IndicatorShape*>(w))
            s->set_fill(to_qcolor(static_cast<const Shape&>(c).fill_colour(), s->palette()));
        break;
    case ControlKind::ProgressBar:
        if (auto* p = qobject_cast<QProgressBar*>(w)) {
            const auto& bar = static_cast<const ProgressBar&>(c);
            if (p->minimum() != bar.min() || p->maximum() != bar.max())
                p->setRange(bar.min(), bar.max());
            const int v = std::clamp(bar.value(), bar.min(), bar.max());
            if (p->value() != v) p->setValue(v);
        }
        break;
    case ControlKind::Slider:
        if (auto* s = qobject_cast<QSlider*>(w)) {
            const auto& slider = static_cast<const Slider&>(c);
            if (s->minimum() != slider.min() || s->maximum() != slider.max())
                s->setRange(slider.min(), slider.max());
            if (s->value() != slider.value()) s->setValue(slider.value());
        }
        break;
    case ControlKind::TabControl:
        if (auto* t = qobject_cast<QTabWidget*>(w)) {
            const auto& tabs = static_cast<const TabControl&>(c);
            for (int i = 0; i < std::min(t->count(), int(tabs.captions().size())); ++i)
                if (const QString tab = shown_text(tabs.captions()[i]); t->tabText(i) != tab)
                    t->setTabText(i, tab);
            if (t->currentIndex() != tabs.current()) t->setCurrentIndex(tabs.current());
        }
        break;
    case ControlKind::Grid:
        if (auto* t = qobject_cast<QTableWidget*>(w)) {
            const auto& grid = static_cast<const Grid&>(c);
            // Row 0 of the grid is its fixed header row.
            if (t->columnCount() != grid.cols()) t->setColumnCount(grid.cols());
            if (t->rowCount() != std::max(grid.rows() - 1, 0))
                t->setRowCount(std::max(grid.rows() - 1, 0));
            for (int col = 0; col < grid.cols(); ++col) {
                auto* h = t->horizontalHeaderItem(col);
                if (!h) t->setHorizontalHeaderItem(col, h = new QTableWidgetItem);
                if (const QString head = shown_text(grid.cell(0, col)); h->text() != head)
                    h->setText(head);
            }
            for (int row = 1; row < grid.rows(); ++row)
                for (int col = 0; col < grid.cols(); ++col) {
                    auto* item = t->item(row - 1, col);
                    if (!item) {
                        item = new QTableWidgetItem;
                        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
                        t->setItem(row - 1, col, item);
                    }
                    if (item->text() != grid.cell(row, col)) item->setText(grid.cell(row, col));
                }
            // Scroll only when the model asks for another row, so the user's
            // own scrolling is not undone by every cell that changes.
            const QVariant shown = t->property("zorvikShownRow");
            if (!shown.isValid() || shown.toInt() != grid.shown_row()) {
                t->setProperty("zorvikShownRow", grid.shown_row());
                if (auto* item = t->item(grid.shown_row() - 1, 0))
                    t->scrollToItem(item, QAbstractItemView::PositionAtBottom);
            }
        }
        break;
    case ControlKind::Timer:
    case ControlKind::Image:
        break;
    }
}

void Binder::push_colours(Control& c, QWidget* w) {
    const std::pair<Colour, Colour> wanted{c.back_colour(), c.fore_colour()};
    auto it = shown_colours_.find(&c);
    const bool defaults = is_system_colour(wanted.first) && is_system_colour(wanted.second);
    if (it == shown_colours_.end() ? defaults : it->second == wanted) {
        shown_colours_[&c] = wanted;
        return;
    }
    shown_colours_[&c] = wanted;
    // System colours are the platform's own: leave those roles inherited.
    QPalette p;
    const auto [back_role, fore_role] = colour_roles(w);
    const QPalette inherited = w->parentWidget() ? w->parentWidget()->palette() : w->palette();
    if (!is_system_colour(wanted.first)) p.setColor(back_role, to_qcolor(wanted.first, inherited));
    if (!is_system_colour(wanted.second))
        p.setColor(fore_role, to_qcolor(wanted.second, inherited));
    w->setPalette(p);
    if (back_role == QPalette::Window) w->setAutoFillBackground(!is_system_colour(wanted.first));
}

bool Binder::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::Close) {
        if (on_close_request) {
            event->ignore();
            on_close_request();
        } else {
            form_.set_visible(false);
        }
        return true;
    }
    return QObject::eventFilter(watched, event);
}

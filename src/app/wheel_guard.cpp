#include "app/wheel_guard.h"

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QEvent>
#include <QObject>
#include <QWidget>

namespace {
class WheelGuard : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Wheel) return false;
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w || w->hasFocus()) return false;
        // Ignored and taken: the wheel goes on to the parent that scrolls.
        event->ignore();
        return true;
    }
};
} // namespace

void guard_wheel(QWidget* root) {
    auto* guard = new WheelGuard(root);
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!qobject_cast<QComboBox*>(w) && !qobject_cast<QAbstractSpinBox*>(w) &&
            !qobject_cast<QAbstractSlider*>(w))
            continue;
        // Scroll bars scroll: they are what the wheel is for.
        if (w->inherits("QScrollBar")) continue;
        // The wheel no longer gives focus; a click or Tab does.
        w->setFocusPolicy(Qt::StrongFocus);
        w->installEventFilter(guard);
    }
}

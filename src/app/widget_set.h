#pragma once
// The widgets of one window, one per control and named after it, created
// before the window lays them out.  The kind of widget follows the kind of
// control; a window asks for a different widget for a control by creating
// it first with `put`.
#include <QHash>
#include <QString>
#include <QWidget>

class Form;
class Control;

class WidgetSet {
public:
    explicit WidgetSet(QWidget* owner) : owner_(owner) {}

    // Adds `w` as the widget of the control `name` (its objectName is set).
    template <typename W> W* put(const QString& name, W* w) {
        w->setObjectName(name);
        widgets_.insert(name, w);
        return w;
    }
    // Creates the standard widget for every control of `form` that has none yet.
    void create_missing(const Form& form);

    QWidget* operator[](const QString& name) const;
    template <typename W> W* get(const QString& name) const {
        return qobject_cast<W*>((*this)[name]);
    }

    // A label showing a value: framed, wide enough for a large number.
    static void style_value(QWidget* label);

private:
    QWidget* owner_;
    QHash<QString, QWidget*> widgets_;
};

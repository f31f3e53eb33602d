#pragma once
// Keeps a window's widgets and its view model in step, by name: a widget whose
// objectName is a control's name shows that control.  Model changes reach the
// widgets in one batch once the event loop gets control back (so that a list
// refilled item by item is drawn once); user edits reach the model at once.
// Writes to a widget happen with its signals blocked, and a widget already
// showing the model's value is left alone, so nothing echoes back and a text
// being edited keeps its cursor.
#include "ui/controls.h"

#include <QColor>
#include <QObject>
#include <QPalette>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <unordered_map>
#include <vector>

class QTimer;
class QWidget;

// A Windows colour value (0x00BBGGRR, or a system colour 0x80000000 + index)
// as a Qt colour; system colours come from `palette`.
QColor to_qcolor(Colour c, const QPalette& palette);
inline bool is_system_colour(Colour c) {
    return (c & 0x80000000u) != 0;
}

class Binder : public QObject {
    Q_OBJECT
public:
    // Binds every control of `form` to the child of `window` with its name and
    // shows the model's present state at once.
    Binder(Form& form, QWidget& window, QObject* parent = nullptr);
    ~Binder() override;

    // Writes pending model changes to the widgets now.
    void flush();

    QWidget* widget(const QString& name) const;
    QTimer* timer(const QString& name) const;
    // Controls no widget stands for (timers have none and are not listed).
    QStringList unbound() const;

    // A widget with this property set stays enabled whatever its control says:
    // a status text the user must read is not greyed out with its group.
    static constexpr const char* kAlwaysReadable = "zorvikAlwaysReadable";
    // A label with this property set gets its text and colours from its
    // window (the status line holds a refusal); the binder leaves them alone.
    static constexpr const char* kWindowDrawn = "zorvikWindowDrawn";

    // What closing the window by its frame does.  Unset: the form is hidden.
    std::function<void()> on_close_request;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connect_widget(Control& c, QWidget* w);
    void connect_timer(Timer& t);
    void model_changed(Control& c);
    void schedule(Control& c);
    void push(Control& c);
    void push_colours(Control& c, QWidget* w);
    void push_timer(Timer& t);
    void push_form();
    void run_timer(Timer& t);
    void option_clicked(OptionButton& o, QWidget* w);

    Form& form_;
    QPointer<QWidget> window_;
    std::unordered_map<Control*, QPointer<QWidget>> widgets_;
    std::unordered_map<Control*, QTimer*> timers_;
    std::unordered_map<Control*, uint32_t> soon_seen_; // fire_soon requests taken
    std::unordered_map<Control*, std::pair<Colour, Colour>> shown_colours_;
    std::vector<Control*> dirty_;
    bool flush_posted_ = false;
    bool in_timer_ = false;
};

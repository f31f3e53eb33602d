#pragma once
// The view model: plain objects that stand for the named controls of a window.
// The program's procedures read and set them as they would the real controls;
// the Qt view mirrors them by name (app/), and tests inspect them directly.
#include <QString>
#include <QStringList>

#include "ui/firmware_tag.h"

#include <cstdint>
#include <functional>
#include <vector>

// Windows colour values 0x00BBGGRR; values with the top bit set are system colours.
using Colour = uint32_t;
inline constexpr Colour kWhite = 0xFFFFFF, kGrey = 0x808080, kRed = 0x0000FF, kYellow = 0x00FFFF,
                        kGreen = 0x00C000, kDarkGreen = 0x004000, kLightGreen = 0x80FF80,
                        kSilver = 0xC0C0C0;
inline constexpr Colour kButtonFace = 0x8000000F, kButtonText = 0x80000012,
                        kWindowBackground = 0x80000005, kWindowText = 0x80000008;
inline constexpr Colour rgb(int r, int g, int b) {
    return Colour(r | (g << 8) | (b << 16));
}

class Form;

enum class ControlKind {
    Label,
    Button,
    TextBox,
    CheckBox,
    OptionButton,
    ComboBox,
    Shape,
    ProgressBar,
    Slider,
    Timer,
    Frame,
    TabControl,
    Grid,
    Image
};

class Control {
public:
    Control(Form& owner, ControlKind kind, QString name, QString text = {},
            FirmwareTag tag = FirmwareTag::None);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    ControlKind kind() const { return kind_; }
    const QString& name() const { return name_; }

    // Caption of labels, buttons, frames and check boxes; text of text boxes.
    const QString& text() const { return text_; }
    void set_text(const QString& t);
    // Runs after every change of text (the status line's history listens).
    std::function<void()> on_text_changed;

    bool enabled() const { return enabled_; }
    void set_enabled(bool e);
    bool visible() const { return visible_; }
    void set_visible(bool v);

    // Version tag; 0 stands for an empty tag.
    int tag() const { return tag_; }
    void set_tag(int t) { tag_ = t; }

    Colour back_colour() const { return back_; }
    void set_back_colour(Colour c);
    Colour fore_colour() const { return fore_; }
    void set_fore_colour(Colour c);

    // Which tab of the main window's tab control holds it; -1 outside the tabs.
    int tab() const { return tab_; }
    void set_tab(int t) { tab_ = t; }

protected:
    void changed();
    Form& owner_;

private:
    ControlKind kind_;
    QString name_;
    QString text_;
    bool enabled_ = true;
    bool visible_ = true;
    int tag_ = 0;
    int tab_ = -1;
    Colour back_ = kButtonFace;
    Colour fore_ = kButtonText;
};

class Label : public Control {
public:
    Label(Form& f, QString name, QString text = {}, FirmwareTag tag = FirmwareTag::None)
        : Control(f, ControlKind::Label, std::move(name), std::move(text), tag) {}
};

class Frame : public Control {
public:
    Frame(Form& f, QString name, QString text = {}, FirmwareTag tag = FirmwareTag::None)
        : Control(f, ControlKind::Frame, std::move(name), std::move(text), tag) {}
};

class Image : public Control {
public:
    Image(Form& f, QString name) : Control(f, ControlKind::Image, std::move(name)) {}
};

class Button : public Control {
public:
    Button(Form& f, QString name, QString text = {}, FirmwareTag tag = FirmwareTag::None)
        : Control(f, ControlKind::Button, std::move(name), std::move(text), tag) {}
    // The procedure run when the button is pressed.
    std::function<void()> on_click;
    void click() {
        if (enabled() && on_click) on_click();
    }
};

class TextBox : public Control {
public:
    TextBox(Form& f, QString name, QString text = {}, FirmwareTag tag = FirmwareTag::None)
        : Control(f, ControlKind::TextBox, std::move(name), std::move(text), tag) {
        set_back_colour(kWindowBackground);
        set_fore_colour(kWindowText);
    }
};

class CheckBox : public Control {
public:
    CheckBox(Form& f, QString name, QString text = {}, FirmwareTag tag = FirmwareTag::None)
        : Control(f, ControlKind::CheckBox, std::move(name), std::move(text), tag) {}
    // 0 unchecked, 1 checked, 2 greyed.
    int value() const { return value_; }
    void set_value(int v);
    std::function<void()> on_click; // runs on every change of value
private:
    int value_ = 0;
};

class OptionButton : public Control {
public:
    OptionButton(Form& f, QString name, QString text = {}, FirmwareTag tag = FirmwareTag::None)
        : Control(f, ControlKind::OptionButton, std::move(name), std::move(text), tag) {}
    bool value() const { return value_; }
    void set_value(bool v);

private:
    bool value_ = false;
};

class ComboBox : public Control {
public:
    ComboBox(Form& f, QString name, QString text = {}, FirmwareTag tag = FirmwareTag::None)
        : Control(f, ControlKind::ComboBox, std::move(name), std::move(text), tag) {
        set_back_colour(kWindowBackground);
        set_fore_colour(kWindowText);
    }
    const QStringList& items() const { return items_; }
    // What the list says beside each entry (an adapter's make); empty for none.
    const QStringList& notes() const { return notes_; }
    int list_count() const { return int(items_.size()); }
    void clear();
    void add_item(const QString& item, const QString& note = {});
    // -1 when nothing is selected.
    int list_index() const { return index_; }
    // Selecting an entry, by the user or by the program, runs on_click.
    void set_list_index(int i);
    // Text of the selected entry, or the box's text when none is selected.
    QString selected_text() const;
    std::function<void()> on_click;

private:
    QStringList items_;
    QStringList notes_;
    int index_ = -1;
};

class Shape : public Control {
public:
    Shape(Form& f, QString name, Colour fill, FirmwareTag tag = FirmwareTag::None)
        : Control(f, ControlKind::Shape, std::move(name), {}, tag), fill_(fill) {}
    Colour fill_colour() const { return fill_; }
    void set_fill_colour(Colour c);

private:
    Colour fill_;
};

class ProgressBar : public Control {
public:
    ProgressBar(Form& f, QString name, int max = 100)
        : Control(f, ControlKind::ProgressBar, std::move(name)), max_(max) {}
    int min() const { return min_; }
    int max() const { return max_; }
    int value() const { return value_; }
    void set_max(int m);
    void set_value(int v);

private:
    int min_ = 0, max_, value_ = 0;
};

class Slider : public Control {
public:
    Slider(Form& f, QString name, int min, int max, FirmwareTag tag = FirmwareTag::None)
        : Control(f, ControlKind::Slider, std::move(name), {}, tag), min_(min), max_(max) {}
    int min() const { return min_; }
    int max() const { return max_; }
    int value() const { return value_; }
    void set_value(int v);
    std::function<void()> on_change;

private:
    int min_, max_, value_ = 0;
};

// A timer is a control of its window: enabled means running.  The Qt view
// drives it; tests call its handler directly.
class Timer : public Control {
public:
    Timer(Form& f, QString name, int interval_ms, bool enabled_at_start)
        : Control(f, ControlKind::Timer, std::move(name)), interval_(interval_ms) {
        set_enabled(enabled_at_start);
    }
    int interval() const { return interval_; }
    std::function<void()> on_timer;
    // Asks for one tick as soon as the event loop is free, the rhythm going
    // on from there; for a cycle whose first answer the user is waiting for.
    void fire_soon() {
        ++soon_;
        changed();
    }
    uint32_t soon_requests() const { return soon_; }

private:
    int interval_;
    uint32_t soon_ = 0;
};

class TabControl : public Control {
public:
    TabControl(Form& f, QString name, QStringList captions)
        : Control(f, ControlKind::TabControl, std::move(name)), captions_(std::move(captions)) {}
    const QStringList& captions() const { return captions_; }
    int current() const { return current_; }
    void set_current(int i);
    std::function<void()> on_click; // a switch of tabs
private:
    QStringList captions_;
    int current_ = 0;
};

// A grid of text cells (rows and columns from 0; row 0 is the header).
class Grid : public Control {
public:
    Grid(Form& f, QString name, int rows, int cols, FirmwareTag tag = FirmwareTag::None);
    int rows() const { return rows_; }
    int cols() const { return cols_; }
    void set_rows(int r);
    QString cell(int r, int c) const;
    void set_cell(int r, int c, const QString& t);
    // The row the view scrolls into sight; 0 when none was asked for.
    int shown_row() const { return shown_row_; }
    void show_row(int r);

private:
    int rows_, cols_;
    int shown_row_ = 0;
    std::vector<QString> cells_;
};

// A window of the view model: knows its controls by name, in creation order,
// and tells a listener (the Qt view) whenever one of them changes.
class Form {
public:
    explicit Form(QString name, QString caption)
        : name_(std::move(name)), caption_(std::move(caption)) {}
    virtual ~Form() = default;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const QString& name() const { return name_; }
    const QString& caption() const { return caption_; }
    bool visible() const { return visible_; }
    void set_visible(bool v) {
        visible_ = v;
        if (on_form_changed) on_form_changed();
    }

    const std::vector<Control*>& controls() const { return controls_; }
    Control* find(const QString& name) const;

    std::function<void(Control&)> on_control_changed;
    std::function<void()> on_form_changed;

private:
    friend class Control;
    void add(Control* c) { controls_.push_back(c); }
    void notify(Control& c) {
        if (on_control_changed) on_control_changed(c);
    }

    QString name_;
    QString caption_;
    bool visible_ = false;
    std::vector<Control*> controls_;
};

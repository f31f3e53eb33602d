#pragma once
// The main window `frmSerial`: the port, address and identity strip at the
// top, the live values on the left, the four tabs on the right, the status
// line at the bottom.  Layout only; the binder connects it to the view model.
// main_window_pages.cpp lays out the groups and tabs, main_window_fit.cpp
// sizes the window to its screen.
#include "app/about_box.h"
#include "app/widget_set.h"

#include <QMainWindow>

#include <vector>

class MainForm;
class MessageList;
class QAbstractButton;
class QLabel;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(const MainForm& form, QWidget* parent = nullptr);

    QWidget* control(const QString& name) const { return widgets_[name]; }
    // Greys the live values while they are stale and shows how old they are.
    void show_data_age(bool stale, const QString& note);
    MessageList* messages() const { return messages_; }
    class StatusLine* status_line() const {
        return status_line_;
    }
    // Place and size from an earlier run (QWidget::saveGeometry), taken when
    // the window is first shown instead of fitting it to the screen.
    void set_saved_geometry(const QByteArray& g) { saved_geometry_ = g; }
    // What the About box says of this build.
    void set_about(const AboutInfo& info) { about_ = info; }

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QWidget* build_strip();
    QWidget* build_values();
    QWidget* build_settings_tab();
    QWidget* build_calibration_tab();
    QWidget* build_generator_tab();
    QWidget* build_firmware_tab();

    // Tooltips: the indicators' colours and the firmware a control needs.
    void explain(const MainForm& form);
    QSize wanted_size(QSize content) const;
    // Puts side-by-side groups one above the other, as few as it takes for
    // the controls to fit `width` (a narrow or highly scaled screen), so that
    // the window scrolls only up and down.  It never puts them back side by
    // side: a window that changes its arrangement as texts come and go would
    // make controls jump under the mouse.
    void fold_to_width(int width);
    void grow_to_content(bool whole_height = false);
    // A line of `w`'s font: the unit the window's sizes are counted in, so
    // that they follow its scaling.
    static int em(const QWidget* w) { return w->fontMetrics().height(); }

    WidgetSet widgets_;
    QLabel* age_ = nullptr;
    MessageList* messages_ = nullptr;
    class StatusLine* status_line_ = nullptr;
    class QDockWidget* dock_ = nullptr;
    class QScrollArea* scroll_ = nullptr;
    QWidget* content_ = nullptr; // everything but the status line, scrolled on small screens
    std::vector<class QBoxLayout*> foldable_; // rows fold_to_width may stack, first first
    QByteArray saved_geometry_;
    AboutInfo about_;
    bool fitted_ = false;
    bool grow_posted_ = false;
};

// Clicking `caption` clicks `target`, as with a check box's own text: the
// window shows options and their captions as separate controls.
void link_caption(QLabel* caption, QAbstractButton* target);

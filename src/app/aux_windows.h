#pragma once
// The three small windows: the calibration table `Form3`, the level shift
// `Form4` and the start-up splash `Form2`.  Layout only.
#include "app/widget_set.h"

#include <QPixmap>
#include <QWidget>

class TableForm;
class ShiftForm;
class SplashForm;

class TableWindow : public QWidget {
    Q_OBJECT
public:
    explicit TableWindow(const TableForm& form, QWidget* parent = nullptr);
    // Opens centred over `w` (the main window).
    void set_anchor(QWidget* w) { anchor_ = w; }
    // Shows an error of the table's work in the window itself, until it closes.
    void show_error(const QString& text);
    // The title names where the cells came from; while a read from the
    // sensor is on its way the cells are greyed and the window says so.
    void show_source(const QString& caption, const QString& source, bool reading);

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    // As tall as the whole table where the screen allows, never taller than
    // the screen; the rows scroll when they do not fit.
    void fit_to_screen();
    WidgetSet widgets_;
    QWidget* anchor_ = nullptr;
    class QLabel* error_ = nullptr;
    class QLabel* reading_ = nullptr;
    class QScrollArea* cells_scroll_ = nullptr;
    bool fitted_ = false;
};

class ShiftWindow : public QWidget {
    Q_OBJECT
public:
    explicit ShiftWindow(const ShiftForm& form, QWidget* parent = nullptr);
    void set_anchor(QWidget* w) { anchor_ = w; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    WidgetSet widgets_;
    QWidget* anchor_ = nullptr;
};

class SplashWindow : public QWidget {
    Q_OBJECT
public:
    explicit SplashWindow(const SplashForm& form, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* e) override;

private:
    WidgetSet widgets_;
};

// The splash picture: a fuel tank with the probe standing in it and the
// name, drawn at run time so that it is sharp at any scaling.
QPixmap splash_picture(qreal device_pixel_ratio);

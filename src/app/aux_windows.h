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
    // Shows an error of the table's work in the window itself, until it closes.
    void show_error(const QString& text);

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    // As tall as the whole table where the screen allows, never taller than
    // the screen; the rows scroll when they do not fit.
    void fit_to_screen();
    WidgetSet widgets_;
    class QLabel* error_ = nullptr;
    class QScrollArea* cells_scroll_ = nullptr;
    bool fitted_ = false;
};

class ShiftWindow : public QWidget {
    Q_OBJECT
public:
    explicit ShiftWindow(const ShiftForm& form, QWidget* parent = nullptr);

private:
    WidgetSet widgets_;
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

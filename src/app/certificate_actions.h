#pragma once
// The "Тарировка" tab's control refuelling and calibration certificate: a
// group of its own beside the auto-calibration, built here and wired to the
// configurator.  The tolerance and the engineer's name are remembered in the
// program's settings.
#include "tables/control_refuel.h"

#include <QObject>

class QLabel;
class QLineEdit;
class QSettings;
class QWidget;
struct Configurator;

// The group's widgets, for the tab's layout: the buttons "control_refuel" and
// "certificate", the tolerance box "refuel_tolerance", the result
// "refuel_result".
QWidget* make_certificate_panel(QWidget* parent);

class CertificateActions : public QObject {
public:
    // `main` holds the panel; `settings` may be null (nothing remembered).
    CertificateActions(Configurator& c, QWidget& main, QSettings* settings);

    // "Протокол тарировки…": the fields, a file, the PDF written whole.
    void certificate();
    // "Контрольная заправка": one press.
    void refuel();
    const ControlRefuel& refuelling() const { return refuel_; }

private:
    Configurator& c_;
    QWidget& main_;
    QSettings* settings_;
    QLineEdit* tolerance_ = nullptr;
    QLabel* result_ = nullptr;
    ControlRefuel refuel_;
    QString customer_, vehicle_, tank_; // for the next certificate of this run
};

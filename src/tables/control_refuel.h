#pragma once
// "Контрольная заправка" on the "Тарировка" tab: the level before, the litres
// put in, the level after, and what the table in the table window predicts
// for the change against those litres.  The result goes into the run log and
// is kept for the calibration certificate.
#include "protocol/refuel_check.h"

#include <QString>

#include <optional>

struct Configurator;

struct ControlRefuel {
    std::optional<double> before;    // recorded; the next press finishes the check
    std::optional<RefuelCheck> last; // the last finished check
};

// One press.  The first records the level shown and asks for the sensor's
// table (so the check uses what the sensor holds); the second asks the litres
// put in, records the level after and checks.  Returns what the tab shows
// under the button; messages and the run log say the rest.
QString control_refuel_click(Configurator& c, ControlRefuel& r, double tolerance);

// The tolerance as typed in its box: a percentage above 0 and up to 100.
std::optional<double> tolerance_of(const QString& text);

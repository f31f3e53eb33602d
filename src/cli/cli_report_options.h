#pragma once
// What check-refuel and report are given on the command line.
#include <QString>

#include <optional>

// A control refuelling: the levels before and after, the litres put in, the
// tolerance in % of the table's largest litres.
struct RefuelArgs {
    double before = 0;
    double after = 0;
    double litres = 0;
    double tolerance = 2;
};

struct ReportArgs {
    QString recording; // --recording
    QString table;     // --table; empty: the sensor's, or the recording's fit
    QString customer, vehicle, tank, engineer;
    std::optional<RefuelArgs> refuel; // report: when --before, --after and --litres are given
};

#pragma once
// The calibration certificate for the customer: who, which sensor, which
// tank, the recording, the table the sensor holds with its error against
// every recorded point, a plot, the control refuelling, signatures; a footer
// with the SHA-256 of the recording and of the table, so a later copy of
// either can be checked against the paper.
//
// The facts are gathered here from the files' bytes; the pages are drawn by
// certificate_pdf.  The same facts always give the same pages.
#include "protocol/calibration_table.h"
#include "protocol/refuel_check.h"
#include "protocol/result.h"
#include "protocol/table_fit.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// What is said of the sensor; each a text as shown, "—" when not known.
struct SensorFacts {
    QString serial, firmware, empty, full, mode, alarm;
    static SensorFacts unknown();
};

struct CertificateInputs {
    QDateTime when;
    QString customer, vehicle, tank, engineer;
    SensorFacts sensor = SensorFacts::unknown();
    QString recording_name;                // the file's name, as the page shows it
    QByteArray recording;                  // the trr file's bytes
    std::optional<CalibrationTable> table; // none: the table fitted to the recording
    QString table_source;                  // where the table came from, for the page
    std::optional<RefuelCheck> refuel;
};

struct RecordingRow {
    QString row, litres, level;         // the file's texts
    std::optional<double> table_litres; // at a level that is a number
    std::optional<double> error;        // table_litres - litres
};

struct CertificateFacts {
    CertificateInputs in;
    std::vector<RecordingRow> rows;
    CalibrationTable table;
    QString table_source;
    std::vector<TablePoint> table_points; // with the fixed 0 -> 0 row
    std::vector<TablePoint> recorded;     // the usable points
    QString recording_notice;             // rows skipped or merged
    WorstPoint worst;                     // over the usable points
    int top_litres = 0;                   // the largest recorded litres
    QString recording_sha256, table_sha256;
};

// Refused (naming the recording) when the recording is no recording or the
// table cannot convert levels (readings not rising, litres falling).
Result<CertificateFacts> certificate_facts(CertificateInputs in);

// The bytes whose SHA-256 stands for the table: the zvk file the program
// writes for it (40 lines, Windows-1251, CR LF).
QByteArray table_file_bytes(const CalibrationTable& t);
QString sha256_hex(const QByteArray& bytes);

// "max error" in the page's words.
QString worst_text(const CertificateFacts& f);

#pragma once
// The files of the table's way to a fleet platform: recordings, table files
// and platform tables read through the file guard (which also writes them
// whole).  Every error names the file.
#include "protocol/calibration_file.h"
#include "protocol/calibration_table.h"
#include "protocol/platform_table.h"
#include "protocol/result.h"

#include <QByteArray>
#include <QString>

#include <vector>

// A recording's usable points (see recorded_points).
Result<RecordedPoints> read_recording(const QString& path);
// A table file whose last block of 40 lines holds whole numbers 0..32767.
Result<CalibrationTable> read_table_file(const QString& path);
// A platform table's points.
Result<std::vector<TablePoint>> read_platform_file(const QString& path, PlatformFormat f);

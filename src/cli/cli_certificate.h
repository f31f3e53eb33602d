#pragma once
// zorvik-cli check-refuel and report: the control refuelling against a table,
// and the calibration certificate as a PDF.
#include "cli/cli_command_line.h"
#include "cli/cli_runner.h"

#include <QCoreApplication>

#include <functional>
#include <memory>
#include <optional>

// check-refuel: the levels outside the table's tolerance.
inline constexpr int kCliOutsideTolerance = 3;

// The arguments of check-refuel and report (`inv.command` set).
CliParse parse_certificate_args(const QStringList& args, Invocation inv);

// check-refuel: no port, no run log.  0 within the tolerance, 3 outside it,
// 2 bad input.
int run_check_refuel(const Invocation& inv, CliConsole& console);

// report: the files and --out checked first; then, given a line, the sensor
// read; then the PDF written whole.  Without a line the sensor's lines are "—".
int run_report(const Invocation& inv, std::optional<CliLine> line, CliConsole& console,
               const Clock& clock, const std::function<QString()>& log_folder);

// report draws text, which needs Qt's GUI side (fonts), never a display: it
// gets a QGuiApplication on the offscreen platform.  Every other command a
// QCoreApplication.
std::unique_ptr<QCoreApplication> make_cli_application(const Invocation& inv, int& argc,
                                                       char** argv);

#pragma once
// zorvik-cli profile save|show|diff|apply: a sensor's whole setup in a JSON
// file, through the window's own requests, replies and run-log records.
#include "cli/cli_runner.h"

// profile diff: the sensor differs from the profile.
inline constexpr int kCliDiffers = 3;

// save, diff and apply.  A bad profile is refused before the port is opened.
int run_profile(const Invocation& inv, CliLine line, CliConsole& console, const Clock& clock,
                const std::function<QString()>& log_folder);
// show: no port, no run log.
int run_profile_show(const Invocation& inv, CliConsole& console);

struct SensorSetup;
// Reads the sensor at --address as profile save does (identity, state and,
// where its firmware has one, the table) and hands it to `use`, whose status
// ends the run.  No answer or a refusal says why and gives status 1.
int run_sensor_read(const Invocation& inv, CliLine line, CliConsole& console, const Clock& clock,
                    const std::function<QString()>& log_folder,
                    const std::function<int(const SensorSetup&)>& use);

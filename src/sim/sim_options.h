#pragma once
// The command line of zorvik-sim.
#include "sim/sim_line.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

struct SimSensorSpec {
    uint8_t address = 0;
    uint8_t version = 0;
    std::optional<uint32_t> serial;
    uint32_t password = 0; // 0: the sensor takes changes without one
};

struct SimFaultSpec {
    uint8_t address = 0;
    SimFaultPlan plan;
};

struct SimOptions {
    QString link;
    // Serve the line on 127.0.0.1 as well: raw TCP, telnet with RFC 2217
    // (0: any free port, printed at start).
    std::optional<uint16_t> tcp_port;
    std::optional<uint16_t> rfc2217_port;
    std::vector<SimSensorSpec> sensors; // empty: the demo line
    bool wire_timing = false;
    bool bootloader = false;
    // The first sensor's bootloader refuses to write the flash block that
    // starts here (worn-out flash), to see an upload fail.
    std::optional<uint32_t> worn_block;
    // The first sensor's loader refuses to let its memory be read.
    bool read_protected = false;
    std::vector<SimFaultSpec> faults;
    uint64_t seed = 1; // the draws of the faults
    // Another master on the line (a telematics terminal) polls every sensor
    // in turn, a poll every this many ms (0: as fast as the line carries
    // them), once a client has opened the line.
    std::optional<int> terminal_ms;
    // --make-image FILE: write a firmware image for the simulated loader and exit.
    QString make_image;
    bool help = false;
    bool version = false; // --version: print the name and version and exit
};

// Parses the arguments after the program name.  On a bad option or value the
// result is empty and `error` says what is wrong.
std::optional<SimOptions> parse_sim_options(const QStringList& args, QString& error);

// The text of --help.
QString sim_usage();

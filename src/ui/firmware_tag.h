#pragma once
// Version tags: what ties a control (or an operation) to the open port or to
// the firmware version code from which a sensor understands it.

#include <cstdint>

enum class FirmwareTag : int16_t {
    None = 0,   // never gated
    Port = 9,   // needs an open port, any firmware
    V130 = 130, // analog and frequency output
    V131 = 131, // periodic output
    V134 = 134,
    V163 = 163, // passwords, periodic RS-485 and RS-232 output
    V170 = 170, // alarm level, calibration table in litres
    V171 = 171, // levels entered directly
    V172 = 172,
    V176 = 176, // smoothing level, thermal compensation
    V200 = 200, // percent conversion, angle and quality
};

constexpr int tag_value(FirmwareTag t) {
    return int(t);
}

// The firmware version code a tag asks for; 0 for the port and untagged.
constexpr int needed_version(FirmwareTag t) {
    return int(t) >= int(FirmwareTag::V130) ? int(t) : 0;
}

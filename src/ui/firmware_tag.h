#pragma once
// Version tags: what ties a control (or an operation) to the open port or to
// the firmware version code from which a sensor understands it.

// A firmware tag's value is the first firmware version code of its group.
#include "protocol/firmware_capabilities.h"

#include <cstdint>

enum class FirmwareTag : int16_t {
    None = 0, // never gated
    Port = 9, // needs an open port, any firmware
    V130 = first_firmware(Capability::AnalogFrequencyOutput),
    V131 = first_firmware(Capability::PeriodicOutput),
    V134 = first_firmware(Capability::Group134),
    V163 = first_firmware(Capability::Passwords),
    V170 = first_firmware(Capability::AlarmLevel),
    V171 = first_firmware(Capability::DirectLevels),
    V172 = kLevelIn256StepsFirmware,
    V176 = first_firmware(Capability::ExtendedMode),
    V200 = first_firmware(Capability::AngleQuality),
};

constexpr int tag_value(FirmwareTag t) {
    return int(t);
}

// The firmware version code a tag asks for; 0 for the port and untagged.
constexpr int needed_version(FirmwareTag t) {
    return int(t) >= int(FirmwareTag::V130) ? int(t) : 0;
}

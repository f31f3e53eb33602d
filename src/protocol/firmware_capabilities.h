#pragma once
// What a sensor understands, by its firmware version code (the three digits
// of its version read as one number: 176 for 1.7.6).  Every check of a
// firmware number in the program asks this table; the reason for each
// threshold stands beside it, and nowhere else.

enum class Capability {
    AnalogFrequencyOutput, // the analog and frequency outputs
    PeriodicOutput,        // periodic output of the level
    Group134,              // a group of its own, with no control of the main window
    Passwords,             // passwords, periodic RS-485 and RS-232 output
    AlarmLevel,            // the low-fuel alarm level (position 22 of the state reply)
    CalibrationTable,      // the 20-point table in litres, read and written
    DirectLevels,          // empty and full entered as values
    WriteTrailer,          // configuration-changing requests carry the write trailer,
                           // and a mode confirmation may carry the extended mode byte
    ExtendedMode,          // the extended mode byte (smoothing level, thermal
                           // compensation) in the state reply and the mode request
    AngleQuality,          // percent conversion, angle and quality
};

// The first firmware version code that has `c`.
constexpr int first_firmware(Capability c) {
    switch (c) {
    case Capability::AnalogFrequencyOutput:
        return 130;
    case Capability::PeriodicOutput:
        return 131;
    case Capability::Group134:
        return 134;
    case Capability::Passwords:
        return 163;
    case Capability::AlarmLevel:
    case Capability::CalibrationTable:
        return 170;
    case Capability::DirectLevels:
        return 171;
    case Capability::WriteTrailer:
        return 175;
    case Capability::ExtendedMode:
        return 176;
    case Capability::AngleQuality:
        return 200;
    }
    return 0;
}

constexpr bool has(int firmware, Capability c) {
    return firmware >= first_firmware(c);
}

// One version, not a threshold: 1.7.2 measures the level in 256 steps rather
// than 4096, which the level display must know.
constexpr int kLevelIn256StepsFirmware = 172;
constexpr bool level_in_256_steps(int firmware) {
    return firmware == kLevelIn256StepsFirmware;
}

#pragma once
// The sensor's configuration bytes: the mode byte and, from firmware 1.7.6 on,
// the extended mode byte.  One table of bits for composing a request, showing
// a reported mode and building relay strings.
#include <array>
#include <cstdint>
#include <optional>

// The output interface; bits 1, 2 and 4 of the mode byte carry it together.
enum class OutputInterface : uint8_t {
    Rs485 = 0x00,
    Analog = 0x02,
    Frequency = 0x04,
    Periodic = 0x06,
    PeriodicRs485 = 0x10,
    Rs232 = 0x12,
};

// In the order the mode controls list them (and test them when composing).
inline constexpr std::array<OutputInterface, 6> kOutputInterfaces = {
    OutputInterface::Rs485,    OutputInterface::Analog,        OutputInterface::Frequency,
    OutputInterface::Periodic, OutputInterface::PeriodicRs485, OutputInterface::Rs232};

struct ModeByte {
    static constexpr uint8_t kInvert = 0x01;
    static constexpr uint8_t kOutputMask = 0x16;
    static constexpr uint8_t kSmoothing = 0x08;
    static constexpr uint8_t kPercent = 0x20;
    static constexpr uint8_t kLitres = 0x40;
    static constexpr uint8_t kRange4096 = 0x80;

    // Empty when decoded from a byte whose output bits name no interface
    // (0x14, 0x16: sensors do not report them).
    std::optional<OutputInterface> output = OutputInterface::Rs485;
    bool invert = false;
    bool smoothing = false;
    bool range4096 = false;
    bool litres = false;
    bool percent = false;

    uint8_t encode() const;
    static ModeByte decode(uint8_t byte);
    bool operator==(const ModeByte&) const = default;
};

struct ExtendedMode {
    static constexpr uint8_t kLevelMask = 0x0F;
    static constexpr uint8_t kAngle = 0x10;
    static constexpr uint8_t kQuality = 0x20;
    static constexpr uint8_t kThermalCompensationOff = 0x80;

    uint8_t smoothing_level = 0; // 0..15; higher values are cut to their low bits
    bool angle = false;
    bool quality = false; // the sensor takes one option: quality wins over angle
    bool thermal_compensation_off = false;

    uint8_t encode() const;
    static ExtendedMode decode(uint8_t byte);
    bool operator==(const ExtendedMode&) const = default;
};

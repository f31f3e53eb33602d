#pragma once
// The simulated RS-485 line: the sensors on it, their ROM bootloaders, the
// faults a test wants to see, and the timing of what comes back.  It hears one
// request burst at a time and says which bytes go back and when; the in-process
// port (sim_port.h) and the pseudo-terminal server (pty_server.h) put those
// bytes on their wire.
#include "sim/rom_bootloader.h"
#include "sim/sim_sensor.h"

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <vector>

enum class SimFault {
    None,
    Silent,  // the sensor does not answer (and misses the network scan)
    Garbage, // a few bytes of line noise instead of the reply
    BadCrc,  // the reply with a wrong CRC byte
    Split,   // the reply in two parts with a pause longer than 20 ms between them
    Late,    // the reply comes after the configurator has stopped waiting
};

// Bytes going back on the line.  The first byte starts `offset_us` after the
// request has been heard in full; with wire timing the bytes follow one
// another at SimLine::kByteUs, otherwise they are all there at once.
struct LinePiece {
    int64_t offset_us;
    QByteArray bytes;
};
using LineAnswer = std::vector<LinePiece>;

// A sensor's standing faults, as zorvik-sim's --faults gives them: replies
// lost or spoilt by chance (drawn from the line's seed, so a run repeats
// exactly), an adapter that echoes the request, a slow answer.
struct SimFaultPlan {
    double silent_pct = 0; // replies (and scan answers) not sent
    double badcrc_pct = 0; // replies with a wrong CRC byte
    bool echo = false;     // the request's own bytes come back first
    int delay_ms = 0;      // added to the turnaround
    bool twin = false;     // a second sensor answers at this address
    bool operator==(const SimFaultPlan&) const = default;
};

class SimLine {
public:
    static constexpr int kByteUs = 521; // 10 bits at 19200 baud
    static constexpr int kSensorTurnaroundUs = 3'000;
    static constexpr int kBootTurnaroundUs = 1'000;
    static constexpr int kDefaultLateMs = 1'500; // past the 1 s tick and the 256 ms read
    static constexpr int kDefaultSplitPauseMs = 40;

    explicit SimLine(uint64_t seed = 1);

    // Three sensors of different generations at addresses 1, 5 and 12 with
    // firmware version codes 130, 163 and 176: the demo line.  The sensor at 1
    // is the one switched on when a firmware upload starts.
    static SimLine demo(uint64_t seed = 1);

    SimSensor& add_sensor(const SimSensorConfig& config);
    SimSensor& add_sensor(uint8_t address, uint8_t version, std::optional<uint32_t> serial = {});
    int sensor_count() const { return static_cast<int>(nodes_.size()); }
    SimSensor& sensor_at(int index) { return nodes_.at(static_cast<size_t>(index)).sensor; }
    // The first sensor now living at `address`, or null.
    SimSensor* sensor(uint8_t address);

    // Bytes paced at 19200 baud, replies a few ms after the request, realistic
    // programming times in the bootloader.  Off: everything comes back at once.
    void set_wire_timing(bool on) { wire_timing_ = on; }
    bool wire_timing() const { return wire_timing_; }
    int64_t wire_us(int bytes) const { return wire_timing_ ? int64_t{bytes} * kByteUs : 0; }

    // Faults for the sensor(s) at `address`: the next `times` replies (every
    // reply when negative) are spoilt.  The network scan only knows Silent.
    void inject_fault(uint8_t address, SimFault fault, int times = -1);
    void clear_faults();
    // Standing faults for the sensor(s) at `address`, on top of inject_fault.
    void set_fault_plan(uint8_t address, const SimFaultPlan& plan);
    void set_late_delay_ms(int ms) { late_ms_ = ms; }
    void set_split_pause_ms(int ms) { split_pause_ms_ = ms; }

    // Power off and on.  Into the ROM bootloader when `into_bootloader`, as a
    // sensor wired for flashing does; otherwise the sensor starts its program
    // (frequency output and a presented password are forgotten).
    void power_cycle(uint8_t address, bool into_bootloader = false);
    void enter_bootloader(uint8_t address) { power_cycle(address, true); }
    bool in_bootloader(uint8_t address) const;
    // When the host sends synchronisation bytes while no part is in its
    // bootloader, the sensor at `address` is switched on into it, as a user
    // does who follows the upload's instruction.  Empty: nobody is.
    void power_on_at_sync(std::optional<uint8_t> address) { power_on_at_sync_ = address; }
    // The bootloader (and so the memory) of the sensor at `address`, or null.
    RomBootloader* bootloader(uint8_t address);

    // Whether a part in its bootloader answers `burst` as it stands: the burst
    // has ended for it with its last byte.
    bool loader_answers(const QByteArray& burst) const;

    // One request burst, heard in full at `t_us`; what goes back.
    LineAnswer hear(const QByteArray& burst, int64_t t_us);

private:
    struct Node {
        SimSensor sensor;
        RomBootloader rom;
        bool in_bootloader = false;
        SimFault fault = SimFault::None;
        int fault_times = 0;
        SimFaultPlan plan;
        uint64_t draws = 0;
    };
    // True with the chance `pct` percent, the next of the node's draws.
    bool chance(Node& n, double pct);
    Node* node(uint8_t address);
    const Node* node(uint8_t address) const;
    SimFault take_fault(Node& n);
    void answer_scan(LineAnswer& out);
    void spoil(SimFault fault, QByteArray reply, LineAnswer& out, int64_t delay_us = 0);

    std::vector<Node> nodes_;
    bool wire_timing_ = false;
    int late_ms_ = kDefaultLateMs;
    int split_pause_ms_ = kDefaultSplitPauseMs;
    uint64_t seed_;
    uint64_t noise_count_ = 0;
    std::optional<uint8_t> power_on_at_sync_;
};

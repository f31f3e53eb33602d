#include "sim/sim_line.h"

#include "protocol/codes.h"
#include "protocol/frame_codec.h"

#include <algorithm>

SimLine::SimLine(uint64_t seed) : seed_(seed) {}

SimLine SimLine::demo(uint64_t seed) {
    SimLine line(seed);
    line.add_sensor(1, 130);
    line.add_sensor(5, 163);
    line.add_sensor(12, 176);
    line.power_on_at_sync(1);
    return line;
}

SimSensor& SimLine::add_sensor(const SimSensorConfig& config) {
    nodes_.push_back(Node{SimSensor(config), RomBootloader(), false, SimFault::None, 0, {}, 0});
    return nodes_.back().sensor;
}

SimSensor& SimLine::add_sensor(uint8_t address, uint8_t version, std::optional<uint32_t> serial) {
    SimSensorConfig c = default_sensor_config(address, version, serial);
    c.seed ^= seed_ * 0x2545F4914F6CDD1Dull;
    return add_sensor(c);
}

SimLine::Node* SimLine::node(uint8_t address) {
    for (Node& n : nodes_)
        if (n.sensor.address() == address) return &n;
    return nullptr;
}

const SimLine::Node* SimLine::node(uint8_t address) const {
    for (const Node& n : nodes_)
        if (n.sensor.address() == address) return &n;
    return nullptr;
}

SimSensor* SimLine::sensor(uint8_t address) {
    Node* n = node(address);
    return n ? &n->sensor : nullptr;
}

void SimLine::inject_fault(uint8_t address, SimFault fault, int times) {
    for (Node& n : nodes_)
        if (n.sensor.address() == address) {
            n.fault = fault;
            n.fault_times = times;
        }
}

void SimLine::clear_faults() {
    for (Node& n : nodes_) n.fault = SimFault::None;
}

void SimLine::set_fault_plan(uint8_t address, const SimFaultPlan& plan) {
    for (Node& n : nodes_)
        if (n.sensor.address() == address) n.plan = plan;
}

bool SimLine::chance(Node& n, double pct) {
    if (pct <= 0) return false;
    const uint64_t h = sim_hash(seed_ ^ (uint64_t{n.sensor.address()} << 40) ^
                                (++n.draws * 0x9E3779B97F4A7C15ull));
    return double(h % 1'000'000) < pct * 10'000.0;
}

SimFault SimLine::take_fault(Node& n) {
    if (n.fault == SimFault::None) return SimFault::None;
    const SimFault f = n.fault;
    if (n.fault_times > 0 && --n.fault_times == 0) n.fault = SimFault::None;
    return f;
}

void SimLine::power_cycle(uint8_t address, bool into_bootloader) {
    for (Node& n : nodes_)
        if (n.sensor.address() == address) {
            n.sensor.power_cycle();
            n.in_bootloader = into_bootloader;
            if (into_bootloader) n.rom.restart();
        }
}

bool SimLine::in_bootloader(uint8_t address) const {
    const Node* n = node(address);
    return n && n->in_bootloader;
}

RomBootloader* SimLine::bootloader(uint8_t address) {
    Node* n = node(address);
    return n ? &n->rom : nullptr;
}

void SimLine::answer_scan(LineAnswer& out) {
    // Every sensor answers with its address byte in its own time slot, so the
    // answers come back as one burst in address order.
    std::vector<uint8_t> found;
    for (Node& n : nodes_) {
        if (n.in_bootloader) continue;
        if (n.fault == SimFault::Silent) {
            take_fault(n);
            continue;
        }
        if (chance(n, n.plan.silent_pct)) continue;
        found.push_back(n.sensor.address());
    }
    if (found.empty()) return;
    std::stable_sort(found.begin(), found.end());
    QByteArray bytes;
    for (uint8_t a : found) bytes.append(static_cast<char>(a));
    out.push_back({wire_timing_ ? kSensorTurnaroundUs : 0, bytes});
}

void SimLine::spoil(SimFault fault, QByteArray reply, LineAnswer& out, int64_t delay_us) {
    const int64_t start =
        (wire_timing_ ? kSensorTurnaroundUs : 0) + delay_us +
        (out.empty() ? 0
                     : out.back().offset_us + wire_us(static_cast<int>(out.back().bytes.size())));
    switch (fault) {
    case SimFault::Silent:
        return;
    case SimFault::Garbage: {
        const uint64_t h = sim_hash(seed_ ^ (++noise_count_ * 0x9E3779B97F4A7C15ull));
        QByteArray noise;
        const int length = 3 + static_cast<int>(h % 10);
        for (int i = 0; i < length; ++i)
            noise.append(static_cast<char>(sim_hash(h + static_cast<uint64_t>(i)) & 0xFF));
        // Noise that happened to look like a reply would not be noise.
        if (static_cast<uint8_t>(noise[0]) == kReplyStart) noise[0] = static_cast<char>(0x00);
        out.push_back({start, noise});
        return;
    }
    case SimFault::BadCrc:
        reply.back() = static_cast<char>(reply.back() ^ 0xFF);
        break;
    case SimFault::Split: {
        const qsizetype half = std::max<qsizetype>(1, reply.size() / 2);
        out.push_back({start, reply.left(half)});
        out.push_back({start + wire_us(static_cast<int>(half)) + int64_t{split_pause_ms_} * 1000,
                       reply.mid(half)});
        return;
    }
    case SimFault::Late:
        out.push_back({start + int64_t{late_ms_} * 1000, reply});
        return;
    case SimFault::None:
        break;
    }
    out.push_back({start, reply});
}

bool SimLine::loader_answers(const QByteArray& burst) const {
    return std::any_of(nodes_.begin(), nodes_.end(),
                       [&](const Node& n) { return n.in_bootloader && n.rom.would_answer(burst); });
}

LineAnswer SimLine::hear(const QByteArray& burst, int64_t t_us) {
    LineAnswer out;
    const int64_t t_ms = t_us / 1000;

    // The host synchronising with a loader while none is listening: the
    // sensor chosen for it is switched on now, into its bootloader.
    const bool sync_only =
        !burst.isEmpty() && burst.count(static_cast<char>(RomBootloader::kSync)) == burst.size();
    if (sync_only && power_on_at_sync_ &&
        std::none_of(nodes_.begin(), nodes_.end(), [](const Node& n) { return n.in_bootloader; }))
        enter_bootloader(*power_on_at_sync_);

    // A part in its bootloader reads the bytes as bootloader frames; the
    // others hear them too but find no request of theirs in them.
    for (Node& n : nodes_) {
        if (!n.in_bootloader) continue;
        int64_t at = 0;
        for (const RomBootloader::Answer& a : n.rom.hear(burst)) {
            if (wire_timing_) at += kBootTurnaroundUs + a.busy_us;
            out.push_back({at, a.bytes});
            at += wire_us(static_cast<int>(a.bytes.size()));
        }
        if (n.rom.started()) {
            n.in_bootloader = false;
            n.sensor.power_cycle();
            if (n.rom.data_memory_erased()) n.sensor.reset_calibration();
        }
    }

    QByteArray scan;
    scan.append(static_cast<char>(kRequestStart)).append(static_cast<char>(kScanAddress));
    if (burst == Control_summ(scan)) {
        answer_scan(out);
        return out;
    }
    for (Node& n : nodes_) {
        if (n.in_bootloader) continue;
        // An echoing adapter hands the request back as it goes out, answered
        // or not; a twin echoes nothing of its own.
        const bool addressed = burst.size() >= 3 && uint8_t(burst[0]) == kRequestStart &&
                               uint8_t(burst[1]) == n.sensor.address();
        if (n.plan.echo && addressed && &n == node(n.sensor.address())) out.push_back({0, burst});
        std::optional<QByteArray> reply = n.sensor.hear(burst, t_ms);
        if (!reply || chance(n, n.plan.silent_pct)) continue;
        SimFault fault = take_fault(n);
        if (fault == SimFault::None && chance(n, n.plan.badcrc_pct)) fault = SimFault::BadCrc;
        spoil(fault, *reply, out, int64_t{n.plan.delay_ms} * 1000);
    }
    return out;
}

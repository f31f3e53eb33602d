#include "sim/sim_port.h"

#include "protocol/line_settings.h"

#include <QStringList>

#include <algorithm>

namespace {
constexpr int64_t kGapUs = int64_t{SerialPort::kInterByteGapMs} * 1000;
constexpr int64_t kTotalUs = int64_t{SerialPort::kTotalReadMs} * 1000;

} // namespace

SimSerialPort::SimSerialPort(SimLine line, QString device_name, std::shared_ptr<SimTime> time)
    : line_(std::move(line)), device_name_(std::move(device_name)),
      time_(time ? std::move(time) : std::make_shared<SteadySimTime>()) {
    read_timer_.setSingleShot(true);
    read_timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&read_timer_, &QTimer::timeout, [this] {
        const ReadPlan plan = plan_read(read_start_us_);
        time_->sleep_until_us(plan.ends_us);
        QByteArray got = take(plan.count);
        auto done = std::move(read_done_);
        read_done_ = nullptr;
        if (done) done(got);
    });
}

SimSerialPort::~SimSerialPort() = default;

bool SimSerialPort::OpenPort(const QString& device, const QString& settings) {
    ClosePort();
    open_failure_ = OpenFailure::None;
    if (device != device_name_ || vanished_) {
        open_failure_ = OpenFailure::NoSuchDevice;
        return false;
    }
    // A port opened at another speed than the sensors' hears only noise.
    const std::optional<LineSettings> line = parse_line_settings(settings);
    if (!line) {
        open_failure_ = OpenFailure::Setup;
        return false;
    }
    settings_match_ = line->is_sensor_line();
    open_ = true;
    return true;
}

int SimSerialPort::ClosePort() {
    if (!open_) return 0;
    CancelRead();
    open_ = false;
    rx_.clear();
    return 1;
}

void SimSerialPort::DiscardInput() {
    rx_.clear();
}

void SimSerialPort::FlushPort() {
    // Writes are on the line the moment they are made; nothing waits to go out.
}

bool SimSerialPort::PortExists(const QString& name) {
    return name == device_name_ && !vanished_;
}

void SimSerialPort::vanish() {
    vanished_ = true;
    rx_.clear();
}

void SimSerialPort::reappear() {
    vanished_ = false;
}

SimSerialPort::ReadPlan SimSerialPort::plan_read(int64_t start_us) const {
    const bool wire = line_.wire_timing();
    // Without wire timing a read never waits: it takes what has arrived.
    const int64_t limit = wire ? start_us + kTotalUs : start_us;
    int count = 0;
    int64_t last = 0;
    for (const RxByte& b : rx_) {
        if (count == kMaxChunk || b.at_us > limit) break;
        if (count > 0 && b.at_us - last > kGapUs) break; // a pause ends the read
        last = b.at_us;
        ++count;
    }
    if (!wire) return {count, start_us};
    if (count == 0) return {0, limit};
    if (count == kMaxChunk) return {count, std::max(start_us, last)};
    return {count, std::min(limit, std::max(start_us, last + kGapUs))};
}

QByteArray SimSerialPort::take(int count) {
    QByteArray out;
    out.reserve(count);
    for (int i = 0; i < count && !rx_.empty(); ++i) {
        out.append(rx_.front().byte);
        rx_.pop_front();
    }
    return out;
}

QByteArray SimSerialPort::ReadPort() {
    if (!open_ || vanished_) return {};
    const ReadPlan plan = plan_read(time_->now_us());
    if (line_.wire_timing()) time_->sleep_until_us(plan.ends_us);
    QByteArray got = take(plan.count);
    if (got.isEmpty()) FlushPort();
    return got;
}

QByteArray SimSerialPort::ReadExpected(int count, int timeout_ms) {
    if (!open_ || vanished_ || count <= 0) return {};
    const int64_t deadline = time_->now_us() + int64_t{std::max(0, timeout_ms)} * 1000;
    // Bytes come back in order of arrival; the count-th one decides.
    const size_t n = static_cast<size_t>(count);
    if (rx_.size() >= n && rx_[n - 1].at_us <= deadline) {
        time_->sleep_until_us(rx_[n - 1].at_us);
        return take(count);
    }
    time_->sleep_until_us(deadline);
    int there = 0;
    while (there < count && static_cast<size_t>(there) < rx_.size() &&
           rx_[static_cast<size_t>(there)].at_us <= deadline)
        ++there;
    return take(there);
}

uint16_t SimSerialPort::WritePort(const QByteArray& data) {
    if (!open_ || vanished_ || data.isEmpty()) return 0;
    // The request is heard when its last byte has crossed the line.
    const int64_t heard = time_->now_us() + line_.wire_us(static_cast<int>(data.size()));
    if (line_.wire_timing()) time_->sleep_until_us(heard);
    if (tap_) tap_->wrote(data, heard);
    if (settings_match_) {
        const bool wire = line_.wire_timing();
        for (const LinePiece& piece : line_.hear(data, heard)) {
            for (qsizetype i = 0; i < piece.bytes.size(); ++i) {
                const int64_t at =
                    heard + piece.offset_us + (wire ? (i + 1) * SimLine::kByteUs : 0);
                rx_.push_back({at, piece.bytes[i]});
                if (tap_) tap_->heard(piece.bytes.mid(i, 1), at); // each byte when it is in
            }
        }
        std::stable_sort(rx_.begin(), rx_.end(),
                         [](const RxByte& a, const RxByte& b) { return a.at_us < b.at_us; });
    }
    return static_cast<uint16_t>(std::min<qsizetype>(data.size(), 0xFFFF));
}

void SimSerialPort::ReadAsync(std::function<void(QByteArray)> done) {
    CancelRead();
    if (!line_.wire_timing() || !open_ || vanished_) {
        done(ReadPort());
        return;
    }
    read_done_ = std::move(done);
    read_start_us_ = time_->now_us();
    const ReadPlan plan = plan_read(read_start_us_);
    const int64_t wait_us = std::max<int64_t>(0, plan.ends_us - read_start_us_);
    read_timer_.start(static_cast<int>((wait_us + 999) / 1000));
}

void SimSerialPort::CancelRead() {
    read_timer_.stop();
    read_done_ = nullptr;
}

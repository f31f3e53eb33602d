#include "exchange/line_monitor.h"

#include "protocol/codes.h"
#include "protocol/frame_codec.h"
#include "protocol/requests.h"

#include <algorithm>
#include <cmath>

void LineMonitor::reset() {
    std::lock_guard lock(mutex_);
    stats_.clear();
    latencies_.clear();
    scans_ = scans_answered_ = 0;
    duplicates_.clear();
    awaiting_ = false;
    got_.clear();
    got_times_.clear();
    std::vector<LineFrame> dropped;
    finder_.flush(dropped);
}

void LineMonitor::wrote(const QByteArray& bytes, int64_t t_us) {
    std::lock_guard lock(mutex_);
    finish_request();
    if (keep_frames_) {
        // What came before belongs to the request answered, not to this one.
        std::vector<LineFrame> found;
        finder_.flush(found);
        add_frames(found, false);
        const FrameKind kind =
            is_whole_frame(bytes)
                ? (uint8_t(bytes[0]) == kRequestStart ? FrameKind::Request : FrameKind::Reply)
                : FrameKind::Noise;
        std::vector<LineFrame> sent{{kind, bytes, t_us}};
        add_frames(sent, true);
    }
    // Only a request of ours is waited on; bootloader frames are not.
    if (bytes.size() < 3 || uint8_t(bytes[0]) != kRequestStart) return;
    awaiting_ = true;
    request_ = bytes;
    request_end_us_ = t_us;
    if (bytes != request::net_scan()) ++stats_[uint8_t(bytes[1])].sent;
}

void LineMonitor::heard(const QByteArray& bytes, int64_t t_us) {
    std::lock_guard lock(mutex_);
    if (awaiting_ && got_.size() < kMaxReply) {
        got_times_.push_back({got_.size(), t_us});
        got_.append(bytes.left(kMaxReply - got_.size()));
    }
    last_heard_us_ = t_us;
    if (keep_frames_) {
        std::vector<LineFrame> found;
        finder_.feed(bytes, t_us, found);
        add_frames(found, false);
    }
}

void LineMonitor::settle() {
    std::lock_guard lock(mutex_);
    finish_request();
}

void LineMonitor::finish_request() {
    if (!awaiting_) return;
    awaiting_ = false;
    const QByteArray got = std::exchange(got_, {});
    if (request_ == request::net_scan()) {
        got_times_.clear();
        ++scans_;
        if (!got.isEmpty()) ++scans_answered_;
        std::set<uint8_t> seen;
        for (char c : got)
            if (!seen.insert(uint8_t(c)).second) duplicates_.insert(uint8_t(c));
        return;
    }
    const uint8_t address = uint8_t(request_[1]);
    classify(stats_[address], latencies_[address], got);
    got_times_.clear();
}

void LineMonitor::classify(AddressStats& s, Latencies& l, const QByteArray& got) {
    qsizetype from = 0;
    if (got.startsWith(request_)) {
        ++s.echoed;
        from = request_.size();
    }
    const QByteArray reply = got.mid(from);
    if (reply.isEmpty()) {
        ++s.silent;
        return;
    }
    // The reply's first byte came with the last piece that began at or before it.
    int64_t first = got_times_.front().second;
    for (const auto& [offset, t] : got_times_)
        if (offset <= from) first = t;
    l.us[size_t(l.next)] = int32_t(std::clamp<int64_t>(first - request_end_us_, 0, INT32_MAX));
    l.next = (l.next + 1) % kLatencyWindow;
    l.count = std::min(l.count + 1, kLatencyWindow);

    if (reply.size() < 4 || uint8_t(reply[0]) != kReplyStart) {
        ++s.other;
        return;
    }
    // The whole of what came is the reply, unless a whole reply is followed
    // by another frame (a second sensor answering too).
    const uint8_t code = uint8_t(reply[2]);
    const std::vector<int> lengths = frame_lengths(kReplyStart, uint8_t(reply[1]), code);
    bool whole = false, fits = false;
    for (int len : lengths) {
        if (len > reply.size()) continue;
        fits = true;
        if (len == reply.size())
            whole = whole || is_whole_frame(reply);
        else if (uint8_t(reply[len]) == kReplyStart || uint8_t(reply[len]) == kRequestStart)
            whole = whole || is_whole_frame(reply.left(len));
    }
    if (!whole) {
        // A length its code allows with a wrong CRC byte; or too short a piece.
        ++(fits ? s.badcrc : s.other);
        return;
    }
    const bool ours =
        uint8_t(reply[1]) == uint8_t(request_[1]) &&
        (code == uint8_t(request_[2]) || code == RPL_WRONG_PASSWORD || code == RPL_FREQ_MODE);
    ++(ours ? s.answered : s.other);
}

void LineMonitor::figures(AddressStats& s, const Latencies& l) {
    s.latencies = l.count;
    if (l.count == 0) return;
    std::vector<int32_t> v(l.us.begin(), l.us.begin() + l.count);
    std::sort(v.begin(), v.end());
    // Nearest rank: the smallest value at least that share of replies reach.
    auto rank = [&](double p) {
        const auto k = size_t(std::max(1.0, std::ceil(p * double(v.size()))));
        return double(v[k - 1]) / 1000.0;
    };
    s.p50_ms = rank(0.50);
    s.p95_ms = rank(0.95);
    s.max_ms = double(v.back()) / 1000.0;
}

LineReport LineMonitor::report() const {
    std::lock_guard lock(mutex_);
    LineReport r;
    for (const auto& [address, stats] : stats_) {
        AddressStats s = stats;
        s.address = address;
        const auto it = latencies_.find(address);
        if (it != latencies_.end()) figures(s, it->second);
        r.addresses.push_back(s);
    }
    r.scans = scans_;
    r.scans_answered = scans_answered_;
    r.duplicates = duplicates_;
    return r;
}

void LineMonitor::keep_frames(bool on) {
    std::lock_guard lock(mutex_);
    keep_frames_ = on;
    if (!on) frames_.clear();
}

void LineMonitor::add_frames(std::vector<LineFrame>& found, bool out) {
    for (LineFrame& f : found) {
        frames_.push_back({++seq_, out, std::move(f)});
        if (frames_.size() > size_t(kFrameLimit)) frames_.pop_front();
    }
}

std::vector<MonitorFrame> LineMonitor::frames_after(uint64_t after) const {
    std::lock_guard lock(mutex_);
    auto it = std::upper_bound(frames_.begin(), frames_.end(), after,
                               [](uint64_t a, const MonitorFrame& f) { return a < f.seq; });
    return {it, frames_.end()};
}

void LineMonitor::idle(int64_t now_us) {
    std::lock_guard lock(mutex_);
    if (!keep_frames_ || finder_.empty() || now_us - last_heard_us_ < kQuietUs) return;
    std::vector<LineFrame> found;
    finder_.flush(found);
    add_frames(found, false);
}

void LineMonitor::flush_frames() {
    std::lock_guard lock(mutex_);
    std::vector<LineFrame> found;
    finder_.flush(found);
    add_frames(found, false);
}

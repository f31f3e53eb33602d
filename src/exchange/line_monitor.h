#pragma once
// What the line does, told by its bytes: the port's tap hands every write and
// every arrival here, timed in the port's I/O thread.  Per address since the
// port was opened: requests sent, replies, no answer, bad CRC, replies not
// understood, echoes, and the reply latency over the last 1,000 replies; the
// answers to network scans (an address twice is two sensors at one address);
// and, while someone watches, the frames themselves.  It adds nothing to the
// line: the window's cycle and zorvik-cli diag make the traffic, and both read
// the same counts from here.  Thread-safe.
#include "protocol/frame_finder.h"
#include "protocol/serial_port.h"

#include <QByteArray>

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <vector>

struct AddressStats {
    uint8_t address = 0;
    uint64_t sent = 0;     // requests written (the one in flight included)
    uint64_t answered = 0; // a whole reply of this address to this request
    uint64_t silent = 0;   // nothing came back
    uint64_t badcrc = 0;   // a reply whose CRC byte is wrong
    uint64_t other = 0;    // something else came: not understood
    uint64_t echoed = 0;   // what came began with the request's own bytes
    int latencies = 0;     // replies the figures are over (at most kLatencyWindow)
    double p50_ms = 0, p95_ms = 0, max_ms = 0;
    bool operator==(const AddressStats&) const = default;
};

struct LineReport {
    std::vector<AddressStats> addresses; // in address order
    uint64_t scans = 0, scans_answered = 0;
    std::set<uint8_t> duplicates; // found twice in one scan answer
};

// One frame as the window lists it.
struct MonitorFrame {
    uint64_t seq = 0;
    bool out = false; // written by this program
    LineFrame frame;
};

class LineMonitor final : public LineTap {
public:
    static constexpr int kLatencyWindow = 1000;
    static constexpr int kFrameLimit = 10'000;
    // The line is quiet when nothing has come for this long: the last frame
    // can be cut.
    static constexpr int64_t kQuietUs = 20'000;

    void wrote(const QByteArray& bytes, int64_t t_us) override;
    void heard(const QByteArray& bytes, int64_t t_us) override;

    // Forgets everything: a port was opened.
    void reset();
    // The request in flight has had its time: what came is its answer.
    void settle();
    LineReport report() const;

    // Frames are kept (the last kFrameLimit) only while someone watches.
    void keep_frames(bool on);
    // Frames with a sequence number above `after`, oldest first.
    std::vector<MonitorFrame> frames_after(uint64_t after) const;
    // Cuts what waits in the frame finder once the line has been quiet
    // since `now_us` - kQuietUs (a listener calls it as time passes).
    void idle(int64_t now_us);
    // Cuts what waits now.
    void flush_frames();

private:
    struct Latencies {
        std::array<int32_t, kLatencyWindow> us{};
        int count = 0, next = 0;
    };
    void finish_request(); // with mutex_ held
    void classify(AddressStats& s, Latencies& l, const QByteArray& got);
    void add_frames(std::vector<LineFrame>& found, bool out);
    static void figures(AddressStats& s, const Latencies& l);

    mutable std::mutex mutex_;
    std::map<uint8_t, AddressStats> stats_;
    std::map<uint8_t, Latencies> latencies_;
    uint64_t scans_ = 0, scans_answered_ = 0;
    std::set<uint8_t> duplicates_;

    // The request in flight and what has come since it was written.
    bool awaiting_ = false;
    QByteArray request_;
    int64_t request_end_us_ = 0;
    QByteArray got_;
    std::vector<std::pair<qsizetype, int64_t>> got_times_; // offset, arrival
    static constexpr qsizetype kMaxReply = 4096;

    bool keep_frames_ = false;
    FrameFinder finder_;
    int64_t last_heard_us_ = 0;
    std::deque<MonitorFrame> frames_;
    uint64_t seq_ = 0;
};

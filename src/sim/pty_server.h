#pragma once
// The simulated line on a pseudo-terminal, for programs that open a serial
// device: the configurator against a "real" port, a plain POSIX client in the
// tests, zorvik-sim.  A thread of its own reads request bursts from the master
// side (a burst ends after a short quiet gap, as a sensor frames its input, or
// as soon as a part in its bootloader has a whole frame),
// asks the line for the answer and writes it back on time.
#include "sim/sim_line.h"
#include "sim/sim_time.h"

#include <QString>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class PtyServer {
public:
    // A request burst is over after this much quiet on the line.
    static constexpr int kBurstGapUs = 2'000;
    // Bytes waiting to go out, at most; more is dropped, as a jammed line
    // loses them.
    static constexpr int kMaxQueued = 16'384;
    // A request burst longer than this keeps only its last bytes, as a
    // sensor's receive buffer does.
    static constexpr int kMaxBurst = 4'096;
    // set_noise: as fast as the client takes the bytes.
    static constexpr int kNoiseFullSpeed = -1;

    explicit PtyServer(SimLine line);
    // Another pseudo-terminal on `same_line`'s line, for a second front end
    // (the TCP server): each has its own reader and hears its own answers,
    // as two masters on one bus would, so neither takes the other's bytes.
    explicit PtyServer(PtyServer& same_line);
    ~PtyServer(); // stops and removes the link
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Opens the pseudo-terminal and starts serving.  With a non-empty
    // `link_path` that path becomes a symbolic link to the slave side (an old
    // symbolic link there is replaced; anything else is an error).  False with
    // a reason in `error` on failure.
    bool start(const QString& link_path, QString* error = nullptr);
    // Stops serving, closes the pseudo-terminal and removes the link.
    void stop();
    bool running() const { return thread_.joinable() && !finished_; }

    QString slave_path() const { return slave_path_; }
    QString link_path() const { return link_path_; }
    // The device a client should open: the link if there is one.
    QString device_path() const { return link_path_.isEmpty() ? slave_path_ : link_path_; }

    // The pseudo-terminal goes away under its client, as an unplugged adapter
    // does: the client's reads and writes fail and the link disappears.
    void vanish();

    // Line noise, for fault tests: `bytes` go out at once (a burst, within
    // kMaxQueued); set_noise sends random bytes at `bytes_per_second`
    // (kNoiseFullSpeed: as fast as they are taken, 0: off).
    void send_noise(const QByteArray& bytes);
    void set_noise(int bytes_per_second);

    // Another master on the line: from `kTerminalStartMs` after a client opens
    // the line, a request to each sensor in turn (state, then identity, ...),
    // which the client hears with the answer, every `period_ms` (0: as fast as
    // the line carries them).  Empty: none.
    static constexpr int kTerminalStartMs = 300;
    void set_terminal(std::optional<int> period_ms) { terminal_ms_ = period_ms.value_or(-1); }
    uint64_t terminal_polls() const { return terminal_polls_; }

    // Counters for tests and benchmarks.
    uint64_t bursts_heard() const { return bursts_heard_; }
    uint64_t bytes_sent() const { return bytes_sent_; }
    uint64_t bytes_dropped() const { return bytes_dropped_; }
    int queued() const { return queued_; }
    // Client opens and closes seen.
    uint64_t peer_changes() const { return peer_changes_; }

    // Runs `f` on the line while the server is not using it (faults, power
    // cycles, looking at a sensor).
    template <class F> auto with_line(F&& f) {
        std::lock_guard<std::mutex> lock(mutex_);
        return f(line_);
    }

private:
    void run();
    void close_all();
    void remove_link();
    void wake();
    void queue(int64_t due_us, const QByteArray& bytes, int64_t spacing_us);
    void drop_queued();
    // The terminal's next poll, when due; returns when the one after is due.
    int64_t terminal_poll(int64_t now, bool wire);

    std::multimap<int64_t, char> out_; // bytes to send by when they are due; server thread only
    std::mutex noise_mutex_;
    QByteArray noise_burst_; // guarded by noise_mutex_
    std::atomic<int> noise_rate_{0};
    uint64_t noise_count_ = 0;
    std::atomic<uint64_t> bursts_heard_{0}, bytes_sent_{0}, bytes_dropped_{0}, peer_changes_{0};
    std::atomic<int> queued_{0};
    std::atomic<int> terminal_ms_{-1};
    std::atomic<uint64_t> terminal_polls_{0};
    int64_t terminal_from_ = 0; // when a client opened the line plus the start delay; 0: none

    struct Shared {
        explicit Shared(SimLine l) : line(std::move(l)) {}
        SimLine line;
        std::mutex mutex; // the line is heard by one server at a time
    };
    std::shared_ptr<Shared> shared_;
    SimLine& line_;
    std::mutex& mutex_;
    SteadySimTime time_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> vanish_{false};
    std::atomic<bool> finished_{false};
    int master_ = -1;
    int slave_ = -1; // held open so that the master never sees a hang-up
    int wake_[2] = {-1, -1};
    int peers_ = -1; // inotify: the slave side opened or closed by a client
    QString slave_path_;
    QString link_path_;
};

#pragma once
// The simulated line on a pseudo-terminal, for programs that open a serial
// device: the configurator against a "real" port, a plain POSIX client in the
// tests, zorvik-sim.  A thread of its own reads request bursts from the master
// side (a burst ends after a short quiet gap, as a sensor frames its input),
// asks the line for the answer and writes it back on time.
#include "sim/sim_line.h"
#include "sim/sim_time.h"

#include <QString>

#include <atomic>
#include <mutex>
#include <thread>

class PtyServer {
public:
    // A request burst is over after this much quiet on the line.
    static constexpr int kBurstGapUs = 2'000;

    explicit PtyServer(SimLine line);
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

    SimLine line_;
    SteadySimTime time_;
    std::mutex mutex_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> vanish_{false};
    std::atomic<bool> finished_{false};
    int master_ = -1;
    int slave_ = -1; // held open so that the master never sees a hang-up
    int wake_[2] = {-1, -1};
    QString slave_path_;
    QString link_path_;
};

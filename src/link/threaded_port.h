#pragma once
// What the serial and the network port share.  The device lives in a private
// I/O thread, in an object that derives from PortIo and runs the reads there.
// Every call hops to that thread and waits for its answer, so the blocking
// calls work the same from the UI thread and from a worker (the firmware
// upload), and none of them needs the caller's event loop.  ReadAsync starts
// the same read there and posts the result back to the thread that created the
// port, so the exchange cycle never stalls the window while it waits.
#include "link/read_queue.h"
#include "protocol/serial_port.h"

#include <QObject>
#include <QThread>

#include <atomic>
#include <type_traits>

// The device's side, in the I/O thread: the reads, one after another.
class PortIo : public QObject {
public:
    void start_read(uint64_t id, ReadQueue::Deliver deliver, int want = 0,
                    int timeout_ms = SerialPort::kTotalReadMs) {
        queue_.start(id, std::move(deliver), want, timeout_ms);
    }
    // Nothing is taken from the device when a read is cancelled, so the
    // bytes stay for the next one.
    void cancel(uint64_t id) { queue_.cancel(id); }
    void set_tap(std::shared_ptr<LineTap> tap) { tap_ = std::move(tap); }

protected:
    // `source` is the derived object; it is asked nothing before it exists.
    explicit PortIo(ReadQueue::Source& source) : queue_(this, source) {}

    // The tap hears a write and what comes in; now on the steady clock.
    void tap_wrote(const QByteArray& bytes) const {
        if (tap_ && !bytes.isEmpty()) tap_->wrote(bytes, now_us());
    }
    void tap_heard(const QByteArray& bytes) const {
        if (tap_ && !bytes.isEmpty()) tap_->heard(bytes, now_us());
    }
    bool tapped() const { return bool(tap_); }
    static int64_t now_us();

    ReadQueue queue_;

private:
    std::shared_ptr<LineTap> tap_; // I/O thread only
};

class ThreadedPort : public SerialPort {
public:
    QByteArray ReadPort() override;
    // Ends as soon as `count` bytes are there, with exactly those.
    QByteArray ReadExpected(int count, int timeout_ms) override;
    bool IsOpen() const override { return open_; }

    // Call both from the thread that created the port; `done` runs there,
    // from its event loop, never from inside ReadAsync.  A new ReadAsync
    // replaces one still running (whose `done` is then dropped), as does
    // CancelRead.  Bytes of a dropped read stay for the next read.
    void ReadAsync(std::function<void(QByteArray)> done) override;
    void CancelRead() override;
    void SetTap(std::shared_ptr<LineTap> tap) override;

protected:
    explicit ThreadedPort(const QString& thread_name);
    // The port that derives closes its device first, while the thread runs.
    ~ThreadedPort() override;
    ThreadedPort(const ThreadedPort&) = delete;
    ThreadedPort& operator=(const ThreadedPort&) = delete;

    // Moves `io` to the I/O thread, which owns it from then on, and starts
    // the thread.
    void start_io(PortIo* io);

    // Runs `f` in the I/O thread and waits for its result.
    template <class F> auto on_io(F f) {
        using R = std::invoke_result_t<F&>;
        if constexpr (std::is_void_v<R>) {
            QMetaObject::invokeMethod(reader_, f, Qt::BlockingQueuedConnection);
        } else {
            R result{};
            QMetaObject::invokeMethod(
                reader_, [&] { result = f(); }, Qt::BlockingQueuedConnection);
            return result;
        }
    }

    QObject home_; // lives in the creating thread; ReadAsync answers land here
    std::atomic<bool> open_{false};

private:
    // `count` 0: the ReadPort rules; otherwise ReadExpected's.
    QByteArray blocking_read(int count, int timeout_ms);

    QThread io_thread_;
    PortIo* reader_ = nullptr; // lives in io_thread_
    uint64_t async_next_ = 0;  // home thread only
    uint64_t async_live_ = 0;  // the ReadAsync whose `done` may still run; 0 for none
};

#include "link/threaded_port.h"

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>
#include <utility>

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

int64_t PortIo::now_us() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void ThreadedPort::SetTap(std::shared_ptr<LineTap> tap) {
    on_io([this, tap = std::move(tap)] { reader_->set_tap(tap); });
}

ThreadedPort::ThreadedPort(const QString& thread_name) {
    io_thread_.setObjectName(thread_name);
}

ThreadedPort::~ThreadedPort() {
    io_thread_.quit();
    io_thread_.wait();
}

void ThreadedPort::start_io(PortIo* io) {
    reader_ = io;
    io->moveToThread(&io_thread_);
    QObject::connect(&io_thread_, &QThread::finished, io, &QObject::deleteLater);
#ifdef Q_OS_LINUX
    // The line's pauses are a millisecond or two (the turnaround before an
    // upload frame): the system may otherwise end our waits up to 50 us late.
    QObject::connect(&io_thread_, &QThread::started, io,
                     [] { ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL); });
#endif
    io_thread_.start();
}

QByteArray ThreadedPort::ReadPort() {
    return blocking_read(0, kTotalReadMs);
}

QByteArray ThreadedPort::ReadExpected(int count, int timeout_ms) {
    if (count <= 0) return {};
    return blocking_read(count, timeout_ms);
}

QByteArray ThreadedPort::blocking_read(int count, int timeout_ms) {
    if (!open_) return {};
    auto answer = std::make_shared<std::promise<QByteArray>>();
    std::future<QByteArray> result = answer->get_future();
    QMetaObject::invokeMethod(
        reader_,
        [this, answer, count, timeout_ms] {
            reader_->start_read(
                0, [answer](QByteArray data) { answer->set_value(std::move(data)); }, count,
                std::max(0, timeout_ms));
        },
        Qt::QueuedConnection);
    return result.get();
}

void ThreadedPort::ReadAsync(std::function<void(QByteArray)> done) {
    Q_ASSERT(QThread::currentThread() == home_.thread());
    CancelRead();
    const uint64_t id = ++async_next_;
    async_live_ = id;
    // Runs in the I/O thread; the answer goes back to the home thread's loop.
    auto deliver = [this, id, done = std::move(done)](QByteArray data) {
        QMetaObject::invokeMethod(
            &home_,
            [this, id, done, data = std::move(data)] {
                if (async_live_ != id) return; // cancelled or replaced meanwhile
                async_live_ = 0;
                done(data);
            },
            Qt::QueuedConnection);
    };
    if (!open_) {
        deliver({});
        return;
    }
    QMetaObject::invokeMethod(
        reader_, [this, id, deliver = std::move(deliver)] { reader_->start_read(id, deliver); },
        Qt::QueuedConnection);
}

void ThreadedPort::CancelRead() {
    Q_ASSERT(QThread::currentThread() == home_.thread());
    if (!async_live_) return;
    const uint64_t id = std::exchange(async_live_, 0);
    QMetaObject::invokeMethod(
        reader_, [this, id] { reader_->cancel(id); }, Qt::QueuedConnection);
}

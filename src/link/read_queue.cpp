#include "link/read_queue.h"

#include <algorithm>
#include <utility>

ReadQueue::ReadQueue(QObject* owner, Source& source) : source_(source), gap_(owner), total_(owner) {
    for (QTimer* t : {&gap_, &total_}) {
        t->setSingleShot(true);
        t->setTimerType(Qt::PreciseTimer);
        QObject::connect(t, &QTimer::timeout, owner, [this] {
            if (!reading_) return;
            finish();
            next();
        });
    }
}

void ReadQueue::start(uint64_t id, Deliver deliver, int want, int timeout_ms) {
    reads_.push_back({id, std::move(deliver), want, timeout_ms});
    next();
}

void ReadQueue::cancel(uint64_t id) {
    if (reading_ && reads_.front().id == id) {
        gap_.stop();
        total_.stop();
        reading_ = false;
        reads_.pop_front();
        next();
        return;
    }
    std::erase_if(reads_, [id](const Read& r) { return r.id == id; });
}

void ReadQueue::arrived() {
    if (!reading_) return;
    if (complete()) {
        finish();
        next();
    } else if (reads_.front().want == 0) {
        gap_.start(SerialPort::kInterByteGapMs);
    }
}

void ReadQueue::next() {
    while (!reading_ && !reads_.empty()) {
        if (!source_.readable()) {
            Read r = std::move(reads_.front());
            reads_.pop_front();
            r.deliver({});
            continue;
        }
        if (source_.found_gone()) continue;
        reading_ = true;
        if (complete()) {
            finish();
            continue;
        }
        total_.start(reads_.front().timeout_ms);
        if (source_.available() > 0 && reads_.front().want == 0)
            gap_.start(SerialPort::kInterByteGapMs);
    }
}

void ReadQueue::finish_running() {
    if (reading_) finish();
}

void ReadQueue::clear() {
    gap_.stop();
    total_.stop();
    reading_ = false;
    std::deque<Read> pending;
    pending.swap(reads_);
    for (Read& r : pending) r.deliver({});
}

int ReadQueue::most() const {
    const int want = reads_.front().want;
    return want > 0 ? want : SerialPort::kMaxChunk;
}

bool ReadQueue::complete() const {
    return source_.available() >= most();
}

// Ends the running read with what has arrived, at most what it asked for.
void ReadQueue::finish() {
    gap_.stop();
    total_.stop();
    reading_ = false;
    const QByteArray data = source_.take(most());
    source_.read_ended(data);
    Read r = std::move(reads_.front());
    reads_.pop_front();
    r.deliver(data);
}

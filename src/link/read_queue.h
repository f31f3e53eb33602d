#pragma once
// The read rules of a line, for the I/O object of a port: reads run one after
// another, and each ends once the bytes it waits for are there (255, or the
// count it asks for), 20 ms after the last byte without a further one (a read
// that asks for no count), or at its own time limit.  What the bytes come
// from is the port's: it answers through Source.  Every member runs on the
// owner's thread.
#include "protocol/serial_port.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <functional>

class ReadQueue {
public:
    using Deliver = std::function<void(QByteArray)>;

    class Source {
    public:
        // Whether reads can go on; otherwise they end empty.
        virtual bool readable() const = 0;
        // Bytes there for a read.
        virtual qint64 available() const = 0;
        // Takes up to `most` of them.
        virtual QByteArray take(int most) = 0;
        // Asked before each read begins: true when the line has just been
        // found gone (the source has stopped reading).
        virtual bool found_gone() { return false; }
        // After each read, with what it returned.
        virtual void read_ended(const QByteArray& data) = 0;

    protected:
        ~Source() = default;
    };

    // The timers belong to `owner`.
    ReadQueue(QObject* owner, Source& source);

    // `want` > 0: the read ends once that many bytes are there, or after
    // `timeout_ms`, without the pause rule.  `id` lets it be cancelled.
    void start(uint64_t id, Deliver deliver, int want = 0,
               int timeout_ms = SerialPort::kTotalReadMs);
    // Drops the read `id`; its `deliver` never runs.  Nothing is taken from
    // the line, so the bytes stay for the next read.
    void cancel(uint64_t id);
    // New bytes are there.
    void arrived();
    // Begins what is waiting, if nothing runs.
    void next();
    // Ends the running read, if any, with what has arrived.
    void finish_running();
    // Ends every read at once, empty: nobody may be left waiting on a
    // closed port.
    void clear();
    bool reading() const { return reading_; }

private:
    struct Read {
        uint64_t id;
        Deliver deliver;
        int want = 0;
        int timeout_ms = SerialPort::kTotalReadMs;
    };
    int most() const;
    bool complete() const;
    void finish();

    Source& source_;
    QTimer gap_;             // 20 ms without a further byte ends a read
    QTimer total_;           // a read never lasts longer than its limit
    std::deque<Read> reads_; // the front one is running while reading_
    bool reading_ = false;
};

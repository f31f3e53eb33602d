#pragma once
// The real serial line, over QSerialPort.
//
// Threads.  The QSerialPort lives in a private I/O thread that this adapter
// starts in its constructor and stops in its destructor.  Every call hops to
// that thread and waits there for its answer, so:
//  - the blocking calls (OpenPort, ClosePort, FlushPort, ReadPort, WritePort)
//    work the same from the UI thread and from a worker thread (the firmware
//    upload) with no hand-over, and none of them needs the caller's event
//    loop: the caller just waits while the I/O thread's own loop times the read;
//  - ReadAsync() starts the same read there and posts the result back to the
//    thread that created the adapter (the UI thread), so the exchange cycle
//    never stalls the window while it waits for a reply;
//  - a port that vanishes cannot make the UI thread spin.
// One user at a time: the exchange cycle stops (CancelRead) before the upload
// starts driving the port from its worker.  Misuse is still safe: the I/O
// thread runs reads one after another in the order they were asked for, and a
// write runs between two events of a read in progress.
//
// What arrives is kept up to kBacklogBytes; beyond that the oldest bytes are
// dropped, so a noisy line or a sensor that streams on its own cannot grow the
// program.  A read takes at most 255 bytes; what it leaves behind is older
// than any answer still to come and is dropped at the next write, so after
// any burst the reply to the next request is read whole, by the next read.
//
// A vanishing port (USB adapter pulled, far end of a pty closed) is noticed
// once: reading and writing stop, the device is released and LinkLost()
// says so, but the port still counts as open until ClosePort, so the
// exchange cycle sees its writes fail (0 written) and waits for the device
// to come back.
#include "link/threaded_port.h"

#include <atomic>

class QtSerialPortIo;

class QtSerialPort final : public ThreadedPort {
public:
    // Received bytes kept at most while nobody reads them.
    static constexpr qint64 kBacklogBytes = 4096;

    QtSerialPort();
    ~QtSerialPort() override;
    QtSerialPort(const QtSerialPort&) = delete;
    QtSerialPort& operator=(const QtSerialPort&) = delete;

    // `device`: a device path on Linux (/dev/ttyUSB0, a pty, or a symlink to
    // one; a name without a folder means /dev/<name>), COMn on Windows; a
    // leading "\\.\" is accepted on both.  `settings`: "baud,parity,data,stop",
    // parity one of n e o m s, data bits 5 to 8, stop bits 1, 1.5 or 2.
    // A port already open is closed first.  Modem lines DTR and RTS are left
    // low, as an all-zero device-control block leaves them.
    bool OpenPort(const QString& device, const QString& settings) override;
    // 1 when a port was closed, 0 when none was open.
    int ClosePort() override;
    // Pushes out anything still queued for sending and waits for the line to
    // drain.  Received bytes are kept.
    void FlushPort() override;
    // Drops what has arrived and not been read (kept by a running ReadAsync).
    void DiscardInput() override;
    uint16_t WritePort(const QByteArray& data) override;
    // Linux: waits out the quiet time in the I/O thread, from the moment the
    // last byte came in, and writes at once after it.
    int WriteWhenQuiet(const QByteArray& data, std::chrono::microseconds quiet,
                       QByteArray& heard) override;
    // Linux: the device path exists (a name without a folder means /dev/<name>).
    // Windows: the system lists a port of that name (COMn).
    bool PortExists(const QString& name) override;

    // Received bytes waiting to be read (at most kBacklogBytes).
    qint64 waiting_bytes();
    OpenFailure LastOpenFailure() const override { return failure_; }
    // The device went away under the open port (hung up, unplugged).
    bool LinkLost() const override { return open_ && lost_; }
    // Call from the thread that called OpenPort.
    QString LastOpenMessage() const override { return open_message_; }

private:
    QtSerialPortIo* io_ = nullptr; // lives in the I/O thread
    std::atomic<OpenFailure> failure_{OpenFailure::None};
    std::atomic<bool> lost_{false}; // set by the I/O thread
    QString open_message_;
};

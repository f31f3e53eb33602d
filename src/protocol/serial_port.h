#pragma once
// The one serial line of the program.  Everything that talks to a sensor goes
// through this interface: the real port (QSerialPort), the built-in simulated
// line, and the fakes of the tests.
//
// Read semantics (every implementation keeps them): a read returns when 255
// bytes have arrived, 20 ms after the last byte without a further one, or
// 256 ms after it began; when nothing came it flushes and returns empty.
// A closed port reads empty and writes 0.
#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

// Watches the bytes of the line where the port's own I/O sees them: a write
// once its last byte has gone to the device, bytes as they come in.  Called
// from the port's I/O thread (the caller's, for a port without one); `t_us`
// is on the steady clock (the simulated line's own clock for the in-process
// line).
class LineTap {
public:
    virtual ~LineTap() = default;
    virtual void wrote(const QByteArray& bytes, int64_t t_us) = 0;
    virtual void heard(const QByteArray& bytes, int64_t t_us) = 0;
};

// Why the last OpenPort failed, so that the caller can explain it.
enum class OpenFailure { None, NoSuchDevice, Busy, NoPermission, Setup, Other };

class SerialPort {
public:
    static constexpr int kMaxChunk = 255;      // bytes per read or write
    static constexpr int kInterByteGapMs = 20; // a reply ends after this pause
    static constexpr int kTotalReadMs = 256;   // a read never lasts longer

    virtual ~SerialPort() = default;

    // Opens `device` with `settings` ("19200,n,8,1").  False on failure, with
    // no message for a missing or busy device.
    virtual bool OpenPort(const QString& device, const QString& settings) = 0;
    // The same open without holding the caller, for a port that may take
    // seconds (a server far away): `opened` runs once with what OpenPort
    // would have returned, at once or later from the caller's event loop.
    // A ClosePort meanwhile gives the open up, and `opened` then never runs.
    // This default opens at once.
    virtual void OpenPortAsync(const QString& device, const QString& settings,
                               std::function<void(bool)> opened) {
        opened(OpenPort(device, settings));
    }
    // Closes the port if open; harmless when none is.  Returns the close result.
    virtual int ClosePort() = 0;
    virtual void FlushPort() = 0;
    // Drops whatever has arrived and not been read yet, so that what comes
    // next is the answer to what is sent next.
    virtual void DiscardInput() {}
    // Blocking read, semantics above.
    virtual QByteArray ReadPort() = 0;
    // Reads until `count` bytes have arrived or `timeout_ms` has passed, and
    // returns at once when they are there: for answers of a known length (the
    // ROM bootloader's), which need not wait out the 20 ms pause.  Returns at
    // most `count` bytes, fewer when time ran out.  This default goes through
    // ReadPort and may return more than `count`, and a port whose ReadPort
    // never waits makes it spin: real ports override it.
    virtual QByteArray ReadExpected(int count, int timeout_ms) {
        QByteArray got;
        QElapsedTimer clock;
        clock.start();
        while (got.size() < count && IsOpen() && clock.elapsed() < timeout_ms) got += ReadPort();
        return got;
    }
    // Writes the whole string in pieces of at most 255 bytes; returns the count
    // written (fewer than asked on failure, 0 when closed).
    virtual uint16_t WritePort(const QByteArray& data) = 0;
    // Writes `data` once nothing has come in for `quiet` after the last byte
    // received, as a half-duplex line needs before it turns round.  A byte
    // that comes meanwhile, or is already waiting, is handed back in `heard`
    // (with what came with it; possibly nothing, when the port's own read is
    // running) and nothing is written: -1.  Otherwise what WritePort returns.
    // This default waits `quiet` from now, as a read.
    virtual int WriteWhenQuiet(const QByteArray& data, std::chrono::microseconds quiet,
                               QByteArray& heard) {
        heard = ReadExpected(kMaxChunk,
                             int(std::chrono::ceil<std::chrono::milliseconds>(quiet).count()));
        return heard.isEmpty() ? int(WritePort(data)) : -1;
    }
    // Whether a port of this name exists on the system.
    virtual bool PortExists(const QString& name) = 0;

    virtual bool IsOpen() const = 0;
    // The far end is gone (a network connection dropped, an adapter pulled,
    // a pseudo-terminal's other side closed): nothing will get through until
    // the port is opened again.  A write that fails on a line still there
    // (a jammed driver) is no loss; its failures are counted as they come.
    virtual bool LinkLost() const { return false; }
    // What the user is told of it, naming the far end; empty while not lost.
    virtual QString LostMessage() const { return {}; }
    virtual OpenFailure LastOpenFailure() const { return OpenFailure::None; }
    // The message for the user of a line that opened but could not be set up
    // ("Unable to set Comm DCB ..."); empty when there is none.
    virtual QString LastOpenMessage() const { return {}; }

    // The same read without blocking the caller's event loop: `done` runs once,
    // with what ReadPort would have returned, either at once or later from the
    // event loop.  Implementations that never wait may keep this default.
    virtual void ReadAsync(std::function<void(QByteArray)> done) { done(ReadPort()); }
    // Drops a ReadAsync still in progress; its `done` will not run.
    virtual void CancelRead() {}

    // Hands every byte written and heard to `tap` from now on; null for none.
    // A port that cannot watch its bytes ignores it.
    virtual void SetTap(std::shared_ptr<LineTap> tap) { (void)tap; }
};

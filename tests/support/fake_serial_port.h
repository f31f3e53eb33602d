#pragma once
// A scripted serial line for tests: records every call, answers each write
// with the next scripted reply (delivered by the following read), can refuse
// to open, cut writes short, and hold asynchronous reads until the test lets
// them complete.
#include "protocol/serial_port.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

class FakeSerialPort : public SerialPort {
public:
    // --- Script ---
    // Each write takes the front entry (if any) as the line's answer; the next
    // read returns it.  std::nullopt entries stand for silence.
    std::deque<std::optional<QByteArray>> script;
    // When set, answers every write instead of `script`.
    std::function<QByteArray(const QByteArray& written)> responder;
    // Bytes waiting on the line for the next read (tests may put some there).
    QByteArray incoming;
    // The next `failing_writes` writes report `failed_count` bytes written.
    int failing_writes = 0;
    uint16_t failed_count = 0;
    // Set: the far end is gone for good (as a dropped network connection).
    bool link_lost = false;
    // Opening: whether it succeeds and why not.
    bool open_succeeds = true;
    OpenFailure open_failure = OpenFailure::NoSuchDevice;
    // Port names PortExists reports as present.
    QStringList existing;
    // While true, ReadAsync keeps its callback until complete_read().
    bool hold_reads = false;
    // False: CancelRead is ignored, as by a port that still delivers a read
    // it was asked to drop.
    bool honour_cancel = true;

    // --- Record ---
    std::vector<QByteArray> writes; // every write, also failed ones
    QStringList calls;              // "open <device>", "read", "write", "flush", "close", ...
    QString opened_device;
    QString opened_settings;

    bool OpenPort(const QString& device, const QString& settings) override {
        calls.append(QStringLiteral("open ") + device);
        if (!open_succeeds) {
            last_failure_ = open_failure;
            return false;
        }
        last_failure_ = OpenFailure::None;
        open_ = true;
        opened_device = device;
        opened_settings = settings;
        return true;
    }
    int ClosePort() override {
        calls.append(QStringLiteral("close"));
        const bool was = open_;
        open_ = false;
        return was ? 1 : 0;
    }
    void FlushPort() override { calls.append(QStringLiteral("flush")); }
    QByteArray ReadPort() override {
        calls.append(QStringLiteral("read"));
        if (!open_) return {};
        QByteArray out = incoming.left(kMaxChunk);
        incoming.remove(0, out.size());
        return out;
    }
    // Never waits: what is not there yet is silence.  A read that would not
    // wait on a real port either (timeout 0) is told apart.
    QByteArray ReadExpected(int count, int timeout_ms) override {
        calls.append(timeout_ms > 0 ? QStringLiteral("ReadExpected")
                                    : QStringLiteral("read_waiting"));
        if (!open_) return {};
        QByteArray out = incoming.left(count);
        incoming.remove(0, out.size());
        return out;
    }
    uint16_t WritePort(const QByteArray& data) override {
        calls.append(QStringLiteral("write"));
        writes.push_back(data);
        if (!open_) return 0;
        if (failing_writes > 0) {
            --failing_writes;
            return failed_count;
        }
        if (responder) {
            incoming += responder(data);
        } else if (!script.empty()) {
            if (script.front()) incoming += *script.front();
            script.pop_front();
        }
        return uint16_t(data.size());
    }
    bool PortExists(const QString& name) override { return existing.contains(name); }
    bool IsOpen() const override { return open_; }
    bool LinkLost() const override { return link_lost; }
    OpenFailure LastOpenFailure() const override { return last_failure_; }

    void ReadAsync(std::function<void(QByteArray)> done) override {
        if (!hold_reads) {
            done(ReadPort());
            return;
        }
        calls.append(QStringLiteral("ReadAsync"));
        held_ = std::move(done);
    }
    void CancelRead() override {
        calls.append(QStringLiteral("CancelRead"));
        if (honour_cancel) held_ = nullptr;
    }
    // Completes a held read with what ReadPort returns now.  False when none
    // was held (or it was cancelled).
    bool complete_read() {
        if (!held_) return false;
        auto done = std::move(held_);
        held_ = nullptr;
        done(ReadPort());
        return true;
    }
    bool read_held() const { return bool(held_); }

    // Test helpers.
    void set_open(bool o) { open_ = o; }
    int count(const QString& call) const { return int(calls.count(call)); }
    QByteArray last_write() const { return writes.empty() ? QByteArray() : writes.back(); }

private:
    bool open_ = false;
    OpenFailure last_failure_ = OpenFailure::None;
    std::function<void(QByteArray)> held_;
};

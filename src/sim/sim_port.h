#pragma once
// The simulated line in-process, behind the program's SerialPort interface:
// the configurator's demo mode and the tests talk to it exactly as they talk
// to a real port.  A read sees what the sensors answered to earlier writes,
// under the same rules as the real port (255 bytes, a pause over 20 ms, or
// 256 ms in all).  With the line's wire timing on, writes and reads take the
// time a 19200-baud line would; without it the sensors answer at once.
#include "protocol/serial_port.h"
#include "sim/sim_line.h"
#include "sim/sim_time.h"

#include <QString>
#include <QTimer>

#include <deque>
#include <memory>

// The device name under which the in-process line opens.
inline const QString kDemoPortName = QStringLiteral("demo");

class SimSerialPort final : public SerialPort {
public:
    // `device_name` is what OpenPort and PortExists accept; `time` defaults to
    // the steady clock.
    explicit SimSerialPort(SimLine line = SimLine::demo(), QString device_name = kDemoPortName,
                           std::shared_ptr<SimTime> time = nullptr);
    ~SimSerialPort() override;

    bool OpenPort(const QString& device, const QString& settings) override;
    int ClosePort() override;
    void FlushPort() override;
    void DiscardInput() override;
    QByteArray ReadPort() override;
    // Waits on the line's clock until the bytes are there or the time is up.
    QByteArray ReadExpected(int count, int timeout_ms) override;
    uint16_t WritePort(const QByteArray& data) override;
    bool PortExists(const QString& name) override;
    bool IsOpen() const override { return open_; }
    OpenFailure LastOpenFailure() const override { return open_failure_; }
    void ReadAsync(std::function<void(QByteArray)> done) override;
    void CancelRead() override;
    // Hears each write and, at once, what the sensors will answer to it, with
    // the times on the line's clock.
    void SetTap(std::shared_ptr<LineTap> tap) override { tap_ = std::move(tap); }

    SimLine& line() { return line_; }
    SimTime& time() { return *time_; }
    const QString& device_name() const { return device_name_; }

    // The adapter is pulled out: writes fail, reads come back empty and the
    // device name is gone until it is plugged in again.
    void vanish();
    void reappear();
    bool vanished() const { return vanished_; }
    bool LinkLost() const override { return open_ && vanished_; }

    // Bytes on their way back that no read has taken yet.
    int pending_bytes() const { return static_cast<int>(rx_.size()); }

private:
    struct RxByte {
        int64_t at_us; // when the byte has fully arrived
        char byte;
    };
    struct ReadPlan {
        int count;
        int64_t ends_us;
    };
    ReadPlan plan_read(int64_t start_us) const;
    QByteArray take(int count);

    SimLine line_;
    QString device_name_;
    std::shared_ptr<SimTime> time_;
    bool open_ = false;
    bool settings_match_ = false;
    bool vanished_ = false;
    OpenFailure open_failure_ = OpenFailure::None;
    std::deque<RxByte> rx_;
    std::shared_ptr<LineTap> tap_;

    QTimer read_timer_;
    std::function<void(QByteArray)> read_done_;
    int64_t read_start_us_ = 0;
};

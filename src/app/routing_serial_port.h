#pragma once
// The program's one serial port: the built-in demo line when its entry of the
// port list is opened, the network port for an address (tcp://HOST:PORT,
// rfc2217://HOST:PORT), the system's serial port for every other entry.
#include "protocol/serial_port.h"

class RoutingSerialPort final : public SerialPort {
public:
    RoutingSerialPort(SerialPort& system, SerialPort* demo, QString demo_name,
                      SerialPort* network = nullptr);

    bool OpenPort(const QString& device, const QString& settings) override;
    int ClosePort() override;
    void FlushPort() override { active_->FlushPort(); }
    QByteArray ReadPort() override { return active_->ReadPort(); }
    QByteArray read_expected(int count, int timeout_ms) override {
        return active_->read_expected(count, timeout_ms);
    }
    uint16_t WritePort(const QByteArray& data) override { return active_->WritePort(data); }
    bool PortExists(const QString& name) override;
    bool is_open() const override { return active_->is_open(); }
    OpenFailure last_open_failure() const override { return active_->last_open_failure(); }
    QString last_open_message() const override { return active_->last_open_message(); }
    void discard_input() override { active_->discard_input(); }
    void read_async(std::function<void(QByteArray)> done) override {
        active_->read_async(std::move(done));
    }
    void cancel_read() override { active_->cancel_read(); }

    // Whether `device` ("\\.\NAME" or NAME) names the demo line.
    bool is_demo(const QString& device) const;

private:
    SerialPort& system_;
    SerialPort* demo_;
    QString demo_name_;
    SerialPort* network_;
    SerialPort* active_;
};

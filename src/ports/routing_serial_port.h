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
    void OpenPortAsync(const QString& device, const QString& settings,
                       std::function<void(bool)> opened) override;
    int ClosePort() override;
    void FlushPort() override { active_->FlushPort(); }
    QByteArray ReadPort() override { return active_->ReadPort(); }
    QByteArray ReadExpected(int count, int timeout_ms) override {
        return active_->ReadExpected(count, timeout_ms);
    }
    uint16_t WritePort(const QByteArray& data) override { return active_->WritePort(data); }
    int WriteWhenQuiet(const QByteArray& data, std::chrono::microseconds quiet,
                       QByteArray& heard) override {
        return active_->WriteWhenQuiet(data, quiet, heard);
    }
    bool PortExists(const QString& name) override;
    bool IsOpen() const override { return active_->IsOpen(); }
    bool LinkLost() const override { return active_->LinkLost(); }
    QString LostMessage() const override { return active_->LostMessage(); }
    OpenFailure LastOpenFailure() const override { return active_->LastOpenFailure(); }
    QString LastOpenMessage() const override { return active_->LastOpenMessage(); }
    void DiscardInput() override { active_->DiscardInput(); }
    void ReadAsync(std::function<void(QByteArray)> done) override {
        active_->ReadAsync(std::move(done));
    }
    void CancelRead() override { active_->CancelRead(); }
    // Every line it may route to: only the open one has traffic.
    void SetTap(std::shared_ptr<LineTap> tap) override {
        for (SerialPort* p : {&system_, demo_, network_})
            if (p) p->SetTap(tap);
    }

    // Whether `device` ("\\.\NAME" or NAME) names the demo line.
    bool is_demo(const QString& device) const;

private:
    // Closes the line open now and makes the one for `device` the active
    // port; `name` is what to open it by.
    SerialPort& switch_to(const QString& device, QString& name);

    SerialPort& system_;
    SerialPort* demo_;
    QString demo_name_;
    SerialPort* network_;
    SerialPort* active_;
};

#pragma once
// The port of a run that has none: closed, it takes and gives nothing.
#include "protocol/serial_port.h"

class NoPort final : public SerialPort {
public:
    bool OpenPort(const QString&, const QString&) override { return false; }
    int ClosePort() override { return 0; }
    void FlushPort() override {}
    QByteArray ReadPort() override { return {}; }
    uint16_t WritePort(const QByteArray&) override { return 0; }
    bool PortExists(const QString&) override { return false; }
    bool IsOpen() const override { return false; }
};

#include "app/routing_serial_port.h"

namespace {
QString without_device_prefix(const QString& device) {
    static const QString prefix = QStringLiteral("\\\\.\\");
    return device.startsWith(prefix) ? device.mid(prefix.size()) : device;
}
} // namespace

RoutingSerialPort::RoutingSerialPort(SerialPort& system, SerialPort* demo, QString demo_name)
    : system_(system), demo_(demo), demo_name_(std::move(demo_name)), active_(&system) {}

bool RoutingSerialPort::is_demo(const QString& device) const {
    return demo_ && !demo_name_.isEmpty() && without_device_prefix(device) == demo_name_;
}

bool RoutingSerialPort::OpenPort(const QString& device, const QString& settings) {
    // Only one line is open at a time.
    active_->ClosePort();
    if (is_demo(device)) {
        // The demo line knows itself by its bare name.
        active_ = demo_;
        return demo_->OpenPort(without_device_prefix(device), settings);
    }
    active_ = &system_;
    return system_.OpenPort(device, settings);
}

int RoutingSerialPort::ClosePort() {
    return active_->ClosePort();
}

bool RoutingSerialPort::PortExists(const QString& name) {
    return is_demo(name) || system_.PortExists(name);
}

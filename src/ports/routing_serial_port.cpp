#include "ports/routing_serial_port.h"

#include "link/network_address.h"

namespace {
QString without_device_prefix(const QString& device) {
    static const QString prefix = QStringLiteral("\\\\.\\");
    return device.startsWith(prefix) ? device.mid(prefix.size()) : device;
}
} // namespace

RoutingSerialPort::RoutingSerialPort(SerialPort& system, SerialPort* demo, QString demo_name,
                                     SerialPort* network)
    : system_(system), demo_(demo), demo_name_(std::move(demo_name)), network_(network),
      active_(&system) {}

bool RoutingSerialPort::is_demo(const QString& device) const {
    return demo_ && !demo_name_.isEmpty() && without_device_prefix(device) == demo_name_;
}

SerialPort& RoutingSerialPort::switch_to(const QString& device, QString& name) {
    // Only one line is open at a time.
    active_->ClosePort();
    name = device;
    if (is_demo(device)) {
        // The demo line knows itself by its bare name.
        active_ = demo_;
        name = without_device_prefix(device);
    } else if (network_ && is_network_address(device)) {
        // A malformed address ends there too, with its reason as the message.
        active_ = network_;
    } else {
        active_ = &system_;
    }
    return *active_;
}

bool RoutingSerialPort::OpenPort(const QString& device, const QString& settings) {
    QString name;
    return switch_to(device, name).OpenPort(name, settings);
}

void RoutingSerialPort::OpenPortAsync(const QString& device, const QString& settings,
                                      std::function<void(bool)> opened) {
    QString name;
    switch_to(device, name).OpenPortAsync(name, settings, std::move(opened));
}

int RoutingSerialPort::ClosePort() {
    return active_->ClosePort();
}

bool RoutingSerialPort::PortExists(const QString& name) {
    if (network_ && is_network_address(name)) return network_->PortExists(name);
    return is_demo(name) || system_.PortExists(name);
}

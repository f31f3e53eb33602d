#pragma once
// Every kind of line the program opens, chosen by the name it is given: the
// built-in simulated line, a network gateway's address, or a serial device.
// The window and zorvik-cli both open their line through this.
#include "link/network_port.h"
#include "link/qt_serial_port.h"
#include "ports/routing_serial_port.h"
#include "sim/sim_port.h"

#include <memory>
#include <optional>

// The device a name opens: a gateway's address as it is written, the
// simulated line (when `demo_name` is given) by its own name, a serial device
// behind the "\\.\" prefix, as the run log names it.
QString device_for_name(const QString& name, const std::optional<QString>& demo_name = {});

class LinePorts {
public:
    // With `demo_name`, the simulated demo line is one of the lines, under that name.
    explicit LinePorts(const std::optional<QString>& demo_name);
    LinePorts(const LinePorts&) = delete;
    LinePorts& operator=(const LinePorts&) = delete;

    // The port that opens whichever line a device names.
    SerialPort& port() { return routing_; }

private:
    QtSerialPort system_;
    std::unique_ptr<SimSerialPort> demo_;
    NetworkPort network_;
    RoutingSerialPort routing_;
};

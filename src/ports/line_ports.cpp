#include "ports/line_ports.h"

#include "link/network_address.h"

QString device_for_name(const QString& name, const std::optional<QString>& demo_name) {
    if (is_network_address(name) || (demo_name && name == *demo_name)) return name;
    return QStringLiteral("\\\\.\\") + name;
}

LinePorts::LinePorts(const std::optional<QString>& demo_name)
    : demo_(demo_name ? std::make_unique<SimSerialPort>(SimLine::demo(), *demo_name) : nullptr),
      routing_(system_, demo_.get(), demo_name.value_or(QString()), &network_) {}

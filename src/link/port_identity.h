#pragma once
// Serial adapters by what they are rather than by the name the system gave
// them this time: ttyUSB0 today may be ttyUSB1 after a replug, but the
// system's by-id link (named after the adapter's maker, model and serial
// number) follows the adapter wherever it lands.
#include <QString>

// Where Linux keeps one link per serial adapter that tells its identity.
inline const QString kSerialByIdDir = QStringLiteral("/dev/serial/by-id");

// The link in `by_id_dir` that leads to the device `device` names (a path,
// or a name under /dev; a leading "\\.\" is allowed), with the "\\.\" kept;
// `device` itself when no link leads there (a pseudo-terminal, a network
// address, Windows).
QString stable_device_name(const QString& device, const QString& by_id_dir = kSerialByIdDir);

// The same device file, reached through whatever links.
bool same_device(const QString& a, const QString& b);

// What the port list says beside a port: "description, maker, S/N serial"
// of whatever is known, or empty.
QString port_note(const QString& description, const QString& maker, const QString& serial);

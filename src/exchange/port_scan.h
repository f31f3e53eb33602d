#pragma once
// The port presence scan: while no port is open, once a second the port list
// is refilled with the ports that exist, keeping the user's choice where it
// can.  The same tick ends the start-up splash.
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

class ComboBox;
class SerialPort;
struct Configurator;

// Where the list of present ports comes from.
class PortLister {
public:
    virtual ~PortLister() = default;
    // The ports that exist now, in the order the list shows them.
    virtual QStringList present_ports() = 0;
    // What the list says beside `port` (an adapter's make), as of the last
    // present_ports(); empty when nothing is known.
    virtual QString note_for(const QString& port) const {
        (void)port;
        return {};
    }
};

// Highest COMn probed on Windows.
inline constexpr int kMaxComPort = 30;

// "COM1" ... "COM30" for which `exists` holds, ascending.
QStringList com_ports(const std::function<bool(const QString&)>& exists);

// Device names in a natural order: "ttyS2" before "ttyS10", "ttyS*" before "ttyUSB*".
QStringList sorted_port_names(QStringList names);

// Refills the list with `found` (beside each its note, if any), or with
// "----" when nothing was found; keeps the selection index, falls back to the
// last entry, then the first.
void refill_port_list(ComboBox& list, const QStringList& found, const QStringList& notes = {});

// The lister of the program: the ports named on the command line (while
// their device exists), then the built-in demo line (when there is one), then
// the system's serial ports: COM1..COM30 on Windows, whatever the system
// reports elsewhere.  The named and demo ports come first, so that a USB
// adapter plugged in later does not shift them.
class SystemPortLister final : public PortLister {
public:
    SystemPortLister(SerialPort& port, QStringList named_ports, QString demo_name);
    QStringList present_ports() override;
    QString note_for(const QString& port) const override { return notes_.value(port); }

private:
    SerialPort& port_;
    QHash<QString, QString> notes_;
    QStringList named_;
    QString demo_;
};

// One tick of `Timer1`.
void port_presence_tick(Configurator& cfg, PortLister& lister);

#include "exchange/port_scan.h"

#include "exchange/configurator.h"
#include "link/port_identity.h"
#include "protocol/serial_port.h"

#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>

QStringList com_ports(const std::function<bool(const QString&)>& exists) {
    QStringList found;
    for (int n = 1; n <= kMaxComPort; ++n) {
        const QString name = QStringLiteral("COM") + QString::number(n);
        if (exists(name)) found.append(name);
    }
    return found;
}

namespace {
// "ttyUSB12" -> ("ttyUSB", 12); a name without trailing digits has -1.
std::pair<QString, long long> split_number(const QString& name) {
    qsizetype i = name.size();
    while (i > 0 && name[i - 1].isDigit()) --i;
    bool ok = false;
    const long long n = name.mid(i).toLongLong(&ok);
    return {name.left(i), ok ? n : -1};
}
} // namespace

QStringList sorted_port_names(QStringList names) {
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const auto [pa, na] = split_number(a);
        const auto [pb, nb] = split_number(b);
        if (pa != pb) return pa < pb;
        if (na != nb) return na < nb;
        return a < b;
    });
    return names;
}

void refill_port_list(ComboBox& list, const QStringList& found, const QStringList& notes) {
    if (found.isEmpty()) {
        list.clear();
        list.add_item(QStringLiteral("----"));
        list.set_list_index(0);
        return;
    }
    const int s = list.list_index();
    list.clear();
    for (qsizetype i = 0; i < found.size(); ++i) list.add_item(found[i], notes.value(i));
    int pick = std::min(s, int(found.size()) - 1);
    if (pick < 0) pick = 0; // nothing was selected before
    list.set_list_index(pick);
}

SystemPortLister::SystemPortLister(SerialPort& port, QStringList named_ports, QString demo_name)
    : port_(port), named_(std::move(named_ports)), demo_(std::move(demo_name)) {}

QStringList SystemPortLister::present_ports() {
    QStringList found;
    QStringList named_locations;
    notes_.clear();
    // What the system knows of each adapter, by the device it is.
    QHash<QString, QString> known;
    const QList<QSerialPortInfo> available = QSerialPortInfo::availablePorts();
    QHash<QString, QString> known_by_name; // COMn has no file to follow
    for (const QSerialPortInfo& info : available) {
        const QString note =
            port_note(info.description(), info.manufacturer(), info.serialNumber());
        known.insert(QFileInfo(info.systemLocation()).canonicalFilePath(), note);
        known_by_name.insert(info.portName(), note);
    }
    for (const QString& name : named_) {
        // A device path (a pseudo-terminal link of the simulator, say) is
        // present while it exists; a bare name is asked of the port layer.
        const bool is_path = name.contains(u'/') || name.contains(u'\\');
        const bool present = is_path ? QFileInfo::exists(name) : port_.PortExists(name);
        if (!present || found.contains(name)) continue;
        found.append(name);
        if (is_path) named_locations.append(QFileInfo(name).canonicalFilePath());
        notes_.insert(
            name,
            known.value(
                QFileInfo(is_path ? name : QStringLiteral("/dev/") + name).canonicalFilePath()));
    }
    if (!demo_.isEmpty()) found.append(demo_);
#ifdef Q_OS_WIN
    for (const QString& name : com_ports([this](const QString& n) { return port_.PortExists(n); }))
        if (!found.contains(name)) {
            found.append(name);
            notes_.insert(name, known_by_name.value(name));
        }
#else
    Q_UNUSED(known_by_name);
    QStringList system;
    for (const QSerialPortInfo& info : available) {
        const QString location = QFileInfo(info.systemLocation()).canonicalFilePath();
        if (named_locations.contains(location) || found.contains(info.portName())) continue;
        system.append(info.portName());
        notes_.insert(info.portName(), known.value(location));
    }
    found.append(sorted_port_names(system));
#endif
    return found;
}

void port_presence_tick(Configurator& cfg, PortLister& lister) {
    MainForm& f = cfg.frmSerial;
    // The splash stays for two ticks.
    if (f.start_ticks == 1) {
        cfg.splash.set_visible(false);
        f.set_visible(true);
    }
    // Counting further would only risk the 16-bit counter wrapping.
    if (f.start_ticks < 2) ++f.start_ticks;
    // No port is open while this timer runs; this only drops a handle left
    // over from an earlier open.
    cfg.port.ClosePort();
    cfg.port.FlushPort();
    const QStringList found = lister.present_ports();
    QStringList notes;
    for (const QString& name : found) notes.append(lister.note_for(name));
    refill_port_list(f.CmbPort, found, notes);
}

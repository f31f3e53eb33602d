#pragma once
// What the configurator remembers from one run to the next: the port (a
// system port or a serial device server's address) and the main window's
// place and size.  The polled address is not: a start polls address 0 and a
// search finds the sensors, whatever was polled last time.  Without a remembered value a start is
// as it always was; a port or address named on the command line, or the demo line, takes
// precedence.
#include <QByteArray>
#include <QString>

class QSettings;
class QWidget;
struct Configurator;

class SettingsMemory {
public:
    explicit SettingsMemory(QSettings& settings) : s_(settings) {}

    // Before the first presence scan: the remembered port as if typed into
    // the list (the scan selects it when present).
    void restore_line(Configurator& c) const;
    // From now on, remembers the port each time it opens.
    void watch(Configurator& c);

    QByteArray window_geometry() const;
    void save_window_geometry(const QWidget& w);

private:
    QSettings& s_;
};

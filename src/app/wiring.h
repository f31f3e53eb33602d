#pragma once
// Connects the controls of the windows to the procedures they run.
#include <QString>

class PortLister;
struct Configurator;

struct ShellOptions {
    // Press "Открыть порт" once, as soon as the main window has appeared.
    bool connect_when_shown = false;
    // After that press, search the line (once the port opens), so the first
    // look shows the sensors found rather than silence at address 0.
    bool scan_after_connect = true;
    // The port the press is for, when the command line named one.  It is
    // never replaced by another: while it is missing the port stays closed.
    QString connect_port;
};

// The status line when the port named for --connect is not there.
QString missing_port_text(const QString& port);

// One tick of the presence scan.  The port list is editable: an address the
// user has typed into it (and not picked from the list) outlives the refill.
void refresh_port_list(Configurator& cfg, PortLister& lister);

// The presence scan and the tab and generator-version switches, and the
// procedures of the other parts that are there so far: opening and closing
// the port, the exchange tick, network scan and address choice, the mode write.
void wire_shell(Configurator& cfg, PortLister& lister, const ShellOptions& options);

#pragma once
// Connects the controls of the windows to the procedures they run.
class PortLister;
struct Configurator;

struct ShellOptions {
    // Press "Открыть порт" once, as soon as the main window has appeared.
    bool connect_when_shown = false;
};

// The shell's own procedures: the presence scan, opening and closing the
// port, the exchange tick, the tab and generator-version switches.
void wire_shell(Configurator& cfg, PortLister& lister, const ShellOptions& options);

#pragma once
// The running program: the view model with its procedures, the four windows
// bound to it, the presence scan's port list.  main() builds the adapters
// and one of these.
#include "app/aux_windows.h"
#include "app/binder.h"
#include "app/certificate_actions.h"
#include "app/command_line.h"
#include "app/line_monitor_window.h"
#include "app/main_window.h"
#include "app/settings_memory.h"
#include "app/trend_window.h"
#include "exchange/configurator.h"
#include "exchange/port_scan.h"
#include "trends/trends.h"

#include <optional>

// The presence scan's list, with the serial device servers named on the
// command line (tcp://..., rfc2217://...) in front of the system's ports:
// an address is offered as long as the program runs.
class AddressedPortLister final : public PortLister {
public:
    AddressedPortLister(SerialPort& port, const QStringList& named_ports, QString demo_name);
    QStringList present_ports() override { return addresses_ + system_.present_ports(); }

private:
    QStringList addresses_;
    SystemPortLister system_;
};

class Application {
public:
    // `settings`, when given, keeps what the program remembers between runs.
    Application(SerialPort& port, Dialogs& dialogs, Tones& tones, const Clock& clock,
                const CommandLine& options, QSettings* settings = nullptr);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The main window's load with the run log in `log_folder`; shows the splash.
    bool start(const QString& log_folder);

    Configurator& cfg() { return cfg_; }
    MainWindow& main_window() { return main_; }
    TableWindow& table_window() { return table_; }
    ShiftWindow& shift_window() { return shift_; }
    SplashWindow& splash_window() { return splash_; }
    Trends& trends() { return trends_; }
    TrendWindow& trend_window() { return trend_window_; }
    LineMonitorWindow& line_monitor() { return *line_monitor_; }
    Binder& main_binder() { return main_binder_; }
    CertificateActions& certificate_actions() { return certificate_; }
    // Writes every pending model change to the widgets.
    void flush();
    // Ends the program as closing the main window does: the close routine,
    // then the event loop stops.
    void end();
    // Whether end() has run: the program is to stop, also when that happened
    // before the main event loop began (in a start-up message box).
    bool ended() const { return unloaded_; }

private:
    // The chart window's button and the stability hint of the main window.
    void wire_trends();

    Configurator cfg_;
    Trends trends_;
    AddressedPortLister lister_;
    MainWindow main_;
    TableWindow table_;
    ShiftWindow shift_;
    SplashWindow splash_;
    TrendWindow trend_window_;
    // Made once the exchange cycle is wired: it watches the cycle's tick.
    std::unique_ptr<LineMonitorWindow> line_monitor_;
    Binder main_binder_;
    Binder table_binder_;
    Binder shift_binder_;
    Binder splash_binder_;
    std::optional<SettingsMemory> memory_;
    // The control refuelling and the certificate on the "Тарировка" tab.
    CertificateActions certificate_;
    bool restore_line_ = false; // no port or address was named on the command line
    bool unloaded_ = false;
    void remember_window();
};

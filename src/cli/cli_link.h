#pragma once
// The window's configurator without a window, for one run of zorvik-cli: its
// view model, its run log, the port opened and closed by the window's own
// routines, its message boxes on stderr and no tones.
#include "cli/cli_runner.h"
#include "exchange/configurator.h"
#include "ui/dialogs.h"
#include "ui/tones.h"

// The window's message boxes, on stderr.
class ConsoleDialogs final : public Dialogs {
public:
    explicit ConsoleDialogs(CliConsole& console) : console_(console) {}
    void message(const QString& text, MsgIcon, const QString&) override { console_.err(text); }
    bool ask_yes_no(const QString&, const QString&) override { return false; }
    std::optional<QString> input_box(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    QString open_file(const QString&, const QString&, const QString&) override { return {}; }
    QString save_file(const QString&, const QString&, const QString&) override { return {}; }

private:
    CliConsole& console_;
};

class Silence final : public Tones {
public:
    void tone(int, int) override {}
};

class CliLink {
public:
    CliLink(CliLine line, CliConsole& console, const Clock& clock)
        : line_(line), console_(console), dialogs_(console),
          c_(line.port, dialogs_, tones_, clock) {}
    ~CliLink() { close(); }
    CliLink(const CliLink&) = delete;
    CliLink& operator=(const CliLink&) = delete;

    // Starts this run's log in `log_folder`, then opens `port_name` as the
    // window's "Открыть порт" does (the record "Com Port ... Open", or the
    // warning and the close routine).  False when either failed; it has said why.
    bool open(const QString& port_name, const QString& log_folder);
    // The window's close routine ("Com Port ... Closed"), once.
    void close();

    Configurator& cfg() { return c_; }
    SerialPort& port() { return line_.port; }
    const QString& device() const { return line_.device; }
    // The port is gone under the run: closes it and waits until it can be
    // opened by the same name again, saying both on stderr and in the run
    // log.  False when a stop came first.
    bool wait_for_return(const QString& port_name);

private:
    CliLine line_;
    CliConsole& console_;
    ConsoleDialogs dialogs_;
    Silence tones_;
    Configurator c_;
    bool opened_ = false;
    QString stable_device_; // the open device by its stable name
};

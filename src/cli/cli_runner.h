#pragma once
// One run of zorvik-cli against a sensor.  The port is opened and closed by
// the window's own routines, every reply goes through the window's reply
// dispatch, and the requests come from the protocol layer's builders: the
// run log, the status texts and the frames are the window's.  Only the
// pacing differs: a request goes out as soon as the previous reply is in,
// instead of on the next one-second tick.
#include "cli/cli_command_line.h"

#include <QString>

#include <atomic>
#include <functional>
#include <optional>

class Clock;
class SerialPort;

// The terminal side: results, messages, questions, and the user's wish to stop.
class CliConsole {
public:
    virtual ~CliConsole() = default;
    // One line on stdout (the line end is added).
    virtual void out(const QString& line) = 0;
    // Bytes on stdout as they are (a file's contents in its own encoding).
    virtual void out_bytes(const QByteArray& bytes) = 0;
    // One line on stderr.
    virtual void err(const QString& line) = 0;
    // A Yes/No question on the terminal; nullopt when there is no terminal.
    virtual std::optional<bool> ask(const QString& question) = 0;
    // Waits up to `ms`, less when a stop is requested.
    virtual void pause(int ms) = 0;
    // Set once Ctrl+C, SIGTERM or SIGHUP has come (or stdout has gone).
    virtual const std::atomic<bool>& stop_flag() const = 0;
    bool stop_requested() const { return stop_flag().load(); }
    // Progress of a long operation: a bar on stderr when stderr is a
    // terminal, nothing otherwise.
    virtual bool progress_is_bar() const { return false; }
    virtual void progress(int /*done*/, int /*total*/) {}
};

// Where the run talks: `port` opened as `device` (the name the run log shows).
struct CliLine {
    SerialPort& port;
    QString device;
};

// Carries out `inv` (already checked by parse_cli) and gives the exit status.
// Input files and questions are dealt with before the run log is started and
// the port opened; a refusal there sends nothing and writes no log.
// `log_folder` is asked only then (finding one may create it).
int run_cli(const Invocation& inv, CliLine line, CliConsole& console, const Clock& clock,
            const std::function<QString()>& log_folder);

// flash: the image checked first, then the upload through the bootloader.
int run_flash(const Invocation& inv, CliLine line, CliConsole& console, const Clock& clock,
              const std::function<QString()>& log_folder);

// relay, replay, and the table commands that need no sensor: no port, no run
// log (the window writes none for them).
int run_offline(const Invocation& inv, CliConsole& console, const Clock& clock);

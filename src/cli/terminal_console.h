#pragma once
// The console of a real run: stdout, stderr, questions on the terminal, and
// Ctrl+C, SIGTERM and SIGHUP as a request to stop.
#include "cli/cli_runner.h"
#include "i18n/language.h"

#include <cstdio>

// Writes `text` and a line end to `stream` in the local encoding, at once.
void print_line(std::FILE* stream, const QString& text);

class TerminalConsole final : public CliConsole {
public:
    // Takes SIGINT, SIGTERM and SIGHUP for the life of the console.
    TerminalConsole();
    ~TerminalConsole() override;

    // Messages arrive in Russian, as the run log keeps them, and are printed in
    // the language of the run (i18n/language.h).
    void out(const QString& line) override { print_line(stdout, shown_text(line)); }
    void out_bytes(const QByteArray& bytes) override;
    void err(const QString& line) override;
    // On the terminal when stdin is one: the question on stderr, the answer a
    // line on stdin; y, yes, д and да (any case) mean yes.  A stop while it
    // waits is a No (the caller sees the stop).
    std::optional<bool> ask(const QString& question) override;
    void pause(int ms) override;
    const std::atomic<bool>& stop_flag() const override;
    bool progress_is_bar() const override { return bar_; }
    void progress(int done, int total) override;

private:
    bool bar_ = false;      // stderr is a terminal
    bool bar_open_ = false; // the bar's line has no line end yet
};

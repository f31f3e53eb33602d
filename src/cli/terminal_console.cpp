#include "cli/terminal_console.h"

#include <QThread>

#include <algorithm>
#include <atomic>
#include <csignal>

#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#endif

namespace {
// Lock-free, so that the signal handler may set it.
std::atomic<bool> g_stop{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void on_stop_signal(int) {
    g_stop = true;
}

// The signals that ask us to stop; a hang-up (a dropped remote shell) too.
constexpr int kStopSignals[] = {
    SIGINT,
    SIGTERM,
#ifdef SIGHUP
    SIGHUP,
#endif
};

// Waits until stdin has a line to read; false when a stop came first.  The
// handlers let system calls resume, so a blocked read would not notice
// Ctrl+C: the wait is done here, a slice at a time.
bool wait_for_input() {
#ifdef Q_OS_WIN
    return !g_stop;
#else
    constexpr int kSliceMs = 100;
    pollfd in{STDIN_FILENO, POLLIN, 0};
    while (!g_stop) {
        const int n = ::poll(&in, 1, kSliceMs);
        if (n > 0 || (n < 0 && errno != EINTR)) return true; // the read says what it is
    }
    return false;
#endif
}
} // namespace

void print_line(std::FILE* stream, const QString& text) {
    const QByteArray bytes = (text + u'\n').toLocal8Bit();
    const bool written =
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size());
    // Nobody reads our results any more (`watch | head`): stop as on Ctrl+C,
    // so that the port is closed and the run log says so.
    if ((std::fflush(stream) != 0 || !written) && stream == stdout) g_stop = true;
}

void TerminalConsole::out_bytes(const QByteArray& bytes) {
    const bool written =
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size());
    if (std::fflush(stdout) != 0 || !written) g_stop = true;
}

TerminalConsole::TerminalConsole() : bar_(isatty(fileno(stderr))) {
    for (int s : kStopSignals) std::signal(s, on_stop_signal);
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN); // a closed stdout shows as a failed write instead
#endif
}

TerminalConsole::~TerminalConsole() {
    for (int s : kStopSignals) std::signal(s, SIG_DFL);
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_DFL);
#endif
}

std::optional<bool> TerminalConsole::ask(const QString& question) {
    if (!isatty(fileno(stdin))) return std::nullopt;
    const QByteArray prompt = (shown_text(question) + QStringLiteral(" [y/N] ")).toLocal8Bit();
    std::fwrite(prompt.constData(), 1, size_t(prompt.size()), stderr);
    std::fflush(stderr);
    char line[64] = {};
    if (!wait_for_input()) {
        std::fputc('\n', stderr); // what is said next goes below the question
        return false;
    }
    if (!std::fgets(line, sizeof line, stdin)) return false;
    const QString answer = QString::fromLocal8Bit(line).trimmed().toLower();
    return answer == u"y" || answer == u"yes" || answer == QStringLiteral("д") ||
           answer == QStringLiteral("да");
}

void TerminalConsole::pause(int ms) {
    constexpr int kSlice = 20;
    for (int waited = 0; waited < ms && !g_stop; waited += kSlice)
        QThread::msleep(unsigned(std::min(kSlice, ms - waited)));
}

const std::atomic<bool>& TerminalConsole::stop_flag() const {
    return g_stop;
}

void TerminalConsole::err(const QString& line) {
    if (bar_open_) std::fputc('\n', stderr); // the message goes below the bar
    bar_open_ = false;
    print_line(stderr, shown_text(line));
}

void TerminalConsole::progress(int done, int total) {
    if (!bar_ || total <= 0) return;
    constexpr int kWidth = 40;
    const int filled = int(int64_t(kWidth) * std::clamp(done, 0, total) / total);
    const QString bar = QStringLiteral("\r[%1%2] %3/%4")
                            .arg(QString(filled, u'#'), QString(kWidth - filled, u'.'))
                            .arg(done)
                            .arg(total);
    const QByteArray bytes = bar.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
    bar_open_ = true;
}

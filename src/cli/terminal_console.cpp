#include "cli/terminal_console.h"

#include <QThread>

#include <csignal>

#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace {
volatile std::sig_atomic_t g_stop = 0;

extern "C" void on_stop_signal(int) {
    g_stop = 1;
}
} // namespace

void print_line(std::FILE* stream, const QString& text) {
    const QByteArray bytes = (text + u'\n').toLocal8Bit();
    const bool written =
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size());
    // Nobody reads our results any more (`watch | head`): stop as on Ctrl+C,
    // so that the port is closed and the run log says so.
    if ((std::fflush(stream) != 0 || !written) && stream == stdout) g_stop = 1;
}

TerminalConsole::TerminalConsole() {
    std::signal(SIGINT, on_stop_signal);
    std::signal(SIGTERM, on_stop_signal);
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN); // a closed stdout shows as a failed write instead
#endif
}

TerminalConsole::~TerminalConsole() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_DFL);
#endif
}

std::optional<bool> TerminalConsole::ask(const QString& question) {
    if (!isatty(fileno(stdin))) return std::nullopt;
    const QByteArray prompt = (question + QStringLiteral(" [y/N] ")).toLocal8Bit();
    std::fwrite(prompt.constData(), 1, size_t(prompt.size()), stderr);
    std::fflush(stderr);
    char line[64] = {};
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

bool TerminalConsole::stop_requested() const {
    return g_stop != 0;
}

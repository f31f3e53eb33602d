#include "app/stop_signals.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>

namespace {
int pipe_fds[2] = {-1, -1};
// A hang-up (the remote shell or the terminal went away) is a request to stop
// like any other: the port is closed and the run log says so.
const int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
struct sigaction previous[std::size(kSignals)];

extern "C" void on_signal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a wake-up; nothing else may be done here.
    [[maybe_unused]] const ssize_t n = ::write(pipe_fds[1], &byte, 1);
    errno = saved;
}

bool make_pipe() {
    if (::pipe(pipe_fds) != 0) return false;
    for (int fd : pipe_fds) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    return true;
}

void close_pipe() {
    for (int& fd : pipe_fds) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}
} // namespace

StopSignals::StopSignals(std::function<void()> on_stop, QObject* parent)
    : QObject(parent), on_stop_(std::move(on_stop)) {
    if (pipe_fds[0] >= 0 || !make_pipe()) return;
    struct sigaction sa {};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &sa, &previous[i]);
    restored_ = false;
    notifier_ = new QSocketNotifier(pipe_fds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { take(); });
}

StopSignals::~StopSignals() {
    if (!notifier_) return;
    restore();
    delete notifier_;
    notifier_ = nullptr;
    close_pipe();
}

void StopSignals::take() {
    char buf[64];
    while (::read(pipe_fds[0], buf, sizeof buf) > 0) {
    }
    if (restored_) return;
    restore();
    if (on_stop_) on_stop_();
}

void StopSignals::restore() {
    if (restored_) return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &previous[i], nullptr);
    restored_ = true;
}

#else

StopSignals::StopSignals(std::function<void()> on_stop, QObject* parent)
    : QObject(parent), on_stop_(std::move(on_stop)) {}
StopSignals::~StopSignals() = default;
void StopSignals::take() {}
void StopSignals::restore() {}

#endif

#include "pty_pair.h"

#include <QElapsedTimer>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair() {
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        master_ = slave_ = -1;
        return;
    }
    for (int fd : {master_, slave_}) {
        termios t{};
        if (::tcgetattr(fd, &t) == 0) {
            ::cfmakeraw(&t);
            ::tcsetattr(fd, TCSANOW, &t);
        }
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    slave_path_ = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair() {
    close_master();
    if (slave_ >= 0) ::close(slave_);
}

bool PtyPair::write(const QByteArray& data) {
    qsizetype at = 0;
    while (at < data.size() && master_ >= 0) {
        const ssize_t n = ::write(master_, data.constData() + at, size_t(data.size() - at));
        if (n > 0) {
            at += n;
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{master_, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else {
            return false;
        }
    }
    return at == data.size();
}

QByteArray PtyPair::read(int count, int timeout_ms) {
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (master_ >= 0 && got.size() < count) {
        const qint64 left = timeout_ms - clock.elapsed();
        if (left <= 0) break;
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, int(left)) <= 0) continue;
        char buf[512];
        const ssize_t n =
            ::read(master_, buf, std::min<size_t>(sizeof buf, size_t(count - got.size())));
        if (n > 0)
            got.append(buf, n);
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            break;
    }
    return got;
}

QByteArray PtyPair::read_until_quiet(int quiet_ms) {
    QByteArray got;
    for (;;) {
        const QByteArray more = read(4096, quiet_ms);
        if (more.isEmpty()) return got;
        got += more;
    }
}

void PtyPair::close_master() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

#include "sim_test_util.h"

#include <QElapsedTimer>
#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

PosixClient::PosixClient(const QString& path) {
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) return;
    termios tio{};
    tcgetattr(fd_, &tio);
    cfmakeraw(&tio);
    cfsetispeed(&tio, B19200);
    cfsetospeed(&tio, B19200);
    tcsetattr(fd_, TCSANOW, &tio);
}

PosixClient::~PosixClient() {
    if (fd_ >= 0) ::close(fd_);
}

ssize_t PosixClient::write_raw(const QByteArray& data) {
    const ssize_t n = ::write(fd_, data.constData(), static_cast<size_t>(data.size()));
    if (n < 0) failed_ = true;
    return n;
}

QByteArray PosixClient::read_for(int quiet_ms, int total_ms) {
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < total_ms) {
        pollfd p{fd_, POLLIN, 0};
        const int wait = got.isEmpty() ? static_cast<int>(total_ms - clock.elapsed()) : quiet_ms;
        if (::poll(&p, 1, std::max(0, wait)) <= 0) {
            if (!got.isEmpty()) break;
            continue;
        }
        if (p.revents & POLLIN) {
            char buf[512];
            const ssize_t n = ::read(fd_, buf, sizeof buf);
            if (n <= 0) {
                failed_ = true;
                break;
            }
            got.append(buf, n);
        } else if (p.revents & (POLLHUP | POLLERR)) {
            failed_ = true;
            break;
        }
    }
    return got;
}

QByteArray PosixClient::exchange(const QByteArray& frame, int quiet_ms, int total_ms) {
    if (write_raw(frame) != frame.size()) return {};
    return read_for(quiet_ms, total_ms);
}

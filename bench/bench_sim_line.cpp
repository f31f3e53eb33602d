// What exchanges on the simulated line cost with wire timing, in-process and
// over a pseudo-terminal: a state request, and one 128-byte firmware block
// (write command, address frame, data frame) in the ROM bootloader.
#include "protocol/codes.h"
#include "protocol/frame_codec.h"
#include "sim/pty_server.h"
#include "sim/sim_port.h"

#include <QElapsedTimer>

#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {
QByteArray frame(std::initializer_list<int> list) {
    QByteArray b;
    for (int v : list) b.append(static_cast<char>(v));
    return b;
}

QByteArray block_frames(QByteArray& address, QByteArray& data) {
    address = frame({0x00, 0x00, 0x90, 0x00, 0x90});
    data = QByteArray(1, '\x7F') + QByteArray(128, '\x00') + QByteArray(1, '\x7F');
    return frame({0x31, 0xCE});
}

double in_process_state_ms(int rounds) {
    SimSerialPort port;
    port.line().set_wire_timing(true);
    port.OpenPort(kDemoPortName, QStringLiteral("19200,n,8,1"));
    const QByteArray req = Control_summ(frame({kRequestStart, 12, CMD_READ_STATE}));
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < rounds; ++i) {
        port.WritePort(req);
        if (port.ReadPort().size() != 24) std::fputs("bad reply\n", stderr);
    }
    return static_cast<double>(t.nsecsElapsed()) / 1e6 / rounds;
}

double in_process_block_ms(int rounds) {
    SimSerialPort port;
    port.line().set_wire_timing(true);
    port.line().enter_bootloader(12);
    port.OpenPort(kDemoPortName, QStringLiteral("19200,n,8,1"));
    port.WritePort(frame({0x7F}));
    port.ReadPort();
    QByteArray address, data;
    const QByteArray write = block_frames(address, data);
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < rounds; ++i)
        for (const QByteArray& f : {write, address, data}) {
            port.WritePort(f);
            if (port.ReadPort() != frame({0x79})) std::fputs("no acknowledge\n", stderr);
        }
    return static_cast<double>(t.nsecsElapsed()) / 1e6 / rounds;
}

// Write, then read until 20 ms pass without a byte: the real port's rule.
QByteArray pty_exchange(int fd, const QByteArray& f) {
    if (::write(fd, f.constData(), static_cast<size_t>(f.size())) != f.size()) return {};
    QByteArray got;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, got.isEmpty() ? 256 : 20) <= 0) break;
        char buf[256];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        got.append(buf, n);
    }
    return got;
}

void pty_figures(bool wire, int rounds) {
    PtyServer server(SimLine::demo());
    server.with_line([&](SimLine& l) {
        l.set_wire_timing(wire);
        l.enter_bootloader(1);
    });
    if (!server.start(QString())) return;
    const int fd = ::open(server.slave_path().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
    const QByteArray req = Control_summ(frame({kRequestStart, 12, CMD_READ_STATE}));
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < rounds; ++i)
        if (pty_exchange(fd, req).size() != 24) std::fputs("bad reply\n", stderr);
    const double state_ms = static_cast<double>(t.nsecsElapsed()) / 1e6 / rounds;
    pty_exchange(fd, frame({0x7F}));
    QByteArray address, data;
    const QByteArray write = block_frames(address, data);
    t.restart();
    for (int i = 0; i < rounds; ++i)
        for (const QByteArray& f : {write, address, data})
            if (pty_exchange(fd, f) != frame({0x79})) std::fputs("no acknowledge\n", stderr);
    const double block_ms = static_cast<double>(t.nsecsElapsed()) / 1e6 / rounds;
    ::close(fd);
    std::printf("pty %-13s  state exchange %7.2f ms   firmware block %7.2f ms\n",
                wire ? "wire timing" : "instant", state_ms, block_ms);
}
} // namespace

int main() {
    const int rounds = 20;
    std::printf("in-process wire timing  state exchange %7.2f ms   firmware block %7.2f ms\n",
                in_process_state_ms(rounds), in_process_block_ms(rounds));
    pty_figures(false, rounds);
    pty_figures(true, rounds);
    std::printf("(reads end 20 ms after the last byte, as on the real port)\n");
    return 0;
}

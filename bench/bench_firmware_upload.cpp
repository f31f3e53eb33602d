// How close the firmware upload comes to what the line allows: a 32 KiB
// program (256 blocks) uploaded through the real serial port over a
// pseudo-terminal to the simulated line's ROM bootloader with wire timing, as
// `zorvik-sim --bootloader --wire-timing` serves it.  The line limit is every
// byte both ways at 19200 baud 8N1 (10 bits a byte) plus the time the
// simulated part spends erasing and programming.  Target: upload / limit at
// most 1.1.  The read-back (verify) is timed on its own.
//
// The bench runs on one CPU.  On a virtual machine a byte written into a pty
// wakes its reader on the other, idle CPU up to 3 ms late (the bench prints
// how late, both ways); a frame crosses the pty twice, so across CPUs the
// figure measures the host's scheduling rather than the upload.
//
//   bench_firmware_upload [--design-read] [--all-cpus]
// --design-read: the same with every answer read by the plain ReadPort (which
// ends 20 ms after the last byte), for comparison.
// --all-cpus: the threads go wherever the system puts them.
#include "firmware/upload_engine.h"
#include "link/qt_serial_port.h"
#include "sim/pty_server.h"
#include "sim/rom_bootloader.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

#ifdef Q_OS_LINUX
#include <poll.h>
#include <pty.h>
#include <sched.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {
// Counts the bytes both ways; with `design_read` answers are read through
// ReadPort only.
class CountingPort final : public SerialPort {
public:
    CountingPort(SerialPort& p, bool design_read) : p_(p), design_read_(design_read) {}
    bool OpenPort(const QString& d, const QString& s) override { return p_.OpenPort(d, s); }
    int ClosePort() override { return p_.ClosePort(); }
    void FlushPort() override { p_.FlushPort(); }
    void DiscardInput() override { p_.DiscardInput(); }
    QByteArray ReadPort() override { return count(p_.ReadPort()); }
    QByteArray ReadExpected(int n, int timeout_ms) override {
        return design_read_ ? SerialPort::ReadExpected(n, timeout_ms)
                            : count(p_.ReadExpected(n, timeout_ms));
    }
    uint16_t WritePort(const QByteArray& data) override {
        const uint16_t n = p_.WritePort(data);
        sent += n;
        ++frames;
        return n;
    }
    int WriteWhenQuiet(const QByteArray& data, std::chrono::microseconds quiet,
                       QByteArray& heard) override {
        const int n = p_.WriteWhenQuiet(data, quiet, heard);
        count(heard);
        if (n > 0) {
            sent += n;
            ++frames;
        }
        return n;
    }
    bool PortExists(const QString& name) override { return p_.PortExists(name); }
    bool IsOpen() const override { return p_.IsOpen(); }

    int64_t sent = 0, received = 0, frames = 0;

private:
    QByteArray count(QByteArray b) {
        received += b.size();
        return b;
    }
    SerialPort& p_;
    bool design_read_;
};

QByteArray image_file(int program_blocks) {
    const FlashLayout& l = kZorvikLayout;
    QByteArray file(kImageHeaderSize, '\x11');
    for (int k = 0; k < l.first_program_block + program_blocks; ++k) {
        QByteArray block(kImageBlockSize, '\0');
        for (int i = 0; i < kImageBlockSize; ++i) block[i] = char((k * 37 + i * 11) & 0xFF);
        if (k == l.first_program_block) block[0] = char(kProgramMarker);
        file.append(block);
    }
    return file;
}

// How late this machine wakes a thread from a 1 ms sleep, median and 99th
// percentile in microseconds, with the same 1 us timer slack as the port's
// and the simulator's threads.  Each frame waits on several such wake-ups
// (the simulator's and ours), so the ratio depends on them.
std::pair<double, double> wake_lateness_us() {
#ifdef Q_OS_LINUX
    const int was = ::prctl(PR_GET_TIMERSLACK, 0UL, 0UL, 0UL, 0UL);
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
    using Clock = std::chrono::steady_clock;
    std::vector<double> late;
    for (int i = 0; i < 300; ++i) {
        const Clock::time_point due = Clock::now() + std::chrono::milliseconds(1);
        std::this_thread::sleep_until(due);
        late.push_back(double((Clock::now() - due).count()) / 1000.0);
    }
#ifdef Q_OS_LINUX
    if (was > 0) ::prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(was), 0UL, 0UL, 0UL);
#endif
    std::sort(late.begin(), late.end());
    return {late[late.size() / 2], late[late.size() * 99 / 100]};
}

#ifdef Q_OS_LINUX
// The calling thread, and the threads it starts from then on, on `cpu` only.
bool pin_to(int cpu) {
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    return ::sched_setaffinity(0, sizeof set, &set) == 0;
}

// How late a byte written into a pty after an 8 ms pause reaches a reader
// blocked on the other end, with the writer on `writer_cpu` and the reader
// on `reader_cpu`: median and 90th percentile in microseconds.
std::pair<double, double> pty_hop_us(int writer_cpu, int reader_cpu) {
    int master = -1, slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return {-1, -1};
    termios raw{};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave, TCSANOW, &raw);
    using Clock = std::chrono::steady_clock;
    constexpr int kSamples = 200;
    std::atomic<int64_t> sent{0};
    std::vector<double> late;
    std::thread reader([&] {
        if (!pin_to(reader_cpu)) return;
        ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        char b[16];
        for (int i = 0; i < kSamples; ++i) {
            pollfd p{slave, POLLIN, 0};
            if (::poll(&p, 1, 1000) <= 0) break;
            const int64_t now = Clock::now().time_since_epoch().count();
            if (::read(slave, b, sizeof b) <= 0) break;
            late.push_back(double(now - sent.load()) / 1000.0);
        }
    });
    std::thread writer([&] {
        if (!pin_to(writer_cpu)) return;
        for (int i = 0; i < kSamples; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(8));
            sent = Clock::now().time_since_epoch().count();
            if (::write(master, "x", 1) != 1) break;
        }
    });
    writer.join();
    reader.join();
    ::close(master);
    ::close(slave);
    if (late.size() < size_t(kSamples)) return {-1, -1};
    std::sort(late.begin(), late.end());
    return {late[late.size() / 2], late[late.size() * 9 / 10]};
}
#endif

double line_ms(int64_t bytes) {
    return double(bytes) * 10.0 * 1000.0 / 19200.0;
}
} // namespace

int main(int argc, char** argv) {
    bool design_read = false, all_cpus = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--design-read") == 0) {
            design_read = true;
        } else if (std::strcmp(argv[i], "--all-cpus") == 0) {
            all_cpus = true;
        } else {
            std::fprintf(stderr, "usage: bench_firmware_upload [--design-read] [--all-cpus]\n");
            return 2;
        }
    }
    int cpu = -1;
#ifdef Q_OS_LINUX
    // Before any thread starts: they all inherit it.
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    ::sched_getaffinity(0, sizeof allowed, &allowed);
    const int home_cpu = ::sched_getcpu();
    if (!all_cpus && home_cpu >= 0 && pin_to(home_cpu)) cpu = home_cpu;
#else
    (void)all_cpus;
#endif
    QCoreApplication app(argc, argv);
    constexpr int kProgramBlocks = 256; // 32 KiB

    SimLine line = SimLine::demo();
    line.set_wire_timing(true);
    line.enter_bootloader(line.sensor_at(0).address());
    PtyServer server(std::move(line));
    QString error;
    if (!server.start({}, &error)) {
        std::fprintf(stderr, "cannot serve the simulated line: %s\n", qPrintable(error));
        return 1;
    }
    QtSerialPort real;
    CountingPort port(real, design_read);
    if (!port.OpenPort(server.device_path(), QStringLiteral("19200,n,8,1"))) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(server.device_path()));
        return 1;
    }
    const auto image = parse_firmware_image(image_file(kProgramBlocks), kZorvikLayout);

    QElapsedTimer clock;
    qint64 t_verify = 0, t_start_cmd = 0;
    int64_t bytes_upload = 0, bytes_verify = 0, frames_upload = 0;
    UploadEvents events;
    events.stage = [&](UploadStage s) {
        if (s == UploadStage::Verifying) {
            t_verify = clock.nsecsElapsed();
            bytes_upload = port.sent + port.received;
            frames_upload = port.frames;
        } else if (s == UploadStage::Starting) {
            t_start_cmd = clock.nsecsElapsed();
            bytes_verify = port.sent + port.received - bytes_upload;
        }
    };
    std::atomic<bool> cancel{false};
    clock.start();
    const UploadOutcome outcome = run_upload(port, *image, {}, events, cancel);
    if (outcome.result != UploadResult::Done) {
        std::fprintf(stderr, "upload failed: %s\n", qPrintable(outcome.last_line));
        return 1;
    }

    const double upload_ms = double(t_verify) / 1e6;
    const double verify_ms = double(t_start_cmd - t_verify) / 1e6;
    const double busy_ms = (RomBootloader::kEraseAllUs + 4 * RomBootloader::kWordWriteUs +
                            kProgramBlocks * RomBootloader::kBlockWriteUs) /
                           1000.0;
    const double limit_ms = line_ms(bytes_upload) + busy_ms;
    const double verify_limit_ms = line_ms(bytes_verify);
    std::printf("firmware upload, %d program blocks (%d KiB), %s, answers read %s, %s\n",
                kProgramBlocks, kProgramBlocks * kImageBlockSize / 1024,
                qPrintable(server.device_path()),
                design_read ? "by ReadPort (20 ms pause)" : "as soon as they are there",
                cpu >= 0 ? qPrintable(QStringLiteral("all on CPU %1").arg(cpu)) : "on all CPUs");
    std::printf("upload:  %8.0f ms, line limit %8.0f ms (%lld bytes both ways + %.0f ms "
                "programming), ratio %.3f (target <= 1.1)\n",
                upload_ms, limit_ms, static_cast<long long>(bytes_upload), busy_ms,
                upload_ms / limit_ms);
    // For reading the ratio: the pause before each frame that the line needs
    // (not counted in the limit above).
    const double turnaround_ms = double(frames_upload) * double(kUploadTurnaround.count()) / 1000.0;
    std::printf("         %lld frames, each after a %.1f ms turnaround: %.0f ms; with these in "
                "the limit the ratio is %.3f\n",
                static_cast<long long>(frames_upload), double(kUploadTurnaround.count()) / 1000.0,
                turnaround_ms, upload_ms / (limit_ms + turnaround_ms));
    std::printf("verify:  %8.0f ms, line limit %8.0f ms (%lld bytes both ways), ratio %.3f\n",
                verify_ms, verify_limit_ms, static_cast<long long>(bytes_verify),
                verify_ms / verify_limit_ms);
    const auto [median, p99] = wake_lateness_us();
    std::printf("this machine wakes a thread from a 1 ms sleep %.0f us late (median), %.0f us "
                "(99th percentile)\n",
                median, p99);
#ifdef Q_OS_LINUX
    int other = -1;
    for (int c = 0; c < CPU_SETSIZE && other < 0; ++c)
        if (c != home_cpu && CPU_ISSET(c, &allowed)) other = c;
    if (home_cpu >= 0 && other >= 0) {
        const auto same = pty_hop_us(home_cpu, home_cpu);
        const auto across = pty_hop_us(home_cpu, other);
        if (same.first >= 0 && across.first >= 0)
            std::printf(
                "a byte through a pty after an 8 ms pause is read %.0f us after the write "
                "(median; 90th percentile %.0f) on the same CPU, %.0f us (%.0f) on another\n",
                same.first, same.second, across.first, across.second);
    }
#endif
    return 0;
}

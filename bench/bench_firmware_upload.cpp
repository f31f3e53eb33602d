// How close the firmware upload comes to what the line allows: a 32 KiB
// program (256 blocks) uploaded through the real serial port over a
// pseudo-terminal to the simulated line's ROM bootloader with wire timing, as
// `zorvik-sim --bootloader --wire-timing` serves it.  The line limit is every
// byte both ways at 19200 baud 8N1 (10 bits a byte) plus the time the
// simulated part spends erasing and programming.  Target: upload / limit at
// most 1.1.  The read-back (verify) is timed on its own.
//
//   bench_firmware_upload [--design-read]
// --design-read: the same with every answer read by the plain ReadPort (which
// ends 20 ms after the last byte), for comparison.
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
#include <sys/prctl.h>
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

double line_ms(int64_t bytes) {
    return double(bytes) * 10.0 * 1000.0 / 19200.0;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool design_read = argc > 1 && std::strcmp(argv[1], "--design-read") == 0;
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
    std::printf("firmware upload, %d program blocks (%d KiB), %s, answers read %s\n",
                kProgramBlocks, kProgramBlocks * kImageBlockSize / 1024,
                qPrintable(server.device_path()),
                design_read ? "by ReadPort (20 ms pause)" : "as soon as they are there");
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
    return 0;
}

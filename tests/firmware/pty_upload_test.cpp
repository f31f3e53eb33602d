// The upload through the window's engine and the real serial port, over a
// pseudo-terminal to the simulated line's ROM bootloader.
#include "../support/fakes.h"
#include "../support/firmware_image_file.h"

#include "exchange/configurator.h"
#include "exchange/connection.h"
#include "exchange/exchange_cycle.h"
#include "firmware/firmware_tab.h"
#include "firmware/upload_engine.h"
#include "link/qt_serial_port.h"
#include "sim/pty_server.h"
#include "ui/gating.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {
constexpr uint8_t kAddress = 12;

SimLine line_in_bootloader(bool wire_timing) {
    SimLine line;
    line.add_sensor(kAddress, 176);
    line.set_wire_timing(wire_timing);
    line.enter_bootloader(kAddress);
    return line;
}

struct PtyRig {
    PtyServer server;
    QTemporaryDir dir;
    FakeDialogs dialogs;
    FakeTones tones;
    FakeClock clock;
    QtSerialPort port;
    Configurator c{port, dialogs, tones, clock};
    MainForm& f = c.frmSerial;
    QByteArray image;

    PtyRig(bool wire_timing, int program_blocks) : server(line_in_bootloader(wire_timing)) {
        QString error;
        EXPECT_TRUE(server.start({}, &error)) << error.toStdString();
        c.log.create(dir.path());
        wire_exchange(c);
        wire_connection(c);
        wire_firmware(c);
        CloseAllTags(f);
        f.BTNOpenCom.set_enabled(true);
        c.device_for_item = [](const QString& item) { return item; };
        f.CmbPort.add_item(server.device_path());
        f.CmbPort.set_list_index(0);
        f.BTNOpenCom.click();
        EXPECT_TRUE(port.IsOpen());
        image = firmware_image_file(kZorvikLayout, program_blocks);
        f.firmware_file = dir.filePath("sensor.cri");
        QFile file(f.firmware_file);
        file.open(QIODevice::WriteOnly);
        file.write(image);
    }
    // Runs the event loop until `done`, for at most 60 s.
    bool pump_until(const std::function<bool()>& done) {
        const QDeadlineTimer deadline(60'000);
        while (!done() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(1);
        }
        return done();
    }
    bool finish() {
        return pump_until([this] { return f.start.enabled(); });
    }
    QByteArray memory(uint32_t address, int length) {
        return server.with_line(
            [&](SimLine& l) { return l.bootloader(kAddress)->memory(address, length); });
    }
};
} // namespace

TEST(PtyUpload, TheSensorHoldsExactlyTheImageAndRunsIt) {
    PtyRig r(false, 3);
    r.f.EEPROM.set_value(1);
    r.f.start.click();
    ASSERT_TRUE(r.finish());
    EXPECT_TRUE(r.f.upload_log.text().endsWith(QStringLiteral("Block 1\r\n") + kUploadDone));
    EXPECT_TRUE(r.dialogs.messages.empty());
    EXPECT_EQ(r.memory(0x9000, 3 * 128), r.image.mid(64 + 160 * 128, 3 * 128));
    EXPECT_EQ(r.memory(0x4000, 8 * 128), r.image.mid(64, 8 * 128));
    EXPECT_FALSE(r.server.with_line([](SimLine& l) { return l.in_bootloader(kAddress); }));
    EXPECT_TRUE(r.f.TMRComm.enabled());
}

TEST(PtyUpload, ThePortVanishingFailsTheUploadAndTheWindowGoesOn) {
    PtyRig r(true, 40);
    r.f.start.click();
    ASSERT_TRUE(r.pump_until([&] { return r.f.upload_progress.value() >= 2; }));
    r.server.vanish(); // the adapter is pulled out
    ASSERT_TRUE(r.finish());
    // The failure line, then (as the loader was heard no more) the plain advice.
    const QStringList lines = r.f.upload_log.text().split(QStringLiteral("\r\n"));
    const QString last = lines.value(lines.size() - 2);
    EXPECT_TRUE(last.startsWith(QStringLiteral("-----Прошивка не удалась, блок ")))
        << last.toStdString();
    EXPECT_FALSE(r.dialogs.messages.empty());
    EXPECT_TRUE(r.f.TMRComm.enabled());
    ASSERT_TRUE(r.f.BTNCloseCom.enabled());
    r.f.BTNCloseCom.click();
    EXPECT_FALSE(r.port.IsOpen());
}

// Another device on the line, a sensor in periodic output, sends 3E 05 79 AA 55
// every 200 ms while the sensor to flash is still off: the 79 in it is no
// answer of a loader, and the upload never gets past synchronising.
TEST(PtyUpload, ChatterOnTheLineIsNoLoaderAnswering) {
    SimLine line;
    line.add_sensor(kAddress, 176); // running its program: not listening for 7F
    line.set_wire_timing(true);
    PtyServer server(std::move(line));
    QString error;
    ASSERT_TRUE(server.start({}, &error)) << error.toStdString();
    QtSerialPort port;
    ASSERT_TRUE(port.OpenPort(server.device_path(), QStringLiteral("19200,n,8,1")));
    std::atomic<bool> done{false};
    std::thread chatter([&] {
        while (!done) {
            server.send_noise(QByteArray::fromHex("3e0579aa55"));
            for (int ms = 0; ms < 200 && !done; ms += 5) QThread::msleep(5);
        }
    });
    const auto image = parse_firmware_image(firmware_image_file(kZorvikLayout, 2), kZorvikLayout);
    UploadSettings settings;
    settings.sync_timeout_ms = 1'500;
    QString text;
    UploadEvents events;
    events.text = [&](const QString& t) { text = t; };
    std::atomic<bool> cancel{false};
    const UploadOutcome outcome = run_upload(port, *image, settings, events, cancel);
    done = true;
    chatter.join();
    EXPECT_EQ(outcome.result, UploadResult::Failed);
    EXPECT_FALSE(outcome.synchronised);
    EXPECT_EQ(text, "Прошиваем !  \r\n-----Прошивка не удалась------");
}

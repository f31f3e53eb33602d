// The "Прошивка" tab: the upload on its worker thread, the window's controls
// around it, cancelling, closing, and the whole way over a pseudo-terminal to
// the simulated loader through the real serial port.
#include "../support/configurator_rig.h"
#include "../support/firmware_image_file.h"

#include "firmware/firmware_tab.h"
#include "firmware/upload_engine.h"
#include "link/qt_serial_port.h"
#include "protocol/requests.h"
#include "sim/pty_server.h"
#include "sim/rom_bootloader.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

#include <sys/stat.h>

namespace {
const QString kTwoBlocks =
    QStringLiteral("Прошиваем !  \r\nOk! \r\nBlock -1\r\nBlock 0\r\n") + kUploadDone;

// Runs the window's event loop until `done`, for at most 20 s.
bool pump_until(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(20'000);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

QString write_file(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

QString last_line(const TextBox& t) {
    return t.text().split(QStringLiteral("\r\n")).last();
}

// The configurator on the fake port, with the simulated loader answering it.
struct TabRig : ConfiguratorRig {
    RomBootloader rom;
    std::atomic<int> written{0};
    // Called on the worker thread with each frame the loader has heard and
    // its answer; returns what goes back.
    std::function<QByteArray(const QByteArray&, QByteArray)> answer;

    explicit TabRig(int program_blocks = 2) {
        wire_firmware(c);
        port.existing << QStringLiteral("COM3");
        open();
        port.responder = [this](const QByteArray& w) {
            ++written;
            QByteArray out;
            for (const auto& a : rom.hear(w)) out += a.bytes;
            return answer ? answer(w, out) : out;
        };
        f.firmware_file =
            write_file(dir, "sensor.cri", firmware_image_file(kZorvikLayout, program_blocks));
    }
    bool running() const { return !f.start.enabled(); }
    bool finish() {
        return pump_until([this] { return !running(); });
    }
};
} // namespace

TEST(FirmwareTab, TheImageComesFromItsOwnChooserOnly) {
    ConfiguratorRig r;
    wire_firmware(r.c);
    r.f.chosen_file = QStringLiteral("/data/tank.trr"); // chosen for a calibration
    r.dialogs.files = {QString(), QStringLiteral("/fw/new.cri")};
    r.f.open_firmware.set_enabled(true);
    r.f.open_firmware.click(); // cancelled: nothing changes
    EXPECT_EQ(r.f.filename_prog.text(), QStringLiteral("Нет файла"));
    r.f.open_firmware.click();
    EXPECT_EQ(r.f.firmware_file, QStringLiteral("/fw/new.cri"));
    EXPECT_EQ(r.f.filename_prog.text(), QStringLiteral("/fw/new.cri"));
    EXPECT_EQ(r.f.chosen_file, QStringLiteral("/data/tank.trr"));
}

TEST(FirmwareTab, AnImageThatIsNotWholeIsRefusedBeforeAnythingIsSent) {
    QTemporaryDir files;
    QByteArray damaged = firmware_image_file(kZorvikLayout, 2);
    damaged[64 + 160 * 128] = '\0';
    // A pipe nobody writes to: opening it as a plain file would never return.
    const QString fifo = files.filePath("pipe.cri");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString cannot_open = QStringLiteral("Не удалось открыть файл прошивки ");
    const struct {
        QString path;
        QString message;
    } rows[] = {
        // The last file chosen elsewhere is no image to flash.
        {QString(), QStringLiteral("Выберите файл прошивки кнопкой \"Открыть файл\".")},
        {files.filePath("gone.cri"),
         cannot_open + files.filePath("gone.cri") + ": файл не найден."},
        {fifo, cannot_open + fifo + ": это не файл."},
        {write_file(files, "huge.cri", QByteArray(kImageMaxSize + 1, '#')),
         cannot_open + files.filePath("huge.cri") + ": файл больше 1048576 байт."},
        {write_file(files, "bad.cri", damaged), QStringLiteral(" Файл поврежден ")},
    };
    for (const auto& row : rows) {
        TabRig r;
        r.f.chosen_file = write_file(files, "good.cri", firmware_image_file(kZorvikLayout, 2));
        r.f.firmware_file = row.path;
        r.f.start.click();
        EXPECT_EQ(r.dialogs.texts(), QStringList{row.message});
        EXPECT_TRUE(r.port.writes.empty());
        EXPECT_FALSE(r.running());
        EXPECT_TRUE(r.f.TMRComm.enabled());
        EXPECT_TRUE(r.f.upload_log.text().isEmpty());
    }
}

TEST(FirmwareTab, UploadOwnsThePortOnAWorkerAndGivesTheWindowBack) {
    TabRig r;
    // A refusal of the erase: its message boxes are shown by the window while
    // the worker waits for them.
    r.answer = [](const QByteArray& w, QByteArray heard) {
        return w.toHex() == "ff00" ? QByteArray::fromHex("1f") : heard;
    };
    bool waited = false;
    r.dialogs.during_message = [&] {
        EXPECT_TRUE(r.running());
        for (Control* ctl : std::initializer_list<Control*>{
                 &r.f.start, &r.f.open_firmware, &r.f.BTNCloseCom, &r.f.CmbPort, &r.f.Opros,
                 &r.f.EEPROM, &r.f.Pelgar, &r.f.verify_upload})
            EXPECT_FALSE(ctl->enabled()) << ctl->name().toStdString();
        EXPECT_FALSE(r.f.TMRComm.enabled());
        const int before = r.written;
        QThread::msleep(50);
        waited = waited || r.written == before;
        r.c.exchange.queue(QByteArrayLiteral("pending")); // asked for while the upload ran
    };
    r.f.start.click();
    ASSERT_TRUE(r.finish());
    EXPECT_TRUE(waited);
    EXPECT_EQ(r.dialogs.texts(),
              (QStringList{kUploadNack, "Стирание памяти не подтверждено: загрузчик отказал."}));
    EXPECT_EQ(r.f.upload_log.text(), "Прошиваем !  \r\n-----Прошивка не удалась------");
    EXPECT_TRUE(r.f.TMRComm.enabled());
    for (Control* ctl : std::initializer_list<Control*>{&r.f.start, &r.f.open_firmware,
                                                        &r.f.BTNCloseCom, &r.f.CmbPort, &r.f.Opros})
        EXPECT_TRUE(ctl->enabled()) << ctl->name().toStdString();
    EXPECT_EQ(r.f.upload_progress.value(), 0);
    EXPECT_EQ(r.f.upload_progress.max(), 4); // two blocks to write, two to read back
    EXPECT_EQ(r.f.dir_prog.text(), kFirmwareInstruction);
    EXPECT_FALSE(r.rom.started());
    // The cycle has run at once: what was asked during the upload is dropped,
    // and a state request went out.
    EXPECT_EQ(r.port.last_write(), request::read_state(0));
    EXPECT_EQ(r.f.MsgCom.text(), kUploadLeftInLoader);
}

// The sensor stays in its bootloader, which refuses every request with 0x1F:
// the window says so, tick after tick, and a scan does not take the refusal
// for a sensor at address 31.
TEST(FirmwareTab, AfterAFailedUploadTheCycleTellsTheLoaderApart) {
    TabRig r(4);
    r.rom.refuse_write_at(0x9080);
    r.answer = [](const QByteArray& w, QByteArray heard) {
        return w == request::net_scan() ? heard + QByteArray::fromHex("050c") : heard;
    };
    r.f.start.click();
    ASSERT_TRUE(r.finish());
    QStringList lines = r.f.upload_log.text().split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.value(lines.size() - 2),
              QStringLiteral("-----Прошивка не удалась, блок 1------"));
    // Then in plain words: the block, its address, and what to do.
    EXPECT_EQ(lines.last(), QStringLiteral("Блок 1 (адрес 0x9080) не записан. Повторите прошивку "
                                           "один раз; если этот блок не запишется снова, память "
                                           "датчика в этом месте изношена."));
    for (int i = 0; i < 2; ++i) {
        r.tick();
        EXPECT_EQ(r.f.MsgCom.text(), kUploadLeftInLoader);
    }
    r.f.Opros.click();
    r.tick(); // the scan goes out
    r.tick(); // its answer: the loader's refusal first, then two sensors
    EXPECT_EQ(r.f.netdev.text(), QStringLiteral("5 12 "));
    EXPECT_EQ(r.f.CmbNet.items(), (QStringList{"5", "12"}));

    // The same block refused again: worn flash, no endless retrying.
    r.f.start.click();
    ASSERT_TRUE(r.finish());
    EXPECT_TRUE(last_line(r.f.upload_log)
                    .startsWith(QStringLiteral("Блок 1 (адрес 0x9080) не записан и в прошлой "
                                               "попытке: память датчика в этом месте изношена. "
                                               "Не повторяйте прошивку")))
        << last_line(r.f.upload_log).toStdString();
    EXPECT_TRUE(r.log_lines().contains(QStringLiteral("Прошивка: ") + last_line(r.f.upload_log)));

    // The adapter pulled out mid-upload is no worn memory.
    r.port.existing.clear();
    r.f.start.click();
    ASSERT_TRUE(r.finish());
    EXPECT_EQ(last_line(r.f.upload_log), "Порт COM3 пропал во время прошивки, блок 1 не записан. "
                                         "Подключите адаптер и повторите прошивку.");
}

// The stage line counts the blocks from 1, writing then checking, and names
// the sensor being flashed.
TEST(FirmwareTab, TheStageLineCountsBlocksAndNamesTheSensor) {
    TabRig r;
    r.f.sn.set_text(QStringLiteral("24050012"));
    QStringList seen;
    r.f.dir_prog.on_text_changed = [&] {
        if (seen.isEmpty() || seen.last() != r.f.dir_prog.text()) seen << r.f.dir_prog.text();
    };
    r.f.start.click();
    ASSERT_TRUE(r.finish());
    ASSERT_TRUE(r.rom.started());
    QStringList counted;
    for (const QString& line : seen)
        if (line.contains(QStringLiteral(" из "))) counted << line.section(u',', 0, 0);
    EXPECT_EQ(counted, (QStringList{"Запись 1 из 2", "Запись 2 из 2", "Проверка 1 из 2",
                                    "Проверка 2 из 2"}));
    EXPECT_TRUE(seen.join(u'|').contains(
        QStringLiteral("Запись 1 из 2, датчик 24050012. Не отключайте питание датчика")));
    EXPECT_EQ(r.f.dir_prog.text(), kFirmwareInstruction);
}

TEST(FirmwareTab, TheVerifyBoxDecidesWhetherBlocksAreReadBack) {
    for (const int box : {1, 0}) {
        TabRig r;
        EXPECT_EQ(r.f.verify_upload.value(), 1); // on at start
        r.f.verify_upload.set_value(box);
        // A loader that does not let its memory be read.
        r.rom.protect_read(true);
        r.f.start.click();
        ASSERT_TRUE(r.finish());
        if (box) {
            // Written, started, and said to be unchecked.
            EXPECT_EQ(r.dialogs.texts(), QStringList{kUploadReadRefused});
            EXPECT_TRUE(r.rom.started());
        } else {
            EXPECT_TRUE(r.dialogs.texts().isEmpty());
            EXPECT_EQ(r.f.upload_log.text(), kTwoBlocks);
            EXPECT_TRUE(r.rom.started());
        }
    }
}

TEST(FirmwareTab, CancelWhileWaitingForTheSensorOrBetweenBlocks) {
    for (const bool in_loop : {false, true}) {
        TabRig r(4);
        std::atomic<bool> clicked{false};
        int blocks = 0;
        r.answer = [&](const QByteArray& w, QByteArray heard) {
            if (!in_loop) {
                QThread::msleep(2);
                return QByteArray(); // the sensor stays off
            }
            // The second block (number 1) waits until Cancel has been
            // pressed; the upload then stops without waiting for its answer.
            if (w.size() == 130 && ++blocks == 2)
                for (int ms = 0; ms < 20'000 && !clicked; ++ms) QThread::msleep(1);
            return heard;
        };
        r.f.start.click();
        ASSERT_TRUE(pump_until([&] {
            return in_loop ? r.f.upload_progress.value() >= 1
                           : r.f.dir_prog.text().startsWith(QStringLiteral("Включите питание"));
        }));
        r.f.upload_cancel.click();
        clicked = true;
        ASSERT_TRUE(r.finish());
        EXPECT_EQ(last_line(r.f.upload_log), in_loop ? QStringLiteral("-----Прервано, блок 1------")
                                                     : QStringLiteral("-----Прервано------"));
        EXPECT_TRUE(r.f.TMRComm.enabled());
        EXPECT_FALSE(r.rom.started());
    }
}

TEST(FirmwareTab, ClosingThePortDuringAnUploadEndsItFirst) {
    TabRig r;
    r.answer = [](const QByteArray&, QByteArray) {
        QThread::msleep(2);
        return QByteArray();
    };
    r.f.start.click();
    ASSERT_TRUE(pump_until(
        [&] { return r.f.dir_prog.text().startsWith(QStringLiteral("Включите питание")); }));
    close_routine(r.c); // as closing the window does
    EXPECT_FALSE(r.f.upload_cancel.enabled());
    EXPECT_FALSE(r.port.IsOpen());
    EXPECT_EQ(last_line(r.f.upload_log), QStringLiteral("-----Прервано------"));
    const QDeadlineTimer settle(100); // what the worker posted last lands harmlessly
    pump_until([&] { return settle.hasExpired(); });
    EXPECT_FALSE(r.f.TMRComm.enabled());
    EXPECT_TRUE(r.f.BTNOpenCom.enabled());
}

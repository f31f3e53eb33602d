// The upload engine against the simulated ROM bootloader behind a recording
// port: the frames it sends, the progress text, and each way an upload can end.
#include "../support/fake_serial_port.h"
#include "../support/firmware_image_file.h"
#include "sim/sim_firmware_image.h"

#include "firmware/upload_engine.h"
#include "protocol/bootloader.h"
#include "sim/rom_bootloader.h"
#include "sim/sim_port.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {
const QString kTwoBlocks =
    QStringLiteral("Прошиваем !  \r\nOk! \r\nBlock -1\r\nBlock 0\r\n") + kUploadDone;

// Notes how long the line had been quiet (since the last byte read) when each
// frame went out.
class TimedPort : public FakeSerialPort {
public:
    using Clock = std::chrono::steady_clock;
    std::vector<Clock::duration> quiet_before_write;
    // A short read (a turnaround) that finds nothing lasts its time, as on a
    // real port; longer ones still end at once, so that silence costs nothing.
    QByteArray ReadExpected(int count, int timeout_ms) override {
        QByteArray got = FakeSerialPort::ReadExpected(count, timeout_ms);
        if (!got.isEmpty())
            last_rx_ = Clock::now();
        else if (timeout_ms > 0 && timeout_ms < SerialPort::kInterByteGapMs)
            std::this_thread::sleep_for(std::chrono::milliseconds(timeout_ms));
        return got;
    }
    uint16_t WritePort(const QByteArray& data) override {
        if (last_rx_) quiet_before_write.push_back(Clock::now() - *last_rx_);
        return FakeSerialPort::WritePort(data);
    }

private:
    std::optional<Clock::time_point> last_rx_;
};

struct LoaderRig {
    TimedPort port;
    RomBootloader rom;
    std::atomic<bool> cancel{false};
    UploadSettings settings;
    UploadEvents events;
    QString text;
    QStringList messages;
    // Stands in for the loader's answer to `written` (which it has heard).
    std::function<QByteArray(const QByteArray& written, QByteArray answer)> answer;
    std::function<void(int done)> on_progress;

    LoaderRig() {
        port.set_open(true);
        port.responder = [this](const QByteArray& w) {
            QByteArray out;
            for (const auto& a : rom.hear(w)) out += a.bytes;
            return answer ? answer(w, out) : out;
        };
        settings.sync_timeout_ms = 200;
        events.text = [this](const QString& t) { text = t; };
        events.message = [this](const QString& m) { messages.append(m); };
        events.progress = [this](int done, int) {
            if (on_progress) on_progress(done);
        };
        events.stage = [this](UploadStage s) {
            if (s == UploadStage::Verifying && on_verify) on_verify();
        };
    }
    std::function<void()> on_verify;

    UploadOutcome run(const QByteArray& file) {
        const auto image = parse_firmware_image(file, settings.layout);
        EXPECT_TRUE(image.ok());
        return run_upload(port, *image, settings, events, cancel);
    }
    // The frames written, in hex; the 130-byte data frames as "data".
    QString frames() const {
        QStringList out;
        for (const QByteArray& w : port.writes)
            out.append(w.size() == 130 ? QStringLiteral("data") : QString::fromLatin1(w.toHex()));
        return out.join(u' ');
    }
    // Reads between the `n`-th write (from 0) and the next one.
    int reads_after_write(int n) const {
        int writes = -1, reads = 0;
        for (const QString& call : port.calls) {
            if (call == QStringLiteral("write") && ++writes > n) break;
            if (writes == n && call == QStringLiteral("ReadExpected")) ++reads;
        }
        return reads;
    }
};

const char* kHeaderFrames = "31ce 000048034b 00b3b3 31ce 000048054d 00b4b4 31ce 000048074f 00b5b5 "
                            "31ce 0000480941 00b6b6";
} // namespace

TEST(UploadEngine, TwoProgramBlocksAreWrittenReadBackAndStarted) {
    LoaderRig r;
    const QByteArray file = firmware_image_file(kZorvikLayout, 2);
    const UploadOutcome outcome = r.run(file);
    EXPECT_EQ(outcome.result, UploadResult::Done);
    EXPECT_EQ(r.text, kTwoBlocks);
    EXPECT_EQ(r.frames(),
              QStringLiteral("7f 43bc ff00 %1 31ce 0000900090 data 31ce 0000908010 data "
                             "11ee 0000900090 7f80 11ee 0000908010 7f80 11ee 000048034b 06f9 21de")
                  .arg(kHeaderFrames));
    EXPECT_EQ(r.port.writes[17], bootloader::data_frame(file.mid(64 + 160 * 128, 128)));
    EXPECT_EQ(r.rom.memory(0x9000, 256), file.mid(64 + 160 * 128, 256));
    EXPECT_EQ(r.rom.memory(0x4803, 7), QByteArray::fromHex("B300B400B500B6"));
    EXPECT_TRUE(r.rom.started());
    EXPECT_TRUE(r.messages.isEmpty());
    EXPECT_TRUE(outcome.synchronised);
    // Each frame waits for the line to have been quiet for the turnaround.
    ASSERT_EQ(r.port.quiet_before_write.size(), r.port.writes.size() - 1);
    EXPECT_GE(*std::min_element(r.port.quiet_before_write.begin(), r.port.quiet_before_write.end()),
              std::chrono::milliseconds(1));
}

TEST(UploadEngine, PelgarWithCalibrationResetWritesDataBlockZeroThenTheProgram) {
    LoaderRig r;
    r.settings.layout = kPelgarLayout;
    r.settings.reset_calibration = true;
    const QByteArray file = firmware_image_file(kPelgarLayout, 1);
    EXPECT_EQ(r.run(file).result, UploadResult::Done);
    EXPECT_TRUE(r.frames().startsWith(
        QStringLiteral("7f 43bc ff00 43bc ee11 %1 31ce 0000400040 data 31ce 00008a008a data 11ee")
            .arg(kHeaderFrames)));
    EXPECT_EQ(r.text,
              QStringLiteral("Прошиваем !  \r\nOk! \r\nBlock -149\r\nBlock -1\r\n") + kUploadDone);
    EXPECT_EQ(r.rom.memory(0x4000, 128), file.mid(64, 128));
    EXPECT_EQ(r.rom.memory(0x4080, 128), QByteArray(128, '\0')); // block 1 never written
    EXPECT_EQ(r.rom.memory(0x8A00, 128), file.mid(64 + 148 * 128, 128));
    EXPECT_TRUE(r.rom.data_memory_erased());
}

TEST(UploadEngine, ARefusedOrUnansweredEraseOrHeaderByteEndsTheUploadNamed) {
    struct Row {
        const char* frame;
        const char* answer;
        int write; // its place among the writes
        int reads; // reads it waits (a refusal: its own, and one to see it came alone)
        QStringList messages;
    };
    const Row rows[] = {
        {"ff00", "1f", 2, 2, {kUploadNack, "Стирание памяти не подтверждено: загрузчик отказал."}},
        // nothing for five reads
        {"43bc", "", 1, 5, {"Стирание памяти не подтверждено: загрузчик не ответил."}},
        {"00b5b5",
         "1f",
         11,
         2,
         {kUploadNack,
          "Запись байта заголовка по адресу 4807 не подтверждена: загрузчик отказал."}},
        {"0000480941",
         "",
         13,
         5,
         {"Запись байта заголовка по адресу 4809 не подтверждена: загрузчик не ответил."}},
    };
    for (const Row& row : rows) {
        LoaderRig r;
        r.answer = [&](const QByteArray& w, QByteArray heard) {
            return w.toHex() == row.frame ? QByteArray::fromHex(row.answer) : heard;
        };
        const UploadOutcome outcome = r.run(firmware_image_file(kZorvikLayout, 2));
        EXPECT_EQ(outcome.result, UploadResult::Failed) << row.frame;
        EXPECT_TRUE(outcome.synchronised) << row.frame;
        EXPECT_EQ(r.port.writes.size(), size_t(row.write + 1)) << row.frame; // nothing after it
        EXPECT_EQ(r.reads_after_write(row.write), row.reads) << row.frame;
        EXPECT_EQ(r.messages, row.messages) << row.frame;
        EXPECT_EQ(r.text, "Прошиваем !  \r\n-----Прошивка не удалась------") << row.frame;
        EXPECT_FALSE(r.rom.started()) << row.frame;
    }
}

// Another device on the line (a sensor in periodic output) sends 3E 05 79 AA 55:
// the 79 inside it is no acknowledge, nor is one that more bytes follow at once.
TEST(UploadEngine, OnlyTheFirstByteAfterAFrameAnswersIt) {
    const QByteArray chatter = QByteArray::fromHex("3e0579aa55");
    // The loader is not listening yet (the sensor is still off); the chatter
    // may begin with an acknowledge's value.
    for (const QByteArray& noise : {chatter, QByteArray::fromHex("793e05aa55")}) {
        LoaderRig r;
        r.answer = [&](const QByteArray&, QByteArray) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            return noise;
        };
        const UploadOutcome outcome = r.run(firmware_image_file(kZorvikLayout, 1));
        EXPECT_EQ(outcome.result, UploadResult::Failed);
        EXPECT_FALSE(outcome.synchronised);
        EXPECT_EQ(r.frames().remove(u' ').remove(QStringLiteral("7f")), QString());
        EXPECT_EQ(r.text, "Прошиваем !  \r\n-----Прошивка не удалась------");
    }
    {
        // The chatter comes as the loader answers a header byte (or just
        // after its acknowledge): the frame counts as unanswered.
        for (const char* frame : {"00b5b5", "000048074f"}) {
            LoaderRig r;
            r.answer = [&](const QByteArray& w, QByteArray heard) -> QByteArray {
                if (w.toHex() != frame) return heard;
                return w.size() == 3 ? chatter + QByteArray::fromHex("1f") : heard + chatter;
            };
            EXPECT_EQ(r.run(firmware_image_file(kZorvikLayout, 1)).result, UploadResult::Failed);
            EXPECT_EQ(r.messages, QStringList{"Запись байта заголовка по адресу 4807 не "
                                              "подтверждена: загрузчик не ответил."})
                << frame;
            EXPECT_FALSE(r.frames().contains("0000480941")) << frame;
        }
    }
}

TEST(UploadEngine, ABlockRefusedUnansweredOrNotSentWholeEndsTheUploadWithoutStartingIt) {
    struct Row {
        const char* what;
        std::function<void(LoaderRig&)> fault;
        QStringList messages;
        int data_frames; // the data frames sent: none after a refused command or address
    };
    const Row rows[] = {
        {"refused",
         [](LoaderRig& r) { r.rom.refuse_write_at(0x9080); },
         {kUploadNack, " data 1,блок ошибка"},
         2},
        {"unanswered", [](LoaderRig& r) { r.rom.go_silent_after(1); }, {" 31 1,блок ошибка"}, 1},
        {"address refused",
         [](LoaderRig& r) {
             r.answer = [](const QByteArray& w, QByteArray heard) {
                 return w.toHex() == "0000908010" ? QByteArray::fromHex("1f") : heard;
             };
         },
         {kUploadNack, "addr 1,блок ошибка"},
         1},
        {"short write",
         [](LoaderRig& r) {
             r.on_progress = [&r](int done) {
                 if (done == 1) r.port.failing_writes = 1, r.port.failed_count = 1;
             };
         },
         {kUploadWriteFailed},
         1},
    };
    for (const Row& row : rows) {
        LoaderRig r;
        row.fault(r);
        const UploadOutcome outcome = r.run(firmware_image_file(kZorvikLayout, 3));
        EXPECT_EQ(outcome.result, UploadResult::Failed) << row.what;
        EXPECT_EQ(outcome.block, 1) << row.what;
        EXPECT_EQ(r.messages, row.messages) << row.what;
        EXPECT_EQ(r.text,
                  "Прошиваем !  \r\nOk! \r\nBlock -1\r\n-----Прошивка не удалась, блок 1------")
            << row.what;
        EXPECT_FALSE(r.frames().contains("21de")) << row.what;
        EXPECT_EQ(r.frames().count(QStringLiteral("data")), row.data_frames) << row.what;
        EXPECT_FALSE(r.rom.started()) << row.what;
    }
}

TEST(UploadEngine, ABlockOrHeaderByteThatCannotBeCheckedFailsTheUpload) {
    struct Row {
        const char* what;
        std::function<void(LoaderRig&)> fault;
        QStringList messages;
        QString last;
    };
    const Row rows[] = {
        {"block differs",
         [](LoaderRig& r) { r.on_verify = [&r] { r.rom.poke(0x9085, QByteArray(1, '\xEE')); }; },
         {"Блок 1 в датчике не совпадает с файлом"},
         "Block 1\r\n-----Проверка не прошла, блок 1------"},
        {"header byte differs",
         [](LoaderRig& r) { r.on_verify = [&r] { r.rom.poke(0x4807, QByteArray(1, '\x00')); }; },
         {"Байты заголовка в датчике не совпадают с файлом"},
         "Block 1\r\n-----Проверка не прошла------"},
        {"block read refused",
         [](LoaderRig& r) {
             r.answer = [](const QByteArray& w, QByteArray heard) {
                 return w.toHex() == "7f80" ? QByteArray::fromHex("1f") : heard;
             };
         },
         {kUploadNack, "Блок 0 не прочитан для проверки"},
         "Block 1\r\n-----Проверка не прошла, блок 0------"},
    };
    for (const Row& row : rows) {
        LoaderRig r;
        row.fault(r);
        const UploadOutcome outcome = r.run(firmware_image_file(kZorvikLayout, 3));
        EXPECT_EQ(outcome.result, UploadResult::Failed) << row.what;
        EXPECT_EQ(r.messages, row.messages) << row.what;
        EXPECT_TRUE(r.text.endsWith(row.last)) << r.text.toStdString();
        EXPECT_FALSE(r.frames().contains("21de")) << row.what;
        EXPECT_FALSE(r.rom.started()) << row.what;
        // The read-back that failed ended with its answer, waiting for nothing more.
        EXPECT_EQ(r.reads_after_write(int(r.port.writes.size()) - 1), 1) << row.what;
    }
}

TEST(UploadEngine, ALoaderThatLetsNothingBeReadStartsTheProgramUnchecked) {
    LoaderRig r;
    r.rom.protect_read(true);
    const UploadOutcome outcome = r.run(firmware_image_file(kZorvikLayout, 3));
    EXPECT_EQ(outcome.result, UploadResult::Done);
    EXPECT_EQ(r.messages, QStringList{kUploadReadRefused});
    EXPECT_TRUE(r.text.endsWith("Block 1\r\n" + kUploadReadRefused + "\r\n" + kUploadDone))
        << r.text.toStdString();
    EXPECT_EQ(r.frames().count(QStringLiteral("11ee")), 1);
    EXPECT_TRUE(r.rom.started());
}

TEST(UploadEngine, AStartRefusedOrUnansweredIsNotDone) {
    for (const bool verify : {true, false})
        for (const char* answer : {"1f", ""}) {
            LoaderRig r;
            r.settings.verify = verify;
            r.answer = [&](const QByteArray& w, QByteArray heard) {
                return w.toHex() == "21de" ? QByteArray::fromHex(answer) : heard;
            };
            const UploadOutcome outcome = r.run(firmware_image_file(kZorvikLayout, 2));
            EXPECT_EQ(outcome.result, UploadResult::NotStarted) << answer;
            const QString last = verify ? kUploadNotStarted : kUploadNotStartedUnchecked;
            EXPECT_EQ(outcome.last_line, last);
            EXPECT_EQ(r.text,
                      QStringLiteral("Прошиваем !  \r\nOk! \r\nBlock -1\r\nBlock 0\r\n") + last);
        }
}

TEST(UploadEngine, SynchronisationGivesUpInTimeOrWhenCancelled) {
    for (const bool cancel : {false, true}) {
        LoaderRig r;
        int syncs = 0;
        r.answer = [&](const QByteArray&, QByteArray) {
            if (++syncs == 3 && cancel) r.cancel = true;
            // A port that waits, as a real one does, instead of spinning.
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            return QByteArray(); // the sensor is still off
        };
        const UploadOutcome outcome = r.run(firmware_image_file(kZorvikLayout, 1));
        EXPECT_EQ(outcome.result, cancel ? UploadResult::Cancelled : UploadResult::Failed);
        EXPECT_EQ(r.frames().remove(u' ').remove(QStringLiteral("7f")), QString());
        if (cancel) {
            EXPECT_EQ(syncs, 3);
            EXPECT_TRUE(r.messages.isEmpty());
            EXPECT_EQ(r.text, "Прошиваем !  \r\n-----Прервано------");
        } else {
            EXPECT_EQ(r.messages,
                      QStringList{"Датчик не ответил за 1 с. Отключите питание датчика, "
                                  "нажмите \"Пуск\" и включите питание."});
            EXPECT_EQ(r.text, "Прошиваем !  \r\n-----Прошивка не удалась------");
        }
    }
}

TEST(UploadEngine, TheDemoLineSwitchesASensorOnAndTakesTheImage) {
    auto time = std::make_shared<ManualSimTime>(1'000'000);
    SimSerialPort port(SimLine::demo(), kDemoPortName, time);
    ASSERT_TRUE(port.OpenPort(kDemoPortName, QStringLiteral("19200,n,8,1")));
    const QByteArray file = firmware_image_file(kZorvikLayout, 2);
    const auto image = parse_firmware_image(file, kZorvikLayout);
    std::atomic<bool> cancel{false};
    EXPECT_EQ(run_upload(port, *image, {}, {}, cancel).result, UploadResult::Done);
    EXPECT_EQ(port.line().bootloader(1)->memory(0x9000, 256), file.mid(64 + 160 * 128, 256));
    EXPECT_FALSE(port.line().in_bootloader(1)); // running its new program
}

// The image zorvik-sim --make-image writes is one the simulated loader takes.
TEST(UploadEngine, TheSimulatorsOwnImageUploads) {
    auto time = std::make_shared<ManualSimTime>(1'000'000);
    SimSerialPort port(SimLine::demo(), kDemoPortName, time);
    ASSERT_TRUE(port.OpenPort(kDemoPortName, QStringLiteral("19200,n,8,1")));
    const QByteArray file = sim_firmware_image();
    const auto image = parse_firmware_image(file, kZorvikLayout);
    ASSERT_TRUE(image) << image.error().text.toStdString();
    std::atomic<bool> cancel{false};
    EXPECT_EQ(run_upload(port, *image, {}, {}, cancel).result, UploadResult::Done);
    EXPECT_EQ(port.line().bootloader(1)->memory(0x9000, 128), file.mid(64 + 160 * 128, 128));
}

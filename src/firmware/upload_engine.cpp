#include "firmware/upload_engine.h"

#include "protocol/bootloader.h"
#include "protocol/serial_port.h"

#include <QElapsedTimer>
#include <QFile>

namespace {

// One read of the line: as long as the design's ReadPort waits for nothing.
constexpr int kSliceMs = SerialPort::kTotalReadMs;
// Reads an answer gets: five, as the design's wrstr gives it (about 1.3 s).
constexpr int kAnswerSlices = 5;
// An erase of the whole flash takes the part far longer than a write.
constexpr int kEraseSlices = 20;

const QString kCrLf = QStringLiteral("\r\n");

enum class Answer { Ack, Nack, None, WriteFailed, Cancelled };

class Upload {
public:
    Upload(SerialPort& port, const FirmwareImage& image, const UploadSettings& settings,
           const UploadEvents& events, const std::atomic<bool>& cancel)
        : port_(port), image_(image), settings_(settings), events_(events), cancel_(cancel) {}

    UploadOutcome run();

private:
    bool cancelled() const { return cancel_.load(); }
    void show(const QString& text) {
        if (events_.message) events_.message(text);
    }
    void stage(UploadStage s) {
        if (events_.stage) events_.stage(s);
    }
    void append(const QString& piece) {
        text_ += piece;
        if (events_.text) events_.text(text_);
    }
    void progress() {
        if (events_.progress) events_.progress(done_, total_);
    }

    Answer synchronise();
    Answer wrstr(const QByteArray& frame, int slices = kAnswerSlices);
    bool write(const QByteArray& frame);
    Answer read_back(const ImageBlock& block, QByteArray& data);
    UploadOutcome end(UploadResult result, std::optional<int> block, const QString& line);
    UploadOutcome fail(Answer a, std::optional<int> block);

    SerialPort& port_;
    const FirmwareImage& image_;
    const UploadSettings& settings_;
    const UploadEvents& events_;
    const std::atomic<bool>& cancel_;
    QString text_;
    int done_ = 0, total_ = 0;
    bool stale_ = false; // an answer may still be on its way: drop it before the next frame
};

bool Upload::write(const QByteArray& frame) {
    if (stale_) {
        port_.discard_input();
        stale_ = false;
    }
    return port_.WritePort(frame) == frame.size();
}

Answer Upload::wrstr(const QByteArray& frame, int slices) {
    if (cancelled()) return Answer::Cancelled;
    if (!write(frame)) return Answer::WriteFailed;
    for (int i = 0; i < slices; ++i) {
        if (cancelled()) {
            stale_ = true;
            return Answer::Cancelled;
        }
        const QByteArray got = port_.read_expected(1, kSliceMs);
        if (got.isEmpty()) continue;
        if (uint8_t(got[0]) == bootloader::kAck) return Answer::Ack;
        if (uint8_t(got[0]) == bootloader::kNack) {
            show(kUploadNack);
            return Answer::Nack;
        }
    }
    stale_ = true;
    return Answer::None;
}

Answer Upload::synchronise() {
    stage(UploadStage::Synchronising);
    port_.discard_input(); // what the sensors said before is no answer of the bootloader
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < settings_.sync_timeout_ms) {
        if (cancelled()) return Answer::Cancelled;
        if (!write(bootloader::sync())) return Answer::WriteFailed;
        // Whatever else comes in this slice (a sensor in periodic output on
        // the line) is skipped; one sync byte a slice.
        QElapsedTimer slice;
        slice.start();
        while (slice.elapsed() < kSliceMs && !cancelled()) {
            const QByteArray got = port_.read_expected(1, int(kSliceMs - slice.elapsed()));
            if (got.isEmpty()) break;
            if (uint8_t(got[0]) == bootloader::kAck) return Answer::Ack;
        }
    }
    return Answer::None;
}

Answer Upload::read_back(const ImageBlock& block, QByteArray& data) {
    Answer a = wrstr(bootloader::read_command());
    if (a == Answer::Ack) a = wrstr(bootloader::address_frame(block.address));
    if (a != Answer::Ack) return a;
    if (!write(bootloader::read_count_frame(bootloader::kMaxWrite))) return Answer::WriteFailed;
    const int want = 1 + bootloader::kMaxWrite; // the acknowledge, then the block
    QByteArray got;
    for (int empty = 0; got.size() < want && empty < kAnswerSlices;) {
        if (cancelled()) {
            stale_ = true;
            return Answer::Cancelled;
        }
        const QByteArray piece = port_.read_expected(int(want - got.size()), kSliceMs);
        if (piece.isEmpty()) ++empty;
        got += piece;
        if (!got.isEmpty() && uint8_t(got[0]) != bootloader::kAck) break;
    }
    if (got.size() == want && uint8_t(got[0]) == bootloader::kAck) {
        data = got.mid(1);
        return Answer::Ack;
    }
    stale_ = true;
    if (!got.isEmpty() && uint8_t(got[0]) == bootloader::kNack) {
        show(kUploadNack);
        return Answer::Nack;
    }
    return Answer::None;
}

UploadOutcome Upload::end(UploadResult result, std::optional<int> block, const QString& line) {
    if (!text_.endsWith(kCrLf)) append(kCrLf);
    append(line);
    return {result, block, line};
}

UploadOutcome Upload::fail(Answer a, std::optional<int> block) {
    const QString at = block ? QStringLiteral(", блок %1").arg(*block) : QString();
    if (a == Answer::Cancelled)
        return end(UploadResult::Cancelled, block, QStringLiteral("-----Прервано%1------").arg(at));
    if (a == Answer::WriteFailed) show(kUploadWriteFailed);
    return end(UploadResult::Failed, block,
               QStringLiteral("-----Прошивка не удалась%1------").arg(at));
}

UploadOutcome Upload::run() {
    const std::vector<ImageBlock> blocks =
        image_.blocks_to_write(settings_.layout, settings_.reset_calibration);
    total_ = int(blocks.size()) * (settings_.verify ? 2 : 1);
    append(kUploadBegins);
    progress();

    const Answer synced = synchronise();
    if (synced == Answer::None) {
        show(QStringLiteral("Датчик не ответил за %1 с. Отключите питание датчика, нажмите "
                            "\"Пуск\" и включите питание.")
                 .arg((settings_.sync_timeout_ms + 999) / 1000));
        return fail(Answer::None, std::nullopt);
    }
    if (synced != Answer::Ack) return fail(synced, std::nullopt);

    // The answers to the erase and the header bytes are not examined: a part
    // that refused them refuses the blocks too, and that ends the upload.
    stage(UploadStage::Erasing);
    auto fatal = [](Answer a) { return a == Answer::WriteFailed || a == Answer::Cancelled; };
    std::vector<std::pair<QByteArray, int>> frames = {{bootloader::erase_command(), kAnswerSlices},
                                                      {bootloader::erase_program(), kEraseSlices}};
    if (settings_.reset_calibration) {
        frames.push_back({bootloader::erase_command(), kAnswerSlices});
        frames.push_back({bootloader::erase_data(), kEraseSlices});
    }
    for (const HeaderByte& h : image_.header_bytes()) {
        frames.push_back({bootloader::write_command(), kAnswerSlices});
        frames.push_back({bootloader::address_frame(h.address), kAnswerSlices});
        frames.push_back({bootloader::byte_frame(h.value), kAnswerSlices});
    }
    for (const auto& [frame, slices] : frames)
        if (const Answer a = wrstr(frame, slices); fatal(a)) return fail(a, std::nullopt);
    append(kCrLf + kUploadHeaderDone + kCrLf);

    stage(UploadStage::Writing);
    for (const ImageBlock& b : blocks) {
        // A refused command or address is told and the block still sent; the
        // part then refuses the data, which ends the upload.
        Answer a = wrstr(bootloader::write_command());
        if (fatal(a)) return fail(a, b.number);
        if (a != Answer::Ack) show(QStringLiteral(" 31 %1,блок ошибка").arg(b.number));
        a = wrstr(bootloader::address_frame(b.address));
        if (fatal(a)) return fail(a, b.number);
        if (a != Answer::Ack) show(QStringLiteral("addr %1,блок ошибка").arg(b.number));
        a = wrstr(bootloader::data_frame(b.data));
        if (a != Answer::Ack) {
            if (!fatal(a)) show(QStringLiteral(" data %1,блок ошибка").arg(b.number));
            return fail(a, b.number);
        }
        append(QStringLiteral("Block %1").arg(b.number - 1) + kCrLf);
        ++done_;
        progress();
    }

    if (settings_.verify) {
        stage(UploadStage::Verifying);
        for (const ImageBlock& b : blocks) {
            QByteArray got;
            const Answer a = read_back(b, got);
            if (fatal(a)) return fail(a, b.number);
            if (a != Answer::Ack || got != b.data) {
                show(a != Answer::Ack
                         ? QStringLiteral("Блок %1 не прочитан для проверки").arg(b.number)
                         : QStringLiteral("Блок %1 в датчике не совпадает с файлом").arg(b.number));
                return end(UploadResult::Failed, b.number,
                           QStringLiteral("-----Проверка не прошла, блок %1------").arg(b.number));
            }
            ++done_;
            progress();
        }
    }

    // The answer to go is not examined: the part may be running before it
    // has said so.
    stage(UploadStage::Starting);
    if (const Answer a = wrstr(bootloader::go_command()); fatal(a)) return fail(a, std::nullopt);
    append(kUploadDone);
    return {UploadResult::Done, std::nullopt, kUploadDone};
}

} // namespace

Result<FirmwareImage> load_firmware_image(const QString& path, const FlashLayout& layout) {
    if (path.isEmpty())
        return Error{ErrorKind::BadInput,
                     QStringLiteral("Выберите файл прошивки кнопкой \"Открыть файл\".")};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Error{ErrorKind::BadInput,
                     QStringLiteral("Не удалось открыть файл прошивки ") + path};
    // One byte more than the largest image, so that a larger file shows.
    return parse_firmware_image(file.read(kImageMaxSize + 1), layout);
}

UploadOutcome run_upload(SerialPort& port, const FirmwareImage& image,
                         const UploadSettings& settings, const UploadEvents& events,
                         const std::atomic<bool>& cancel) {
    return Upload(port, image, settings, events, cancel).run();
}

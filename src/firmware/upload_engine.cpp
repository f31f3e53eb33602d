#include "firmware/upload_engine.h"

#include "i18n/language.h"

#include "link/file_guard.h"
#include "protocol/bootloader.h"
#include "protocol/serial_port.h"

#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>
#include <utility>

namespace {

// One read of the line: as long as the design's ReadPort waits for nothing.
constexpr int kSliceMs = SerialPort::kTotalReadMs;
// Reads an answer gets: five, as the design's wrstr gives it (about 1.3 s).
constexpr int kAnswerSlices = 5;
// An erase of the whole flash takes the part far longer than a write.
constexpr int kEraseSlices = 20;

const QString kCrLf = QStringLiteral("\r\n");

enum class Answer { Ack, Nack, None, WriteFailed, Cancelled, ReadRefused };

bool fatal(Answer a) {
    return a == Answer::WriteFailed || a == Answer::Cancelled;
}

// "<what>: <why>." as one template a reason, so that the line is translated whole.
const char* unconfirmed_template(Answer a) {
    return a == Answer::Nack ? QT_TRANSLATE_NOOP("Messages", "%1: загрузчик отказал.")
                             : QT_TRANSLATE_NOOP("Messages", "%1: загрузчик не ответил.");
}

class Upload {
public:
    Upload(SerialPort& port, const FirmwareImage& image, const UploadSettings& settings,
           const UploadEvents& events, const std::atomic<bool>& cancel)
        : port_(port), image_(image), settings_(settings), events_(events), cancel_(cancel) {
        heard_.start();
    }

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

    static int turnaround_ms() {
        return int(std::chrono::ceil<std::chrono::milliseconds>(kUploadTurnaround).count());
    }
    Answer synchronise();
    void settle();
    bool alone();
    void skip_burst();
    Answer answer(int slices, const QByteArray* next, bool nack_is_error);
    Answer wrstr(const QByteArray& frame, int slices = kAnswerSlices,
                 const QByteArray* next = nullptr, bool nack_is_error = true);
    bool write(const QByteArray& frame);
    bool send(const QByteArray& frame);
    Answer read_back(uint32_t address, int length, QByteArray& data);
    Answer verify_header(bool& same);
    UploadOutcome end(UploadResult result, std::optional<int> block, const QString& line);
    UploadOutcome fail(Answer a, std::optional<int> block);
    UploadOutcome unconfirmed(Answer a, const QString& what);

    SerialPort& port_;
    const FirmwareImage& image_;
    const UploadSettings& settings_;
    const UploadEvents& events_;
    const std::atomic<bool>& cancel_;
    QString text_;
    int done_ = 0, total_ = 0;
    bool synchronised_ = false;
    QElapsedTimer heard_; // since the last byte received (or the start)
    // The frame after an acknowledge went out already (see answer()):
    // whether whole.
    std::optional<bool> ahead_;
};

// Whatever arrived before a frame is no answer to it: it is dropped, and the
// frame goes out once the line has been quiet for the turnaround.  The port
// itself watches the turnaround (a read that lasts it), so a byte that comes
// meanwhile is seen, even one the system has not handed over yet, and the
// wait begins again: a burst of another device's bytes is never cut in two,
// which could leave an 0x79 of it first in line.  A line that never pauses
// gets the frame after one slice; the answer's first byte then decides.
void Upload::settle() {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        const bool quiet_already =
            std::chrono::nanoseconds(heard_.nsecsElapsed()) >= kUploadTurnaround;
        if (port_.ReadExpected(SerialPort::kMaxChunk, quiet_already ? 0 : turnaround_ms())
                .isEmpty())
            break;
        heard_.restart();
        if (waited.elapsed() >= kSliceMs || cancelled()) break;
    }
}

bool Upload::write(const QByteArray& frame) {
    settle();
    return port_.WritePort(frame) == frame.size();
}

// The frame, unless answer() sent it ahead already.
bool Upload::send(const QByteArray& frame) {
    const std::optional<bool> sent = std::exchange(ahead_, std::nullopt);
    return sent ? *sent : write(frame);
}

// Bytes that are no answer of the loader (another device on the line, noise):
// the rest of their burst goes with them, up to a pause as ReadPort ends a read.
void Upload::skip_burst() {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kSliceMs && !cancelled()) {
        if (port_.ReadExpected(SerialPort::kMaxChunk, SerialPort::kInterByteGapMs).isEmpty()) break;
        heard_.restart();
    }
}

// The loader answers with one byte and then waits for us: a byte followed at
// once by more (within the turnaround) was part of another device's burst.
bool Upload::alone() {
    if (!port_.ReadExpected(SerialPort::kMaxChunk, turnaround_ms()).isEmpty()) {
        heard_.restart();
        skip_burst();
        return false;
    }
    return true;
}

// The first byte of what comes back decides, read by read as the design's
// wrstr takes the first byte of each ReadPort.  With the `next` frame known,
// an acknowledge is followed by it as soon as the line has been quiet for the
// turnaround: the quiet that shows the acknowledge came alone lets the next
// frame go, in one wait.
Answer Upload::answer(int slices, const QByteArray* next, bool nack_is_error) {
    for (int i = 0; i < slices; ++i) {
        if (cancelled()) return Answer::Cancelled;
        const QByteArray got = port_.ReadExpected(1, kSliceMs);
        if (got.isEmpty()) continue;
        heard_.restart();
        const uint8_t b = uint8_t(got[0]);
        if (b != bootloader::kAck && b != bootloader::kNack) {
            skip_burst();
            continue;
        }
        if (b == bootloader::kAck && next && !cancelled()) {
            QByteArray heard;
            const int n = port_.WriteWhenQuiet(*next, kUploadTurnaround, heard);
            if (n < 0) {
                heard_.restart();
                skip_burst();
                continue;
            }
            ahead_ = n == next->size();
            return Answer::Ack;
        }
        if (!alone()) continue;
        if (b == bootloader::kAck) return Answer::Ack;
        if (nack_is_error) show(kUploadNack);
        return Answer::Nack;
    }
    return Answer::None;
}

Answer Upload::wrstr(const QByteArray& frame, int slices, const QByteArray* next,
                     bool nack_is_error) {
    if (cancelled()) return Answer::Cancelled;
    if (!send(frame)) return Answer::WriteFailed;
    return answer(slices, next, nack_is_error);
}

Answer Upload::synchronise() {
    stage(UploadStage::Synchronising);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < settings_.sync_timeout_ms) {
        if (cancelled()) return Answer::Cancelled;
        if (!write(bootloader::sync())) return Answer::WriteFailed;
        // Only the first byte after our sync byte answers it; anything else
        // (a sensor in periodic output on the line) is dropped before the next.
        const QByteArray got = port_.ReadExpected(1, kSliceMs);
        if (got.isEmpty()) continue;
        heard_.restart();
        if (uint8_t(got[0]) == bootloader::kAck && alone()) return Answer::Ack;
    }
    return Answer::None;
}

Answer Upload::read_back(uint32_t address, int length, QByteArray& data) {
    const QByteArray where = bootloader::address_frame(address);
    const QByteArray count = bootloader::read_count_frame(length);
    // A loader protected against reading refuses the command itself: no error
    // of the upload, the caller decides.
    Answer a = wrstr(bootloader::read_command(), kAnswerSlices, &where, false);
    if (a == Answer::Nack) return Answer::ReadRefused;
    if (a == Answer::Ack) a = wrstr(where, kAnswerSlices, &count);
    if (a != Answer::Ack) return a;
    if (!send(count)) return Answer::WriteFailed;
    const int want = 1 + length; // the acknowledge, then the bytes
    QByteArray got;
    for (int empty = 0; got.size() < want && empty < kAnswerSlices;) {
        if (cancelled()) return Answer::Cancelled;
        const QByteArray piece = port_.ReadExpected(int(want - got.size()), kSliceMs);
        if (piece.isEmpty())
            ++empty;
        else
            heard_.restart();
        got += piece;
        if (!got.isEmpty() && uint8_t(got[0]) != bootloader::kAck) break;
    }
    if (got.size() == want && uint8_t(got[0]) == bootloader::kAck) {
        data = got.mid(1);
        return Answer::Ack;
    }
    if (!got.isEmpty() && uint8_t(got[0]) == bootloader::kNack) {
        show(kUploadNack);
        return Answer::Nack;
    }
    return Answer::None;
}

// The four header bytes, in one read from the first to the last.
Answer Upload::verify_header(bool& same) {
    const auto header = image_.header_bytes();
    const auto [lo, hi] = std::minmax_element(
        header.begin(), header.end(),
        [](const HeaderByte& a, const HeaderByte& b) { return a.address < b.address; });
    const auto first = lo->address; // a lambda may not capture a structured binding
    QByteArray got;
    const Answer a = read_back(first, int(hi->address - first) + 1, got);
    same = a == Answer::Ack && std::all_of(header.begin(), header.end(), [&](const HeaderByte& h) {
               return uint8_t(got[qsizetype(h.address - first)]) == h.value;
           });
    return a;
}

UploadOutcome Upload::end(UploadResult result, std::optional<int> block, const QString& line) {
    if (!text_.endsWith(kCrLf)) append(kCrLf);
    append(line);
    return {result, block, line, synchronised_};
}

UploadOutcome Upload::fail(Answer a, std::optional<int> block) {
    // The block, when there is one, is a template of its own: the line is
    // translated whole when shown.
    auto line = [&block](const char* without, const char* with) {
        return block ? fill_text(with, {QString::number(*block)}) : fill_text(without, {});
    };
    if (a == Answer::Cancelled)
        return end(UploadResult::Cancelled, block,
                   line(QT_TRANSLATE_NOOP("Messages", "-----Прервано------"),
                        QT_TRANSLATE_NOOP("Messages", "-----Прервано, блок %1------")));
    if (a == Answer::WriteFailed) show(kUploadWriteFailed);
    UploadOutcome o =
        end(UploadResult::Failed, block,
            line(QT_TRANSLATE_NOOP("Messages", "-----Прошивка не удалась------"),
                 QT_TRANSLATE_NOOP("Messages", "-----Прошивка не удалась, блок %1------")));
    o.link_failed = a == Answer::WriteFailed;
    return o;
}

// A frame before the blocks that was refused or not answered: named, and the
// upload ends there.
UploadOutcome Upload::unconfirmed(Answer a, const QString& what) {
    if (!fatal(a)) show(fill_text(unconfirmed_template(a), {what}));
    return fail(a, std::nullopt);
}

UploadOutcome Upload::run() {
    const std::vector<ImageBlock> blocks =
        image_.blocks_to_write(settings_.layout, settings_.reset_calibration);
    total_ = int(blocks.size()) * (settings_.verify ? 2 : 1);
    append(kUploadBegins);
    progress();

    const Answer synced = synchronise();
    if (synced == Answer::None) {
        show(fill_text(QT_TRANSLATE_NOOP("Messages",
                                         "Датчик не ответил за %1 с. Отключите питание датчика, "
                                         "нажмите \"Пуск\" и включите питание."),
                       {QString::number((settings_.sync_timeout_ms + 999) / 1000)}));
        return fail(Answer::None, std::nullopt);
    }
    if (synced != Answer::Ack) return fail(synced, std::nullopt);
    synchronised_ = true;

    // Every step is confirmed before the next: a refused erase or header
    // byte would leave the sensor wrong under a program that looks whole.
    stage(UploadStage::Erasing);
    struct Step {
        QByteArray frame;
        int slices;
        QString what;
    };
    const QString erase =
        QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Стирание памяти не подтверждено"));
    std::vector<Step> steps = {{bootloader::erase_command(), kAnswerSlices, erase},
                               {bootloader::erase_program(), kEraseSlices, erase}};
    if (settings_.reset_calibration) {
        const QString calibrations =
            QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Стирание калибровок не подтверждено"));
        steps.push_back({bootloader::erase_command(), kAnswerSlices, calibrations});
        steps.push_back({bootloader::erase_data(), kEraseSlices, calibrations});
    }
    for (const HeaderByte& h : image_.header_bytes()) {
        const QString what = fill_text(
            QT_TRANSLATE_NOOP("Messages", "Запись байта заголовка по адресу %1 не подтверждена"),
            {QStringLiteral("%1").arg(h.address, 4, 16, QChar(u'0'))});
        steps.push_back({bootloader::write_command(), kAnswerSlices, what});
        steps.push_back({bootloader::address_frame(h.address), kAnswerSlices, what});
        steps.push_back({bootloader::byte_frame(h.value), kAnswerSlices, what});
    }
    const QByteArray block_command = bootloader::write_command();
    for (size_t i = 0; i < steps.size(); ++i) {
        const QByteArray* next = i + 1 < steps.size() ? &steps[i + 1].frame
                                 : blocks.empty()     ? nullptr
                                                      : &block_command;
        if (const Answer a = wrstr(steps[i].frame, steps[i].slices, next); a != Answer::Ack)
            return unconfirmed(a, steps[i].what);
    }
    append(kCrLf + kUploadHeaderDone + kCrLf);

    stage(UploadStage::Writing);
    for (size_t k = 0; k < blocks.size(); ++k) {
        const ImageBlock& b = blocks[k];
        const std::pair<QByteArray, const char*> frames[] = {
            {block_command, QT_TRANSLATE_NOOP("Messages", " 31 %1,блок ошибка")},
            {bootloader::address_frame(b.address),
             QT_TRANSLATE_NOOP("Messages", "addr %1,блок ошибка")},
            {bootloader::data_frame(b.data),
             QT_TRANSLATE_NOOP("Messages", " data %1,блок ошибка")}};
        for (int i = 0; i < 3; ++i) {
            const QByteArray* next = i < 2                   ? &frames[i + 1].first
                                     : k + 1 < blocks.size() ? &block_command
                                                             : nullptr;
            const Answer a = wrstr(frames[i].first, kAnswerSlices, next);
            if (a == Answer::Ack) continue;
            if (!fatal(a)) show(fill_text(frames[i].second, {QString::number(b.number)}));
            return fail(a, b.number);
        }
        append(QStringLiteral("Block %1").arg(b.number - 1) + kCrLf);
        ++done_;
        progress();
    }

    bool read_refused = false;
    if (settings_.verify) {
        stage(UploadStage::Verifying);
        auto unchecked = [&](Answer a, std::optional<int> block, const QString& differs) {
            if (fatal(a)) return fail(a, block);
            if (a == Answer::ReadRefused)
                show(kUploadReadRefusedLater);
            else if (a == Answer::Ack)
                show(differs);
            else
                show(block ? fill_text(
                                 QT_TRANSLATE_NOOP("Messages", "Блок %1 не прочитан для проверки"),
                                 {QString::number(*block)})
                           : QString::fromUtf8(QT_TRANSLATE_NOOP(
                                 "Messages", "Байты заголовка не прочитаны для проверки")));
            return end(UploadResult::Failed, block,
                       block ? fill_text(QT_TRANSLATE_NOOP(
                                             "Messages", "-----Проверка не прошла, блок %1------"),
                                         {QString::number(*block)})
                             : QString::fromUtf8(
                                   QT_TRANSLATE_NOOP("Messages", "-----Проверка не прошла------")));
        };
        for (const ImageBlock& b : blocks) {
            QByteArray got;
            const Answer a = read_back(b.address, bootloader::kMaxWrite, got);
            // Every block was acknowledged; a loader that lets nothing be read
            // leaves the image unchecked, which is no reason to keep the sensor
            // in its loader.
            if (a == Answer::ReadRefused && &b == &blocks.front()) {
                read_refused = true;
                append(kUploadReadRefused + kCrLf);
                break;
            }
            if (a != Answer::Ack || got != b.data)
                return unchecked(
                    a, b.number,
                    fill_text(
                        QT_TRANSLATE_NOOP("Messages", "Блок %1 в датчике не совпадает с файлом"),
                        {QString::number(b.number)}));
            ++done_;
            progress();
        }
        bool same = false;
        if (read_refused)
            done_ = total_, progress();
        else if (const Answer a = verify_header(same); a != Answer::Ack || !same)
            return unchecked(a, std::nullopt,
                             QString::fromUtf8(QT_TRANSLATE_NOOP(
                                 "Messages", "Байты заголовка в датчике не совпадают с файлом")));
    }

    stage(UploadStage::Starting);
    const Answer go = wrstr(bootloader::go_command());
    if (fatal(go)) return fail(go, std::nullopt);
    if (go != Answer::Ack)
        return end(UploadResult::NotStarted, std::nullopt,
                   settings_.verify ? kUploadNotStarted : kUploadNotStartedUnchecked);
    append(kUploadDone);
    if (read_refused) show(kUploadReadRefused);
    return {UploadResult::Done, std::nullopt, kUploadDone, synchronised_};
}

} // namespace

Result<FirmwareImage> load_firmware_image(const QString& path, const FlashLayout& layout) {
    if (path.isEmpty())
        return Error{ErrorKind::BadInput,
                     QString::fromUtf8(QT_TRANSLATE_NOOP(
                         "Messages", "Выберите файл прошивки кнопкой \"Открыть файл\"."))};
    QFile file;
    QString why;
    if (!open_regular_file(path, kImageMaxSize, file, &why))
        return Error{
            ErrorKind::BadInput,
            fill_text(QT_TRANSLATE_NOOP("Messages", "Не удалось открыть файл прошивки %1: %2."),
                      {path, why})};
    // One byte more than the largest image, should the file have grown since.
    return parse_firmware_image(file.read(kImageMaxSize + 1), layout);
}

UploadOutcome run_upload(SerialPort& port, const FirmwareImage& image,
                         const UploadSettings& settings, const UploadEvents& events,
                         const std::atomic<bool>& cancel) {
    return Upload(port, image, settings, events, cancel).run();
}

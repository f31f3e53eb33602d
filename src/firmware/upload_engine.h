#pragma once
// The firmware upload through the sensor microcontroller's ROM bootloader,
// apart from any window: synchronise, erase, write the four header bytes and
// the image's blocks, read them back, start the program.  It blocks its
// caller for the length of the upload (the window runs it on a worker thread,
// the command-line tool on its own), every wait is bounded, and `cancel` is
// looked at before every frame and at least every 256 ms of waiting.
//
// The image is checked before anything is sent.  Any frame refused or not
// answered (erase, header byte, block), a frame the port did not take whole,
// a block or header byte that reads back different, all end the upload as a
// failure without starting the program.  Only the first byte that comes back
// after a frame is its answer: what was waiting before it is dropped, and a
// byte that is neither acknowledge nor refusal is not taken for either.
#include "protocol/firmware_image.h"
#include "protocol/result.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>

class SerialPort;

// The line stays quiet this long after the last byte received before a frame
// goes out: an RS-485 adapter that switches direction by itself is listening
// again by then, and the frame's first byte is not clipped.  About two
// character times at 19200 baud.
inline constexpr std::chrono::microseconds kUploadTurnaround{1'000};

struct UploadSettings {
    FlashLayout layout = kZorvikLayout;
    bool reset_calibration = false; // also erase and write the data memory
    bool verify = true;             // read every written block back
    int sync_timeout_ms = 60'000;   // how long the sensor has to be switched on
};

enum class UploadStage { Synchronising, Erasing, Writing, Verifying, Starting };

// What the upload reports as it goes; each runs on the uploading thread and
// may be left empty.
struct UploadEvents {
    // The whole progress text after each change.
    std::function<void(const QString& text)> text;
    std::function<void(UploadStage stage)> stage;
    // Blocks done of all there are to do (the writes, then as many reads when
    // verifying), for a progress bar.
    std::function<void(int done, int total)> progress;
    // A message for the user; returns once it has been seen.
    std::function<void(const QString& message)> message;
};

// NotStarted: every block written (and read back when verifying), but the
// loader refused or did not answer the start command.
enum class UploadResult { Done, Failed, Cancelled, NotStarted };

struct UploadOutcome {
    UploadResult result = UploadResult::Failed;
    std::optional<int> block; // the block it stopped at, numbered as the user is told
    QString last_line;        // the progress text's last line
    // The loader answered the synchronisation: unless the result is Done, the
    // sensor is still in its bootloader.
    bool synchronised = false;
    // It failed because the port could not be written, not by the loader.
    bool link_failed = false;
};

// Progress texts.
inline const QString kUploadBegins =
    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Прошиваем !  "));
inline const QString kUploadHeaderDone = QStringLiteral("Ok! ");
inline const QString kUploadDone =
    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "-----Готово------"));
inline const QString kUploadNack =
    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Ошибка 1F !!!!"));
inline const QString kUploadWriteFailed =
    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Ошибка записи в порт"));
inline const QString kUploadNotStarted = QString::fromUtf8(QT_TRANSLATE_NOOP(
    "Messages",
    "-----Записано и проверено, но датчик не запустился: выключите и включите питание------"));
inline const QString kUploadNotStartedUnchecked = QString::fromUtf8(QT_TRANSLATE_NOOP(
    "Messages",
    "-----Записано без проверки, но датчик не запустился: выключите и включите питание------"));
// Every block acknowledged, but the loader lets no memory be read: the program
// is started all the same, and this said.
inline const QString kUploadReadRefused = QString::fromUtf8(QT_TRANSLATE_NOOP(
    "Messages", "Записано без проверки чтением: загрузчик датчика не позволяет читать память."));
// A loader that let some blocks be read and then refused.
inline const QString kUploadReadRefusedLater = QString::fromUtf8(QT_TRANSLATE_NOOP(
    "Messages", "Загрузчик датчика перестал давать читать память: записанное не проверено."));

// Reads and checks the image file at `path`: a regular file of at most
// kImageMaxSize bytes, opened without waiting (a named pipe or a device is
// refused at once).  The error text is for the user.
Result<FirmwareImage> load_firmware_image(const QString& path, const FlashLayout& layout);

UploadOutcome run_upload(SerialPort& port, const FirmwareImage& image,
                         const UploadSettings& settings, const UploadEvents& events,
                         const std::atomic<bool>& cancel);

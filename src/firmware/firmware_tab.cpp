#include "firmware/firmware_tab.h"

#include "exchange/configurator.h"
#include "exchange/exchange_cycle.h"
#include "firmware/upload_engine.h"
#include "i18n/language.h"
#include "protocol/serial_port.h"
#include "ui/dialogs.h"

#include <QFileInfo>
#include <QObject>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

// How the upload shares the program.
//
// The window's thread checks the image, stops the exchange cycle and starts a
// worker thread; from then on only the worker touches the port, until it has
// finished.  Whatever the worker has to show (progress, texts, message boxes)
// it posts to the window's thread; for a message box it waits until the box
// has been closed, or the upload is cancelled.  Its last post hands over the
// outcome, and the window's thread sets the controls back and restarts the
// exchange cycle.  The close routine (closing the port or the window) cancels
// a running upload and waits for the worker before it closes the port.

namespace {

// The controls a user could talk to the sensor or the port with: switched
// off while an upload owns the port, and back as they were afterwards.
bool operable(const Control& c) {
    switch (c.kind()) {
    case ControlKind::Button:
    case ControlKind::TextBox:
    case ControlKind::CheckBox:
    case ControlKind::OptionButton:
    case ControlKind::ComboBox:
    case ControlKind::Slider:
    case ControlKind::Grid:
        return true;
    default:
        return false;
    }
}

class UploadRunner {
public:
    UploadRunner(Configurator& c, int sync_timeout_ms) : c_(c), sync_timeout_ms_(sync_timeout_ms) {}
    ~UploadRunner() { stop_worker(); } // the window is going: nothing more is shown
    UploadRunner(const UploadRunner&) = delete;
    UploadRunner& operator=(const UploadRunner&) = delete;

    void start();
    void cancel();
    // The close routine: the upload ends now, and the window is set back.
    void release();

private:
    template <class F> void post(F f) {
        QMetaObject::invokeMethod(&home_, std::move(f), Qt::QueuedConnection);
    }
    void stop_worker();
    void finish(uint64_t run, bool resume = true);
    void take_over_controls();
    UploadEvents events(uint64_t run);
    void show_message(uint64_t run, uint64_t ticket, const QString& text);

    Configurator& c_;
    const int sync_timeout_ms_;
    QObject home_; // posts from the worker land here, on the window's thread
    std::thread worker_;
    std::atomic<bool> cancel_{false};

    // Window's thread only.
    bool running_ = false;
    uint64_t run_ = 0;
    QString target_; // the sensor being flashed, as the stage line names it
    std::vector<std::pair<Control*, bool>> taken_; // controls switched off, with their state

    // Shared with the worker.
    std::mutex mutex_;
    std::condition_variable seen_;
    uint64_t asked_ = 0, answered_ = 0; // message boxes asked for and closed
    UploadOutcome outcome_;
    QString text_; // the progress text as the worker has it

    // Window's thread: what the last failed upload stopped at, to tell a block
    // that fails every time (worn flash) from a passing fault.
    FlashLayout layout_ = kZorvikLayout;
    std::optional<int> failed_before_;
};

// The last line of a failed upload, in plain words: which block, whether it
// failed before, and what to do.
QString failed_block_advice(const FlashLayout& layout, int block, bool failed_before) {
    const QString address = QStringLiteral("%1").arg(
        layout.program_start + uint32_t(block * kImageBlockSize), 4, 16, QChar(u'0'));
    return fill_text(
        failed_before
            ? QT_TRANSLATE_NOOP("Messages", "Блок %1 (адрес 0x%2) не записан и в прошлой попытке: "
                                            "память датчика в этом месте изношена. Не повторяйте "
                                            "прошивку: датчик нужно заменить или отправить "
                                            "производителю.")
            : QT_TRANSLATE_NOOP("Messages", "Блок %1 (адрес 0x%2) не записан. Повторите прошивку "
                                            "один раз; если этот блок не запишется снова, память "
                                            "датчика в этом месте изношена."),
        {QString::number(block), address});
}

void UploadRunner::take_over_controls() {
    MainForm& f = c_.frmSerial;
    taken_.clear();
    for (Control* ctl : f.controls()) {
        const bool port_bound = ctl->tag() > 8 || ctl == &f.BTNCloseCom || ctl == &f.CmbPort;
        if (!port_bound || !operable(*ctl)) continue;
        taken_.emplace_back(ctl, ctl->enabled());
        ctl->set_enabled(false);
    }
}

void UploadRunner::show_message(uint64_t run, uint64_t ticket, const QString& text) {
    if (run != run_) return; // an earlier upload's: its worker waits no more
    if (running_ && !cancel_) c_.dialogs.message(text);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        answered_ = std::max(answered_, ticket);
    }
    seen_.notify_all();
}

UploadEvents UploadRunner::events(uint64_t run) {
    UploadEvents e;
    e.text = [this, run](const QString& text) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            text_ = text;
        }
        post([this, run, text] {
            if (run == run_) c_.frmSerial.upload_log.set_text(text);
        });
    };
    e.progress = [this, run, verify = c_.frmSerial.verify_upload.value() == 1](int done,
                                                                               int total) {
        post([this, run, done, total, verify] {
            if (run != run_ || !running_) return;
            MainForm& f = c_.frmSerial;
            f.upload_progress.set_max(std::max(1, total));
            f.upload_progress.set_value(done);
            if (done > 0) f.dir_prog.set_text(stage_line(done, total, verify, target_));
        });
    };
    e.stage = [this, run](UploadStage stage) {
        QString text = kFirmwareWriting;
        if (stage == UploadStage::Synchronising)
            text = fill_text(kFirmwarePowerOn, {QString::number((sync_timeout_ms_ + 999) / 1000)});
        else if (stage == UploadStage::Verifying)
            text = kFirmwareVerifying;
        post([this, run, text] {
            if (run == run_ && running_) c_.frmSerial.dir_prog.set_text(text);
        });
    };
    e.message = [this, run](const QString& text) {
        uint64_t ticket = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ticket = ++asked_;
        }
        post([this, run, ticket, text] { show_message(run, ticket, text); });
        std::unique_lock<std::mutex> lock(mutex_);
        seen_.wait(lock, [&] { return answered_ >= ticket || cancel_; });
    };
    return e;
}

void UploadRunner::start() {
    MainForm& f = c_.frmSerial;
    if (running_ || !c_.port.IsOpen()) return;
    UploadSettings settings;
    settings.layout = f.Pelgar.value() ? kPelgarLayout : kZorvikLayout;
    layout_ = settings.layout;
    settings.reset_calibration = f.EEPROM.value() == 1;
    settings.verify = f.verify_upload.value() == 1;
    settings.sync_timeout_ms = sync_timeout_ms_;
    // The image first: a wrong file must not leave an erased sensor.
    Result<FirmwareImage> image = load_firmware_image(f.firmware_file, settings.layout);
    if (!image) {
        c_.dialogs.message(image.error().text);
        return;
    }

    // The exchange cycle lets go of the port.
    f.TMRComm.set_enabled(false);
    abandon_tick(c_);
    stop_worker(); // the previous upload's thread has ended; collect it

    running_ = true;
    const uint64_t run = ++run_;
    cancel_ = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        asked_ = answered_ = 0;
        text_.clear();
    }
    take_over_controls();
    f.upload_cancel.set_enabled(true);
    f.upload_progress.set_value(0);
    f.upload_log.set_text(QString());
    // The identified sensor, if any: the loader itself answers to no address.
    target_ = f.sn.text() != QStringLiteral("0") ? f.sn.text() : QString();
    c_.str_to_log(QStringLiteral("Прошивка ") + f.firmware_file);

    SerialPort& port = c_.port;
    worker_ =
        std::thread([this, run, &port, image = std::move(*image), settings, events = events(run)] {
            const UploadOutcome outcome = run_upload(port, image, settings, events, cancel_);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                outcome_ = outcome;
            }
            post([this, run] { finish(run); });
        });
}

void UploadRunner::cancel() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cancel_ = true;
    }
    seen_.notify_all();
}

void UploadRunner::stop_worker() {
    if (!worker_.joinable()) return;
    cancel();
    worker_.join();
}

void UploadRunner::finish(uint64_t run, bool resume) {
    if (!running_ || run != run_) return;
    stop_worker(); // it has posted this as its last act
    running_ = false;
    MainForm& f = c_.frmSerial;
    for (const auto& [ctl, enabled] : taken_) ctl->set_enabled(enabled);
    taken_.clear();
    f.upload_cancel.set_enabled(false);
    f.dir_prog.set_text(kFirmwareInstruction);
    c_.exchange.drop_pending(); // nothing asked for during the upload goes out after it
    UploadOutcome outcome;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        outcome = outcome_;
        f.upload_log.set_text(text_); // posts of the text may still be on their way
    }
    c_.str_to_log(QStringLiteral("Прошивка: ") + outcome.last_line);
    // Only where the loader itself refused the block, not where the link went:
    // an adapter pulled out mid-upload looks to the loader's protocol like a
    // loader gone silent.
    const QString port = f.CmbPort.selected_text();
    const bool port_gone = outcome.link_failed || c_.port.LinkLost() || !c_.port.PortExists(port);
    if (outcome.result == UploadResult::Failed && outcome.block && port_gone) {
        const QString advice = fill_text(
            QT_TRANSLATE_NOOP("Messages", "Порт %1 пропал во время прошивки, блок %2 не "
                                          "записан. Подключите адаптер и повторите прошивку."),
            {port, QString::number(*outcome.block)});
        f.upload_log.set_text(f.upload_log.text() + QStringLiteral("\r\n") + advice);
        c_.str_to_log(QStringLiteral("Прошивка: ") + advice);
    } else if (outcome.result == UploadResult::Failed && outcome.block) {
        const QString advice =
            failed_block_advice(layout_, *outcome.block, failed_before_ == outcome.block);
        f.upload_log.set_text(f.upload_log.text() + QStringLiteral("\r\n") + advice);
        c_.str_to_log(QStringLiteral("Прошивка: ") + advice);
        failed_before_ = outcome.block;
    } else if (outcome.result == UploadResult::Done) {
        failed_before_.reset();
    }

    // A sensor still in its bootloader refuses whatever the exchange cycle
    // sends; the cycle shows this instead of taking the refusals for replies.
    if (outcome.result == UploadResult::Done) {
        f.loader_left.clear();
    } else if (outcome.synchronised) {
        f.loader_left = outcome.result == UploadResult::NotStarted ? kUploadNotStartedStatus
                                                                   : kUploadLeftInLoader;
        f.MsgCom.set_fore_colour(kRed);
        f.MsgCom.set_text(f.loader_left);
    }
    // The exchange cycle runs again at once, whatever the outcome; unless the
    // port is being closed.
    if (resume && c_.port.IsOpen()) {
        f.TMRComm.set_enabled(true);
        TMRComm_Timer(c_);
    }
}

void UploadRunner::release() {
    if (!running_) return;
    stop_worker();
    finish(run_, false);
}

} // namespace

void open_firmware_Click(Configurator& c) {
    MainForm& f = c.frmSerial;
    const QString folder =
        f.firmware_file.isEmpty() ? QString() : QFileInfo(f.firmware_file).absolutePath();
    const QString path =
        c.dialogs.open_file(QStringLiteral("Open"), QStringLiteral("Bin Files (*.cri)"), folder);
    if (path.isEmpty()) return;
    f.firmware_file = path;
    f.filename_prog.set_text(path);
}

void wire_firmware(Configurator& c, int sync_timeout_ms) {
    auto runner = std::make_shared<UploadRunner>(c, sync_timeout_ms);
    MainForm& f = c.frmSerial;
    f.open_firmware.on_click = [&c] { open_firmware_Click(c); };
    f.start.on_click = [runner] { runner->start(); };
    f.upload_cancel.on_click = [runner, &f] {
        f.upload_cancel.set_enabled(false); // taken: the upload ends at its next look
        runner->cancel();
    };
    c.release_port = [runner] { runner->release(); };
}

QString stage_line(int done, int total, bool verify, const QString& target) {
    // Blocks counted from 1; with the read-back the second half checks them.
    const int blocks = verify ? total / 2 : total;
    const bool checking = verify && done > blocks;
    const QStringList counts{QString::number(checking ? done - blocks : done),
                             QString::number(blocks)};
    if (target.isEmpty())
        return fill_text(
            checking
                ? QT_TRANSLATE_NOOP("Messages", "Проверка %1 из %2. Не отключайте питание датчика")
                : QT_TRANSLATE_NOOP("Messages", "Запись %1 из %2. Не отключайте питание датчика"),
            counts);
    return fill_text(checking ? QT_TRANSLATE_NOOP("Messages", "Проверка %1 из %2, датчик %3. Не "
                                                              "отключайте питание датчика")
                              : QT_TRANSLATE_NOOP("Messages", "Запись %1 из %2, датчик %3. Не "
                                                              "отключайте питание датчика"),
                     counts + QStringList{target});
}

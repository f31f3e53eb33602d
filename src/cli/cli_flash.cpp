#include "cli/cli_link.h"

#include "firmware/upload_engine.h"

int run_flash(const Invocation& inv, CliLine line, CliConsole& console, const Clock& clock,
              const std::function<QString()>& log_folder) {
    UploadSettings settings;
    settings.layout = inv.pelgar ? kPelgarLayout : kZorvikLayout;
    settings.reset_calibration = inv.reset_calibration;
    settings.verify = inv.verify;
    // A wrong file must not leave an erased sensor: the image is checked whole first.
    const Result<FirmwareImage> image = load_firmware_image(inv.file, settings.layout);
    if (!image) {
        console.err(image.error().text);
        return kCliBadInput;
    }

    CliLink link(line, console, clock);
    if (!link.open(inv.port, log_folder())) return kCliFailed;
    Configurator& c = link.cfg();
    c.str_to_log(QStringLiteral("Прошивка ") + inv.file);

    // On a terminal a bar; otherwise the window's progress text, line by line
    // as each is complete.
    const bool bar = console.progress_is_bar();
    QString text;
    qsizetype shown = 0;
    auto show_complete_lines = [&] {
        static const QString kCrLf = QStringLiteral("\r\n");
        for (qsizetype end; (end = text.indexOf(kCrLf, shown)) >= 0; shown = end + kCrLf.size())
            if (end > shown) console.err(text.mid(shown, end - shown));
    };
    UploadEvents events;
    events.text = [&](const QString& whole) {
        text = whole;
        if (!bar) show_complete_lines();
    };
    events.progress = [&](int done, int total) { console.progress(done, total); };
    events.message = [&](const QString& message) { console.err(message); };

    const UploadOutcome outcome =
        run_upload(link.port(), *image, settings, events, console.stop_flag());
    // The last line ends without a line end; it is the outcome.
    console.err(outcome.last_line);
    c.str_to_log(QStringLiteral("Прошивка: ") + outcome.last_line);
    link.close();
    // Written but not started is no success either: the sensor is not running it.
    return outcome.result == UploadResult::Done ? kCliDone : kCliFailed;
}

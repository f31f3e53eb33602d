#include "cli/cli_line.h"
#include "i18n/language.h"

#include "cli/cli_link.h"
#include "exchange/line_diagnosis.h"
#include "exchange/line_monitor.h"
#include "link/capture_file.h"
#include "link/clock.h"
#include "link/text_files.h"
#include "protocol/serial_port.h"

#include <QDateTime>
#include <QElapsedTimer>

#include <chrono>
#include <memory>

namespace {
constexpr int kDefaultDiagCount = 100;

CliParse failed(const QString& text) {
    CliParse p;
    p.outcome = CliParse::Outcome::UsageError;
    p.text = text;
    return p;
}

int64_t steady_us() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// "HH:MM:SS.mmm  31 05 F0 FE  запрос 5: состояние"
QString frame_line(const LineFrame& f, const QDateTime& at) {
    return at.toString(QStringLiteral("HH:mm:ss.zzz")) + u"  " +
           QString::fromLatin1(f.bytes.toHex(' ').toUpper()) + u"  " + describe_frame(f);
}
} // namespace

CliParse parse_line_command(CliCommand command, const QStringList& a, Invocation inv) {
    const QString name = cli_command_name(command);
    inv.count = command == CliCommand::Diag ? kDefaultDiagCount : 0;
    for (qsizetype i = 0; i < a.size(); ++i) {
        QString option = a[i], value;
        const qsizetype eq = option.indexOf(u'=');
        if (option.startsWith(u"--") && eq > 0) {
            value = option.mid(eq + 1);
            option = option.left(eq);
        } else if (i + 1 < a.size()) {
            value = a[++i];
        }
        bool ok = false;
        const int n = value.toInt(&ok);
        if (option == u"--count") {
            const int most = command == CliCommand::Diag ? 100'000 : 1'000'000'000;
            if (!ok || n < 1 || n > most)
                return failed(QStringLiteral("%1: --count wants a whole number from 1 to %2")
                                  .arg(name)
                                  .arg(most));
            inv.count = n;
        } else if (command == CliCommand::Listen && option == u"--seconds") {
            if (!ok || n < 1 || n > 1'000'000)
                return failed(QStringLiteral("listen: --seconds wants a whole number from 1 "
                                             "to 1000000"));
            inv.seconds = n;
        } else if (command == CliCommand::Listen && option == u"--pcap") {
            if (value.isEmpty()) return failed(QStringLiteral("listen: --pcap needs a FILE"));
            inv.file = value;
        } else {
            return failed(QStringLiteral("%1: unexpected argument '%2'").arg(name, a[i]));
        }
    }
    CliParse p;
    p.outcome = CliParse::Outcome::Run;
    p.invocation = inv;
    return p;
}

int run_diag(const Invocation& inv, CliLine line, CliConsole& console, const Clock& clock,
             const std::function<QString()>& log_folder) {
    if (console.stop_requested()) {
        console.err(QString::fromUtf8(kCliInterrupted));
        return kCliFailed;
    }
    CliLink link(line, console, clock);
    if (!link.open(inv.port, log_folder())) return kCliFailed;
    auto monitor = std::make_shared<LineMonitor>();
    line.port.SetTap(monitor);
    probe_line(line.port, *monitor, inv.addresses, inv.count,
               [&console] { return console.stop_requested(); });
    line.port.SetTap(nullptr);
    if (console.stop_requested()) {
        const QString interrupted = QString::fromUtf8(kCliInterrupted);
        console.err(interrupted);
        link.cfg().str_to_log(interrupted);
        return kCliFailed;
    }
    const LineReport report = monitor->report();
    for (const AddressStats& s : report.addresses) {
        console.out(stats_line(s));
        link.cfg().str_to_log(stats_line(s));
    }
    for (const QString& hint : line_hints(report)) console.out(hint);
    return diag_status(report);
}

int run_listen(const Invocation& inv, CliLine line, CliConsole& console, const Clock& clock,
               const std::function<QString()>& log_folder) {
    // The file is refused before the port is opened.
    CaptureFile pcap;
    QString why;
    if (!inv.file.isEmpty() && !pcap.open(inv.file, CaptureFile::Format::Pcap, &why)) {
        console.err(fill_text(QT_TRANSLATE_NOOP("Messages", "Не удалось записать файл %1: %2"),
                              {inv.file, why}));
        return kCliBadInput;
    }
    if (console.stop_requested()) {
        console.err(QString::fromUtf8(kCliInterrupted));
        return kCliFailed;
    }
    CliLink link(line, console, clock);
    if (!link.open(inv.port, log_folder())) return kCliFailed;
    auto monitor = std::make_shared<LineMonitor>();
    monitor->keep_frames(true);
    // Tap times are on the steady clock; the lines and the file want the
    // wall clock's.
    const int64_t steady0 = steady_us();
    const QDateTime wall0 = QDateTime::currentDateTime();
    line.port.SetTap(monitor);

    QElapsedTimer running;
    running.start();
    uint64_t seen = 0;
    int frames = 0;
    bool write_failed = false;
    auto show = [&] {
        for (const MonitorFrame& m : monitor->frames_after(seen)) {
            seen = m.seq;
            if (inv.count > 0 && frames >= inv.count) break;
            const int64_t epoch_us = wall0.toMSecsSinceEpoch() * 1000 + (m.frame.t_us - steady0);
            console.out(frame_line(m.frame, wall0.addMSecs((m.frame.t_us - steady0) / 1000)));
            ++frames;
            if (pcap.is_open() && !pcap.add_frame(m.frame.bytes, epoch_us, &why))
                write_failed = true;
        }
    };
    auto done = [&] {
        return console.stop_requested() || write_failed || (inv.count > 0 && frames >= inv.count) ||
               (inv.seconds > 0 && running.elapsed() >= int64_t{inv.seconds} * 1000);
    };
    while (!done() && line.port.IsOpen()) {
        // The bytes are taken in the port's thread as they come; the read
        // only paces this loop and empties the port's backlog.
        const QByteArray got = line.port.ReadPort();
        if (got.size() < SerialPort::kMaxChunk) monitor->idle(steady_us());
        show();
    }
    if (!done()) { // the line went away
        monitor->flush_frames();
        show();
    }
    line.port.SetTap(nullptr);
    int status = kCliDone;
    if (write_failed || (pcap.is_open() && !pcap.commit(&why))) {
        console.err(fill_text(QT_TRANSLATE_NOOP("Messages", "Не удалось записать файл %1: %2"),
                              {inv.file, why}));
        status = kCliFailed;
    }
    return status;
}

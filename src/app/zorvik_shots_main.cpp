// Saves PNG pictures of the program's windows into a folder: the main window
// on each of its tabs, with stale values, with the message history open and
// during a firmware upload, the splash, the table window while it reads and
// once filled, the shift window and the chart window (following, paused, and
// an hour with a gap).
// Runs offscreen; nothing is shown and no dialog waits for an answer.
#include "app/about_box.h"
#include "app/application.h"
#include "app/qt_dialogs.h"
#include "i18n/language.h"
#include "link/clock.h"
#include "link/network_port.h"
#include "ports/routing_serial_port.h"
#include "protocol/firmware_image.h"
#include "protocol/frame_codec.h"
#include "protocol/no_port.h"
#include "protocol/serial_port.h"
#include "sim/sim_port.h"
#include "ui/dialogs.h"
#include "ui/tones.h"

#include <QAbstractButton>
#include <QApplication>
#include <QChartView>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <cstdio>

namespace {

class QuietDialogs final : public Dialogs {
public:
    void message(const QString& text, MsgIcon, const QString&) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    bool ask_yes_no(const QString&, const QString&) override { return false; }
    std::optional<QString> input_box(const QString&, const QString&, const QString&) override {
        return answer;
    }
    std::optional<QString> answer;
    QString open_file(const QString&, const QString&, const QString&) override { return {}; }
    QString save_file(const QString&, const QString&, const QString&) override { return {}; }
};

class NoTones final : public Tones {
public:
    void tone(int, int) override {}
};

void wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool save(QWidget& w, const QString& path) {
    const bool ok = w.grab().save(path);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(path));
    return ok;
}

// A window must fit the screen it is on, small ones included, with room for
// a title bar: the offscreen windows have none, so room is kept for a Windows
// one (about 31 logical pixels); under a window manager the frame has its own,
// and the whole frame must lie on the free area.  There the screen is saved
// too, to see the frames.
bool fits_screen(QWidget& w, const QString& out) {
    const QScreen* screen = w.screen();
    if (!screen) return true;
    const QRect avail = screen->availableGeometry();
    const QRect frame = w.frameGeometry();
    const bool framed = frame.height() > w.geometry().height();
    const int title_bar = framed ? 0 : 31;
    const bool fits = frame.height() + title_bar <= avail.height() &&
                      frame.width() <= avail.width() && (!framed || avail.contains(frame));
    std::printf("%s %s %dx%d at %d,%d on a screen of %dx%d (scale %.2f)\n",
                fits ? "fits" : "DOES NOT FIT", qPrintable(w.objectName()), frame.width(),
                frame.height(), frame.x(), frame.y(), avail.width(), avail.height(),
                w.devicePixelRatioF());
    if (QGuiApplication::platformName() == QStringLiteral("xcb"))
        const_cast<QScreen*>(screen)->grabWindow(0).save(
            QDir(out).filePath(QStringLiteral("screen_%1.png").arg(w.objectName())));
    return fits;
}

// A state reply of the demo line's newest sensor (address 12) with raw reading `current`.
QByteArray state_of_12(uint32_t current, int temperature) {
    const uint32_t empty = 62800, full = 119320;
    const uint32_t level = (current - empty) * 1023 / (full - empty);
    QByteArray b;
    b.append(char(0x3E)).append(char(12)).append(char(0xF0)).append(char(temperature));
    auto le = [&b](uint32_t v, int width) {
        for (int k = 0; k < width; ++k, v >>= 8) b.append(char(v & 0xFF));
    };
    le(level, 2);
    le(current, 4);
    le(empty, 4);
    le(full, 4);
    le(16, 2);
    b.append(char(0)).append(char(10)).append(char(5));
    return Control_summ(b);
}

// The hour before the program started, as the chart would have it from an
// earlier session: a tank filled in portions, and eight minutes in which the
// sensor did not answer.  Made up here so that the hour window has something
// to show without an hour's wait.
void earlier_hour(Trends& trends, const QDateTime& now) {
    uint32_t current = 70000;
    for (int s = 3600; s > 40; --s) {
        if (s < 38 * 60 && s > 30 * 60) continue; // the silence
        if (s % 600 == 0) current += 2500;        // a portion poured in
        const double slosh = 400.0 * std::exp(-double(s % 600 == 0 ? 0 : 600 - s % 600) / 40.0);
        const uint32_t reading =
            current + uint32_t(slosh * std::fabs(std::sin(s * 0.7))) + uint32_t(s * 7919 % 5);
        trends.heard(state_of_12(reading, 23 + (s / 900) % 2), now.addSecs(-s));
    }
}

void hover(TrendWindow& w, double fraction) {
    QWidget* viewport = w.chart_view()->viewport();
    const QRectF area = w.chart_view()->chart()->plotArea();
    const QPoint at(int(area.left() + area.width() * fraction), int(area.center().y()));
    QMouseEvent move(QEvent::MouseMove, QPointF(at), viewport->mapToGlobal(QPointF(at)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &move);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    // `--lang en` takes the pictures of the English interface.
    const LanguageOption lang = take_language_option(qapp.arguments().mid(1));
    install_language(lang.language.value_or(UiLanguage::Russian));
    const QStringList args = lang.rest;
    const QString out = args.value(0, QStringLiteral("shots"));
    QDir().mkpath(out);

    // The demo line in-process; no system port is offered.
    NoPort system;
    SimSerialPort demo(SimLine::demo(), kDemoLineEntry);
    NetworkPort network;
    RoutingSerialPort port(system, &demo, kDemoLineEntry, &network);
    QuietDialogs dialogs;
    NoTones tones;
    SystemClock clock;
    CommandLine options;
    options.demo = true;
    options.connect = true;
    Application app(port, dialogs, tones, clock, options);
    QTemporaryDir logs;
    earlier_hour(app.trends(), clock.now());
    app.start(logs.path());
    app.splash_window().adjustSize();
    wait(50);
    bool ok = save(app.splash_window(), QDir(out).filePath("form2_splash.png"));

    // Past the splash (two ticks of the presence scan), connected at once.
    wait(2300);
    auto& f = app.cfg().frmSerial;
    if (!f.BTNCloseCom.enabled()) {
        std::fprintf(stderr, "the demo line did not open\n");
        return 1;
    }
    // Find the sensors, then talk to the newest one.
    f.Opros.click();
    wait(3500);
    const int newest = int(f.CmbNet.items().size()) - 1;
    if (newest > 0) f.CmbNet.set_list_index(newest);
    wait(5500);
    const char* tab_names[] = {"settings", "calibration", "generator", "firmware"};
    for (int i = 0; i < 4; ++i) {
        f.tabs.set_current(i);
        app.flush();
        wait(50);
        ok &= save(app.main_window(),
                   QDir(out).filePath(QStringLiteral("main_%1_%2.png").arg(i).arg(tab_names[i])));
    }
    ok &= fits_screen(app.main_window(), out);
    {
        const std::unique_ptr<QMessageBox> about =
            about_box(&app.main_window(), {QStringLiteral("2.6.3"), QStringLiteral("2026-12-10")});
        about->show();
        wait(50);
        ok &= save(*about, QDir(out).filePath("about.png"));
    }
    // The chart: following the sensor, held still with the pointer over it,
    // and the last hour with its gap.
    TrendWindow& chart = app.trend_window();
    chart.show();
    chart.set_span(TrendWindow::TenMinutes);
    wait(4200); // ten replies of the newest sensor: the spread is known
    ok &= save(chart, QDir(out).filePath("trend_1_following.png"));
    ok &= fits_screen(chart, out);
    chart.set_following(false);
    wait(2100);
    hover(chart, 0.8);
    wait(50);
    ok &= save(chart, QDir(out).filePath("trend_2_paused.png"));
    chart.set_following(true);
    chart.set_span(TrendWindow::Hour);
    hover(chart, 0.55);
    wait(1100);
    ok &= save(chart, QDir(out).filePath("trend_3_hour_gap.png"));
    const QString saved = QDir(out).filePath("trend_chart_saved.png");
    const bool png = chart.save_png(saved);
    std::printf("%s %s\n", png ? "saved" : "FAILED", qPrintable(saved));
    ok &= png;
    chart.hide();
    // The line monitor, with two replies of the sensor watched spoilt.
    LineMonitorWindow& monitor = app.line_monitor();
    monitor.show();
    demo.line().inject_fault(app.cfg().exchange.identity_address(), SimFault::BadCrc, 2);
    wait(3100);
    monitor.refresh();
    ok &= save(monitor, QDir(out).filePath("line_monitor.png"));
    ok &= fits_screen(monitor, out);
    monitor.hide();
    // The sensor stops answering: its values fade and say how old they are.
    const auto silent = uint8_t(f.CmbNet.selected_text().toInt());
    f.tabs.set_current(0);
    demo.line().inject_fault(silent, SimFault::Silent);
    wait(3500);
    app.flush();
    wait(50);
    ok &= save(app.main_window(), QDir(out).filePath("main_5_stale.png"));
    demo.line().clear_faults();
    wait(2500);
    // The adapter is pulled: the window waits for the same port, values stale.
    demo.vanish();
    wait(3500);
    app.flush();
    wait(50);
    ok &= save(app.main_window(), QDir(out).filePath("main_5_port_lost.png"));
    demo.reappear();
    wait(2500);
    if (app.cfg().lost_port) std::fprintf(stderr, "the demo line was not taken up again\n");
    // The status line's history, opened below the controls.
    if (auto* dock = app.main_window().findChild<QDockWidget*>(QStringLiteral("message_dock"))) {
        dock->show();
        wait(100);
        // The window grows by the list where the screen has room, so it is
        // not held to the fit of the closed window.
        ok &= save(app.main_window(), QDir(out).filePath("main_6_history.png"));
        dock->hide();
        wait(50);
    }
    // The table window as "Пересчитывать в литры" opens it: filled with the
    // table read from the sensor.  Before the upload, which leaves the first
    // sensor in its bootloader, refusing every frame on the line.
    f.tabs.set_current(0);
    f.open_table.click();
    app.flush();
    wait(100);
    // Before the sensor's table has come: the window says it is reading.
    ok &= save(app.table_window(), QDir(out).filePath("form3_table_reading.png"));
    wait(2500);
    app.cfg().shift_window.set_visible(true);
    app.flush();
    wait(50);
    if (app.cfg().table_window.litre_cells[0]->text() == QStringLiteral("200"))
        std::fprintf(stderr, "the table window still shows the default table\n");
    ok &= save(app.table_window(), QDir(out).filePath("form3_table.png"));
    ok &= fits_screen(app.table_window(), out);
    ok &= save(app.shift_window(), QDir(out).filePath("form4_shift.png"));
    app.cfg().shift_window.set_visible(false);
    app.cfg().table_window.set_visible(false);
    // A refused password stays on the status line through the next replies,
    // and the button says why.
    dialogs.answer = QStringLiteral("4321");
    if (auto* enter = app.main_window().findChild<QAbstractButton*>(QStringLiteral("Vvod_PWD")))
        enter->click();
    dialogs.answer.reset();
    wait(3000);
    app.flush();
    wait(50);
    ok &= save(app.main_window(), QDir(out).filePath("main_8_refused.png"));
    f.tabs.set_current(3);
    // An upload to the sensor the demo line switches on, at the line's pace.
    const QString image_path = logs.filePath(QStringLiteral("zorvik_2_6.cri"));
    QFile image(image_path);
    if (image.open(QIODevice::WriteOnly)) {
        image.write(QByteArray(kImageHeaderSize, '\0'));
        for (int k = 0; k < kZorvikLayout.first_program_block + 64; ++k) {
            QByteArray block(kImageBlockSize, char(k));
            if (k == kZorvikLayout.first_program_block) block[0] = char(kProgramMarker);
            image.write(block);
        }
        image.close();
    }
    f.firmware_file = image_path;
    f.filename_prog.set_text(image_path);
    demo.line().set_wire_timing(true);
    f.start.click();
    wait(1500);
    app.flush();
    wait(50);
    ok &= save(app.main_window(), QDir(out).filePath("main_4_firmware_upload.png"));
    f.upload_cancel.click();
    for (int i = 0; i < 50 && !f.start.enabled(); ++i) wait(20);
    demo.line().set_wire_timing(false);

    // Opening a server that takes the connection and never confirms the port:
    // the window waits, live, and says so.
    QTcpServer mute_server;
    if (mute_server.listen(QHostAddress::LocalHost)) {
        f.BTNCloseCom.click();
        const QString address =
            QStringLiteral("rfc2217://127.0.0.1:%1").arg(mute_server.serverPort());
        f.CmbPort.set_text(address);
        f.CmbPort.set_list_index(-1);
        f.BTNOpenCom.click();
        app.flush();
        wait(300);
        ok &= save(app.main_window(), QDir(out).filePath("main_7_connecting.png"));
        port.ClosePort(); // gives the attempt up
    }
    return ok ? 0 : 1;
}

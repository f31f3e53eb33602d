// What a day of readings costs the window: 24 h of one-second state replies
// go into the trends (with a few minutes' silence every two hours), then the
// chart window follows one new reply at a time and redraws, first showing
// the whole day, then the last hour.  A 1 ms timer records how late it fires
// while that happens: the longest and the 99th-percentile lateness are the
// event-loop stall.  Memory is the resident size grown since before the
// trends and the window existed.
#include "app/trend_window.h"
#include "exchange/configurator.h"
#include "link/clock.h"
#include "protocol/frame_codec.h"
#include "protocol/no_port.h"
#include "trends/trends.h"
#include "ui/dialogs.h"
#include "ui/tones.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {
class QuietDialogs final : public Dialogs {
public:
    void message(const QString&, MsgIcon, const QString&) override {}
    bool ask_yes_no(const QString&, const QString&) override { return false; }
    std::optional<QString> input_box(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    QString open_file(const QString&, const QString&, const QString&) override { return {}; }
    QString save_file(const QString&, const QString&, const QString&) override { return {}; }
};
class QuietTones final : public Tones {
public:
    void tone(int, int) override {}
};
class SetClock final : public Clock {
public:
    QDateTime t = QDateTime(QDate(2026, 12, 7), QTime(8, 0));
    QDateTime now() const override { return t; }
};

// Processor time of this thread: the work itself, without the time other
// programs on a busy machine took the processor away.
double thread_cpu_ms() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double resident_mb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

QByteArray state(uint32_t current, int temperature) {
    const uint32_t level = (current - 60000) / 60;
    QByteArray b;
    b.append(char(0x3E)).append(char(5)).append(char(0xF0)).append(char(temperature));
    auto le = [&b](uint32_t v, int width) {
        for (int k = 0; k < width; ++k, v >>= 8) b.append(char(v & 0xFF));
    };
    le(level, 2);
    le(current, 4);
    le(60000, 4);
    le(120000, 4);
    le(16, 2);
    b.append(char(0x26)).append(char(15)).append(char(5));
    return Control_summ(b);
}

// A tank that empties slowly over the day, with noise and a slosh now and then.
uint32_t reading_at(int s) {
    const double base = 110000.0 - 40000.0 * s / 86400.0;
    const double slosh = (s % 1800 < 60) ? 300.0 * std::sin(s * 0.9) : 0.0;
    return uint32_t(base + slosh + double(uint32_t(s) * 7919u % 9u));
}

struct Stalls {
    std::vector<double> late;
    void add(double ms) { late.push_back(ms); }
    double max() const { return late.empty() ? 0 : *std::max_element(late.begin(), late.end()); }
    double p99() const {
        if (late.empty()) return 0;
        std::vector<double> v = late;
        const size_t k = std::min(v.size() - 1, size_t(double(v.size()) * 0.99));
        std::nth_element(v.begin(), v.begin() + qsizetype(k), v.end());
        return v[k];
    }
};
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    NoPort port;
    QuietDialogs dialogs;
    QuietTones tones;
    SetClock clock;
    Configurator c(port, dialogs, tones, clock);
    {
        QWidget warm; // the style and fonts are loaded before the baseline
        warm.show();
        QApplication::processEvents();
    }
    const double before = resident_mb();

    Trends trends(c);
    QElapsedTimer feed;
    feed.start();
    const QDateTime start = clock.t;
    int fed = 0;
    for (int s = 0; s < 86400; ++s) {
        if (s % 7200 >= 7000 && s % 7200 < 7180) continue; // three minutes of silence
        clock.t = start.addSecs(s);
        trends.heard(state(reading_at(s), 20 + (s / 3600) % 5), clock.t);
        ++fed;
    }
    std::printf("fed %d replies of 24 h in %lld ms; ring %d of %d\n", fed,
                (long long)feed.elapsed(), trends.ring().size(), trends.ring().capacity());

    TrendWindow window(trends, clock, dialogs);
    window.resize(1280, 720);
    window.set_span(TrendWindow::All);
    window.show();
    QApplication::processEvents();

    Stalls stalls;
    QElapsedTimer since;
    since.start();
    qint64 last = 0;
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    beat.setInterval(1);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const qint64 now = since.nsecsElapsed();
        if (last) stalls.add(std::max(0.0, double(now - last) / 1e6 - 1.0));
        last = now;
    });
    // The same timer with nothing to draw: what the machine itself adds.
    Stalls idle;
    {
        QElapsedTimer t;
        t.start();
        qint64 prev = 0;
        QTimer idle_beat;
        idle_beat.setTimerType(Qt::PreciseTimer);
        idle_beat.setInterval(1);
        QObject::connect(&idle_beat, &QTimer::timeout, [&] {
            const qint64 now = t.nsecsElapsed();
            if (prev) idle.add(std::max(0.0, double(now - prev) / 1e6 - 1.0));
            prev = now;
        });
        idle_beat.start();
        QEventLoop loop;
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    std::printf("idle event loop (no redraws, 5 s): stall max %.1f ms p99 %.1f ms\n", idle.max(),
                idle.p99());
    // One new reply and its redraw, timed directly: the new point, the lines
    // and axes laid out again, the window painted.
    std::vector<double> redraws, redraw_cpu;
    for (TrendWindow::Span span : {TrendWindow::All, TrendWindow::Hour}) {
        window.set_span(span);
        QApplication::processEvents();
        for (int k = 0; k < 30; ++k) {
            clock.t = clock.t.addSecs(1);
            QElapsedTimer draw;
            draw.start();
            const double cpu_before = thread_cpu_ms();
            trends.heard(state(reading_at(86400 + k), 22), clock.t);
            QApplication::processEvents(); // the window's own redraw and its paint
            redraws.push_back(double(draw.nsecsElapsed()) / 1e6);
            redraw_cpu.push_back(thread_cpu_ms() - cpu_before);
        }
    }
    size_t mark = 0;
    auto run = [&](TrendWindow::Span span, int replies, const char* what) {
        // Choosing another window redraws everything once; timed on its own,
        // it is a click, not the redraw each second.
        const size_t keep = stalls.late.size();
        QElapsedTimer choose;
        choose.start();
        window.set_span(span);
        QApplication::processEvents();
        std::printf("%s: choosing it took %.1f ms\n", what, double(choose.nsecsElapsed()) / 1e6);
        stalls.late.resize(keep);
        last = 0;
        mark = keep;
        for (int k = 0; k < replies; ++k) {
            // One new reply a second of the program's clock, ten a second of ours.
            clock.t = clock.t.addSecs(1);
            // The window redraws by itself, as it does for a reply from the line.
            trends.heard(state(reading_at(86400 + k), 22), clock.t);
            QEventLoop loop;
            QTimer::singleShot(100, &loop, &QEventLoop::quit);
            loop.exec();
        }
        Stalls phase;
        phase.late.assign(stalls.late.begin() + qsizetype(mark), stalls.late.end());
        mark = stalls.late.size();
        std::printf("%s: %d redraws, stall max %.1f ms p99 %.1f ms, lines drawn %d/%d/%d\n", what,
                    replies, phase.max(), phase.p99(), window.lines_drawn(TrendSeries::Level),
                    window.lines_drawn(TrendSeries::Current),
                    window.lines_drawn(TrendSeries::Temperature));
    };
    beat.start();
    run(TrendWindow::All, 100, "whole day");
    run(TrendWindow::Hour, 100, "last hour");
    run(TrendWindow::Minute, 50, "last minute");
    beat.stop();
    std::sort(redraws.begin(), redraws.end());
    std::sort(redraw_cpu.begin(), redraw_cpu.end());
    std::printf("one reply and its redraw (day and hour): median %.1f ms, max %.1f ms; "
                "processor time median %.1f ms, max %.1f ms\n",
                redraws[redraws.size() / 2], redraws.back(), redraw_cpu[redraw_cpu.size() / 2],
                redraw_cpu.back());
    const double grown = resident_mb() - before;
    std::printf("trend stall max %.1f ms p99 %.1f ms, memory +%.1f MB\n", stalls.max(),
                stalls.p99(), grown);
    return 0;
}

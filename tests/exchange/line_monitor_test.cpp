// The line's counts and what they mean: each fault of the simulated line
// drives its conclusion, counted exactly, on the in-process line with its
// own clock (so the latencies are exact too); a clean line gives none.
#include "exchange/line_diagnosis.h"
#include "exchange/line_monitor.h"
#include "sim/sim_port.h"

#include "../support/qt_printers.h"

#include <gtest/gtest.h>

#include <memory>

namespace {
struct Probe {
    LineReport report;
    QStringList hints;
    int status = -1;
};

Probe probe(const std::vector<std::pair<uint8_t, SimFaultPlan>>& faults,
            std::vector<uint8_t> addresses, bool twin = false) {
    auto time = std::make_shared<ManualSimTime>(1'000'000'000);
    SimLine line = SimLine::demo(3);
    line.set_wire_timing(true);
    if (twin) line.add_sensor(5, 176, 99);
    for (const auto& [a, plan] : faults) line.set_fault_plan(a, plan);
    SimSerialPort port(std::move(line), kDemoPortName, time);
    port.OpenPort(kDemoPortName, QStringLiteral("19200,n,8,1"));
    auto monitor = std::make_shared<LineMonitor>();
    port.SetTap(monitor);
    probe_line(port, *monitor, std::move(addresses), 100, [] { return false; });
    Probe p;
    p.report = monitor->report();
    p.hints = line_hints(p.report);
    p.status = diag_status(p.report);
    return p;
}

QString lines(const Probe& p) {
    QStringList out;
    for (const AddressStats& s : p.report.addresses)
        out << stats_line(s) + QStringLiteral(" echo=%1").arg(s.echoed);
    for (const QString& h : p.hints) out << h.section(u':', 0, 1); // "hint: адрес N" or the start
    return out.join(u'\n');
}
} // namespace

TEST(LineMonitor, EachFaultDrivesItsConclusion) {
    // 3 ms turnaround and the first byte's 0.52 ms on the wire.
    const QString clean = QStringLiteral("sent=100 answered=100 silent=0 badcrc=0 other=0 "
                                         "p50=3.5 p95=3.5 max=3.5 echo=0");
    const struct {
        const char* name;
        std::vector<std::pair<uint8_t, SimFaultPlan>> faults;
        std::vector<uint8_t> addresses;
        bool twin;
        QString expected;
        int status;
    } rows[] = {
        {"clean, found by a scan",
         {},
         {},
         false,
         QStringLiteral("1 ") + clean + u"\n5 " + clean + u"\n12 " + clean,
         kDiagClean},
        {"nobody answers",
         {{5, {100, 0, false, 0, false}}},
         {5},
         false,
         QStringLiteral("5 sent=100 answered=0 silent=100 badcrc=0 other=0 p50=0.0 p95=0.0 "
                        "max=0.0 echo=0\nhint: никто не отвечает"),
         kDiagSilent},
        {"bad CRC",
         {{5, {0, 100, false, 0, false}}},
         {5, 12},
         false,
         QStringLiteral("5 sent=100 answered=0 silent=0 badcrc=100 other=0 p50=3.5 p95=3.5 "
                        "max=3.5 echo=0\n12 ") +
             clean + u"\nhint: адрес 5",
         kDiagFaulty},
        {"echo",
         {{12, {0, 0, true, 0, false}}},
         {12},
         false,
         // The answer follows the 4 echoed bytes on the wire.
         QStringLiteral("12 sent=100 answered=100 silent=0 badcrc=0 other=0 p50=5.6 p95=5.6 "
                        "max=5.6 echo=100\nhint: адрес 12"),
         kDiagClean},
        {"slow",
         {{1, {0, 0, false, 150, false}}},
         {1},
         false,
         QStringLiteral("1 sent=100 answered=100 silent=0 badcrc=0 other=0 p50=153.5 "
                        "p95=153.5 max=153.5 echo=0\nhint: адрес 1"),
         kDiagClean},
        {"partly silent",
         {{12, {100, 0, false, 0, false}}},
         {1, 12},
         false,
         QStringLiteral("1 ") + clean +
             u"\n12 sent=100 answered=0 silent=100 badcrc=0 other=0 p50=0.0 p95=0.0 "
             u"max=0.0 echo=0",
         kDiagFaulty},
    };
    for (const auto& r : rows) {
        const Probe p = probe(r.faults, r.addresses, r.twin);
        EXPECT_EQ(lines(p), r.expected) << r.name;
        EXPECT_EQ(p.status, r.status) << r.name;
    }
    // Two sensors at 5: the scan has it twice; both answer each request, and
    // the first whole reply counts.
    const Probe twin = probe({}, {}, true);
    EXPECT_EQ(twin.report.duplicates, std::set<uint8_t>{5});
    ASSERT_EQ(twin.hints.size(), 1);
    EXPECT_TRUE(twin.hints[0].startsWith(QStringLiteral("hint: адрес 5: на один опрос сети")));
}

TEST(LineDiagnosis, Thresholds) {
    const struct {
        uint64_t sent, answered, badcrc;
        double p95;
        int hints, status;
    } rows[] = {
        {100, 100, 0, 100.0, 0, kDiagClean}, {100, 99, 0, 4, 0, kDiagClean},
        {100, 98, 0, 4, 0, kDiagFaulty},     {100, 99, 1, 4, 1, kDiagFaulty},
        {101, 100, 1, 4, 0, kDiagFaulty},    {100, 100, 0, 100.1, 1, kDiagClean},
    };
    for (const auto& r : rows) {
        LineReport report;
        AddressStats s;
        s.address = 7;
        s.sent = r.sent;
        s.answered = r.answered;
        s.badcrc = r.badcrc;
        s.silent = r.sent - r.answered - r.badcrc;
        s.latencies = 1;
        s.p95_ms = r.p95;
        report.addresses.push_back(s);
        EXPECT_EQ(line_hints(report).size(), r.hints) << r.sent << " " << r.badcrc << " " << r.p95;
        EXPECT_EQ(diag_status(report), r.status) << r.answered << " " << r.badcrc;
    }
}

// Standing faults of zorvik-sim's --faults: chances drawn from the seed, the
// echo, the delay, and the option text.
#include "sim/sim_line.h"
#include "sim/sim_options.h"
#include "sim/sim_port.h"

#include "sim_test_util.h"

#include <gtest/gtest.h>

#include <memory>

namespace {
struct Tally {
    int silent = 0, bad = 0, good = 0;
    bool operator==(const Tally&) const = default;
};

// 1000 state requests to address 5 of the demo line with `plan` on it.
Tally run(const SimFaultPlan& plan, uint64_t seed) {
    auto time = std::make_shared<ManualSimTime>(1'000'000'000);
    SimSerialPort port(SimLine::demo(seed), kDemoPortName, time);
    port.OpenPort(kDemoPortName, QStringLiteral("19200,n,8,1"));
    port.line().set_fault_plan(5, plan);
    Tally t;
    for (int i = 0; i < 1000; ++i) {
        port.WritePort(read_request(5, CMD_READ_STATE));
        const QByteArray r = port.ReadPort();
        time->advance_ms(1000);
        if (r.isEmpty())
            ++t.silent;
        else if (Control_summ(r.chopped(1)) == r)
            ++t.good;
        else
            ++t.bad;
    }
    return t;
}
} // namespace

TEST(SimFaultPlan, ChancesComeFromTheSeedAndRepeat) {
    const struct {
        double silent, badcrc;
        int silent_lo, silent_hi, bad_lo, bad_hi;
    } rows[] = {
        {0, 0, 0, 0, 0, 0},      {100, 0, 1000, 1000, 0, 0}, {0, 100, 0, 0, 1000, 1000},
        {30, 0, 250, 350, 0, 0}, {0, 2, 0, 0, 8, 35},        {50, 50, 450, 550, 200, 300},
    };
    for (const auto& r : rows) {
        const SimFaultPlan plan{r.silent, r.badcrc, false, 0, false};
        const Tally a = run(plan, 7);
        EXPECT_GE(a.silent, r.silent_lo) << r.silent;
        EXPECT_LE(a.silent, r.silent_hi) << r.silent;
        EXPECT_GE(a.bad, r.bad_lo) << r.badcrc;
        EXPECT_LE(a.bad, r.bad_hi) << r.badcrc;
        EXPECT_EQ(a.silent + a.bad + a.good, 1000);
        EXPECT_EQ(run(plan, 7), a); // the same seed, the same line
        if (r.silent == 30) {
            EXPECT_NE(run(plan, 8).silent, a.silent);
        }
    }
}

TEST(SimFaultPlan, EchoComesFirstAndDelayMovesTheAnswer) {
    auto time = std::make_shared<ManualSimTime>(1'000'000'000);
    SimLine line = SimLine::demo();
    line.set_wire_timing(true);
    SimSerialPort port(std::move(line), kDemoPortName, time);
    port.OpenPort(kDemoPortName, QStringLiteral("19200,n,8,1"));
    const QByteArray req = read_request(12, CMD_READ_ID);
    const LineAnswer plain = port.line().hear(req, 0);
    ASSERT_EQ(plain.size(), 1u);

    port.line().set_fault_plan(12, SimFaultPlan{0, 0, true, 150, false});
    const LineAnswer a = port.line().hear(req, 0);
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a[0].bytes, req);
    EXPECT_EQ(a[0].offset_us, 0);
    EXPECT_EQ(a[1].bytes, plain[0].bytes);
    EXPECT_EQ(a[1].offset_us, plain[0].offset_us + 4 * SimLine::kByteUs + 150'000);
    // A silent sensor behind an echoing adapter still echoes; another
    // address is not echoed.
    port.line().set_fault_plan(12, SimFaultPlan{100, 0, true, 0, false});
    const LineAnswer s = port.line().hear(req, 0);
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].bytes, req);
    EXPECT_EQ(port.line().hear(read_request(5, CMD_READ_ID), 0).size(), 1u);
}

TEST(SimFaultPlan, OptionText) {
    const struct {
        const char* arg;
        bool ok;
        SimFaultPlan plan;
    } rows[] = {
        {"5:silent=10,badcrc=2.5,echo,delay=150,twin", true, {10, 2.5, true, 150, true}},
        {"12:echo", true, {0, 0, true, 0, false}},
        {"5:silent=101", false, {}},
        {"5:delay=-1", false, {}},
        {"5:loud", false, {}},
        {"5:echo=1", false, {}},
        {"7:echo", false, {}}, // nobody at 7 on the demo line
        {"echo", false, {}},
    };
    for (const auto& r : rows) {
        QString error;
        const auto o =
            parse_sim_options({QStringLiteral("--link=/tmp/l"), QStringLiteral("--faults"),
                               QString::fromUtf8(r.arg), QStringLiteral("--seed=9")},
                              error);
        ASSERT_EQ(bool(o), r.ok) << r.arg << " " << error.toStdString();
        if (!o) continue;
        ASSERT_EQ(o->faults.size(), 1u);
        EXPECT_EQ(o->faults[0].plan, r.plan) << r.arg;
        EXPECT_EQ(o->seed, 9u);
    }
}

// Relay frames against the frames the window itself sends to a sensor of the
// matching firmware, and every entry's string pinned in a golden file.
#include "protocol/relay_string.h"

#include "../support/configurator_rig.h"
#include "../support/qt_printers.h"
#include "../support/snapshot.h"

#include "commands/level_calibration.h"
#include "commands/password_address_alarm.h"
#include "exchange/network_scan.h"

#include <gtest/gtest.h>

namespace {

// The window's own sensor of the version that ch_ver stands for.  Below
// 1.7.5 means neither trailer nor extended byte, as an unticked box does.
int window_version(bool from_176) {
    return from_176 ? 176 : 170;
}

RelayRequest req(RelayOp op, int address, bool from_176, int64_t value = 0) {
    RelayRequest r;
    r.op = op;
    r.address = uint8_t(address);
    r.from_176 = from_176;
    r.value = value;
    return r;
}

QByteArray relay(const RelayRequest& r) {
    const Result<QByteArray> f = relay_frame(r);
    return f ? *f : QByteArray("(refused)");
}

struct WindowRig : ConfiguratorRig {
    WindowRig(int address, bool from_176) {
        open();
        select(address);
        f.firmware_version = int16_t(window_version(from_176));
        f.tek.set_text("1000"); // a sensor has answered
    }
};

// The mode of row i: every interface and a spread of the other bits.
RelayRequest mode_row(int i, uint8_t address, bool from_176) {
    RelayRequest r;
    r.op = RelayOp::SetMode;
    r.address = address;
    r.from_176 = from_176;
    r.mode.output = kOutputInterfaces[size_t(i) % 5]; // the generator has no RS-232
    r.mode.invert = i & 1;
    r.mode.smoothing = i & 2;
    r.mode.range4096 = i & 4;
    r.mode.litres = i % 3 == 0;
    r.mode.percent = i % 4 == 1;
    r.extended.smoothing_level = uint8_t(i * 3 % 16);
    r.extended.thermal_compensation_off = i % 2 == 0;
    return r;
}

} // namespace

TEST(RelayAgainstWindow, StateAndIdentityRequests) {
    for (const int address : {0, 1, 5, 199}) {
        for (const bool v176 : {false, true}) {
            WindowRig w(address, v176);
            w.tick(); // the cycle's own state request
            EXPECT_EQ(relay(req(RelayOp::ReadState, address, v176)), w.port.last_write());
            EXPECT_EQ(relay(req(RelayOp::ReadId, address, v176)), Zapros_ser_num(w.f));
        }
    }
}

TEST(RelayAgainstWindow, RequestsWithAValue) {
    // How the window sends each entry's request: where the value goes, then the button.
    using Send = void (*)(WindowRig&, const QString&);
    const struct {
        RelayOp op;
        Send send;
        std::vector<int64_t> values;
    } rows[] = {
        {RelayOp::EnterPassword,
         [](WindowRig& w, const QString& v) {
             w.dialogs.inputs.assign(1, v);
             Vvod_PWD_Click(w.c);
         },
         {0, 305419896, 2'000'000'000}},
        {RelayOp::ChangePassword,
         [](WindowRig& w, const QString& v) {
             w.dialogs.inputs.assign(2, v); // typed twice
             Chg_pass_Click(w.c);
         },
         {0, 1, 2'000'000'000}},
        {RelayOp::ShiftFull,
         [](WindowRig& w, const QString& v) {
             w.c.shift_window.data.set_text(v);
             sdv_hi_Click(w.c);
         },
         {-1000, -5, 0, 1000}},
        {RelayOp::ShiftEmpty,
         [](WindowRig& w, const QString& v) {
             w.c.shift_window.data.set_text(v);
             sdv_low_Click(w.c);
         },
         {-1000, -5, 0, 1000}},
        {RelayOp::DirectFull,
         [](WindowRig& w, const QString& v) {
             w.f.hi_data.set_text(v);
             set_hi_data_Click(w.c);
         },
         {0, 65535, 2'000'000'000}},
        {RelayOp::DirectEmpty,
         [](WindowRig& w, const QString& v) {
             w.f.lo_data.set_text(v);
             set_lo_data_Click(w.c);
         },
         {0, 65535, 2'000'000'000}},
    };
    for (const auto& row : rows) {
        for (const bool v176 : {false, true}) {
            for (const int64_t v : row.values) {
                WindowRig w(199, v176);
                w.dialogs.answers.assign(1, true);
                w.c.exchange.drop_pending();
                row.send(w, QString::number(v));
                EXPECT_EQ(relay(req(row.op, 199, v176, v)), w.c.exchange.pending())
                    << int(row.op) << " " << v176 << " " << v;
            }
        }
    }
}

TEST(RelayAgainstWindow, ModeRequests) {
    for (const bool v176 : {false, true}) {
        for (int i = 0; i < 10; ++i) {
            const RelayRequest r = mode_row(i, 7, v176);
            WindowRig w(7, v176);
            for (size_t k = 0; k < 5; ++k)
                w.f.output_options()[k]->set_value(kOutputInterfaces[k] == r.mode.output);
            w.f.iinv.set_value(r.mode.invert);
            w.f.usredn.set_value(r.mode.smoothing);
            w.f.D_4096.set_value(r.mode.range4096);
            w.c.table_window.tartab.set_value(
                r.mode.litres); // the window takes these two from table_window
            w.c.table_window.per_sents.set_value(r.mode.percent);
            w.f.sgla.set_text(QString::number(r.extended.smoothing_level));
            w.f.Termokompens.set_value(r.extended.thermal_compensation_off);
            w.dialogs.answers.assign(1, true);
            w.c.exchange.drop_pending();
            Set_mode_Click(w.c);
            EXPECT_EQ(relay(r), w.c.exchange.pending()) << i << " " << v176;
        }
    }
}

TEST(RelayAgainstWindow, EveryEntryPinned) {
    const std::vector<std::pair<RelayOp, std::vector<int64_t>>> values = {
        {RelayOp::EnterPassword, {0, 305419896, 2'000'000'000}},
        {RelayOp::ReadState, {0}},
        {RelayOp::ReadId, {0}},
        {RelayOp::ShiftFull, {-1000, -5, 0, 1000}},
        {RelayOp::ShiftEmpty, {-1000, -5, 0, 1000}},
        {RelayOp::DirectFull, {0, 65535, 2'000'000'000}},
        {RelayOp::DirectEmpty, {0, 65535, 2'000'000'000}},
        {RelayOp::SetMode, {0, 1, 2, 3, 4}},
        {RelayOp::ChangePassword, {0, 305419896, 2'000'000'000}},
    };
    QStringList lines;
    for (const bool v176 : {false, true}) {
        for (const auto& [op, list] : values) {
            for (const int64_t v : list) {
                RelayRequest r =
                    op == RelayOp::SetMode ? mode_row(int(v), 0xAB, v176) : req(op, 0xAB, v176, v);
                const Result<QString> s = relay_string(r);
                lines << QStringLiteral("%1 ch_ver=%2 %3 -> %4")
                             .arg(int(op))
                             .arg(int(v176))
                             .arg(v)
                             .arg(s ? *s : s.error().text);
            }
        }
    }
    EXPECT_TRUE(
        matches_golden(lines.join('\n') + '\n', golden_path(__FILE__, "relay_strings.txt")));
}

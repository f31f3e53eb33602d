// Every configuration operation on the view model, one row per case: the
// dialogs it shows in order, what it logs, the request it leaves pending.
// The rendered cases are compared with a checked-in transcript.
#include "../support/configurator_rig.h"
#include "../support/snapshot.h"

#include "commands/level_calibration.h"
#include "commands/operating_mode.h"
#include "commands/password_address_alarm.h"
#include "protocol/codes.h"
#include "protocol/requests.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
using Op = void (*)(Configurator&);

struct Case {
    const char* title;
    Op op;
    std::vector<const char*> script = {}; // "yes", "no", "=typed text", "cancel"
    const char* text = nullptr;           // put in the operation's own text box
    int version = 174;
    int address = 5; // -1: none selected
    bool connected = true;
    uint8_t reported_mode = 0;
};

const QByteArray kPending = request::read_state(5); // what was pending before

QString hex_of(const QByteArray& b) {
    return QString::fromLatin1(b.toHex(' ').toUpper());
}

TextBox* own_box(Configurator& c, Op op) {
    if (op == set_hi_data_Click) return &c.frmSerial.hi_data;
    if (op == set_lo_data_Click) return &c.frmSerial.lo_data;
    if (op == sdv_hi_Click || op == sdv_low_Click) return &c.shift_window.data;
    if (op == set_alarm_level_Click) return &c.frmSerial.lamp_level;
    return nullptr;
}

QString run(const Case& k) {
    ConfiguratorRig r;
    r.open();
    r.select(k.address < 0 ? 5 : k.address);
    if (k.address < 0) r.f.CmbNet.set_list_index(-1);
    r.f.firmware_version = int16_t(k.version);
    r.f.reported_mode = k.reported_mode;
    if (k.connected) r.f.tek.set_text(QStringLiteral("1290433"));
    if (k.text) own_box(r.c, k.op)->set_text(QString::fromUtf8(k.text));
    for (const char* s : k.script) {
        const QString a = QString::fromUtf8(s);
        if (a == u"yes" || a == u"no")
            r.dialogs.answers.push_back(a == u"yes");
        else
            r.dialogs.inputs.push_back(a == u"cancel" ? std::nullopt
                                                      : std::optional<QString>(a.mid(1)));
    }
    r.c.exchange.queue(kPending);
    r.c.exchange.settings_refreshed();
    qsizetype logged = r.log_lines().size();

    k.op(r.c);

    QString out = QStringLiteral("== %1 (v%2)\n").arg(QString::fromUtf8(k.title)).arg(k.version);
    for (const QString& d : r.dialogs.shown) out += d + u'\n';
    // A look at the line first: it goes out, nothing answers, then the
    // operation's own request is pending.
    if (r.c.exchange.is_probe(r.c.exchange.pending())) {
        out += QStringLiteral("probe: ") + hex_of(r.c.exchange.pending()) + u'\n';
        r.tick(); // its read heard nothing of the polled sensor: not shown
        logged = r.log_lines().size();
        r.tick();
    }
    for (const QString& l : r.log_lines().mid(logged))
        out += QStringLiteral("log: \"") + l + "\"\n";
    out += QStringLiteral("wrs: ") +
           (r.c.exchange.pending() == kPending ? QStringLiteral("(as before)")
            : r.c.exchange.pending().isEmpty() ? QStringLiteral("(empty)")
                                               : hex_of(r.c.exchange.pending())) +
           u'\n';
    if (r.c.exchange.settings_refresh_due()) out += QStringLiteral("mode_yes set\n");
    return out;
}

const std::vector<Case> kCases = {
    // Present reading as full or empty.
    {"hig takes the reading, no question", hig_Click},
    {"hig with the trailer", hig_Click, {}, nullptr, 175},
    {"hig refused while smoothing is on", hig_Click, {}, nullptr, 174, 5, true, 0x08},
    {"hig refused without a sensor", hig_Click, {}, nullptr, 174, 5, false},
    {"hig without an address does nothing", hig_Click, {}, nullptr, 174, -1, false},
    {"hig without a sensor and smoothing on: the sensor first",
     hig_Click,
     {},
     nullptr,
     174,
     5,
     false,
     0x08},
    {"low takes the reading", low_Click, {}, nullptr, 176},
    {"low refused without a sensor", low_Click, {}, nullptr, 174, 5, false},
    // Direct entry.
    {"hi_data at the top of the range", set_hi_data_Click, {"yes"}, "2000000000"},
    {"hi_data one above", set_hi_data_Click, {"yes"}, "2000000001"},
    {"hi_data negative", set_hi_data_Click, {"yes"}, "-1"},
    {"hi_data beyond 32 bits", set_hi_data_Click, {"yes"}, "99999999999"},
    {"hi_data needs no sensor", set_hi_data_Click, {"yes"}, "100000", 175, 5, false},
    {"lo_data letters", set_lo_data_Click, {"yes"}, "abc"},
    {"lo_data rounds half to even, logs as typed", set_lo_data_Click, {"yes"}, "50000.5"},
    {"lo_data answered No", set_lo_data_Click, {"no"}, "50000"},
    {"lo_data letters without an address: the address first",
     set_lo_data_Click,
     {"yes"},
     "abc",
     174,
     -1},
    // Shifts.
    {"shift full -1000", sdv_hi_Click, {"yes"}, "-1000"},
    {"shift empty 1000", sdv_low_Click, {"yes"}, "1000"},
    {"shift empty -1 with the trailer", sdv_low_Click, {"yes"}, "-1", 175},
    {"shift full 0 is sent", sdv_hi_Click, {"yes"}, "0"},
    {"shift 1001", sdv_hi_Click, {"yes"}, "1001"},
    {"shift -1001", sdv_low_Click, {"yes"}, "-1001"},
    {"shift 40000 is silently ignored", sdv_hi_Click, {"yes"}, "40000"},
    {"shift letters are silently ignored", sdv_low_Click, {"yes"}, "x1"},
    {"shift without an address", sdv_hi_Click, {"yes"}, "10", 174, -1},
    {"shift 1001 without an address: the range first", sdv_hi_Click, {"yes"}, "1001", 174, -1},
    {"shift answered No", sdv_low_Click, {"no"}, "10"},
    {"shift needs no sensor", sdv_low_Click, {"yes"}, "-10", 174, 5, false},
    // Alarm level.
    {"alarm 20 to address 5", set_alarm_level_Click, {"yes"}, "20"},
    {"alarm 20 with the trailer", set_alarm_level_Click, {"yes"}, "20", 175},
    {"alarm 99", set_alarm_level_Click, {"yes"}, "99", 176},
    {"alarm 0", set_alarm_level_Click, {"yes"}, "0"},
    {"alarm 100", set_alarm_level_Click, {"yes"}, "100"},
    {"alarm 40000 is silently ignored", set_alarm_level_Click, {"yes"}, "40000"},
    {"alarm without an address", set_alarm_level_Click, {"yes"}, "20", 174, -1},
    {"alarm 0 without an address: the range first", set_alarm_level_Click, {"yes"}, "0", 174, -1},
    {"alarm answered No", set_alarm_level_Click, {"no"}, "20"},
    {"alarm needs no sensor", set_alarm_level_Click, {"yes"}, "1", 174, 5, false},
    // Horizon.
    {"horizon", horizont_Click, {"yes"}, nullptr, 176},
    {"horizon answered No", horizont_Click, {"no"}},
    {"horizon without an address", horizont_Click, {"yes"}, nullptr, 174, -1},
    {"horizon needs no sensor", horizont_Click, {"yes"}, nullptr, 174, 5, false},
    // Operating mode (bytes from the controls: operating_mode_test).
    {"mode to 176: trailer and two bytes", Set_mode_Click, {"yes"}, nullptr, 176},
    {"mode answered No", Set_mode_Click, {"no"}},
    {"mode without an address asks nothing", Set_mode_Click, {"yes"}, nullptr, 174, -1},
    {"mode without a sensor or address: the sensor first",
     Set_mode_Click,
     {"yes"},
     nullptr,
     174,
     -1,
     false},
    // Password.
    {"password at the top of the range to address 3",
     Vvod_PWD_Click,
     {"=2000000000"},
     nullptr,
     174,
     3},
    {"password with the trailer", Vvod_PWD_Click, {"=2000000000"}, nullptr, 175, 3},
    {"password one above the range", Vvod_PWD_Click, {"=2000000001"}},
    {"password negative", Vvod_PWD_Click, {"=-1"}},
    {"password with letters", Vvod_PWD_Click, {"=12a"}},
    {"password cancelled", Vvod_PWD_Click, {"cancel"}},
    {"password empty", Vvod_PWD_Click, {"="}},
    {"password without a sensor", Vvod_PWD_Click, {"=1"}, nullptr, 174, 5, false},
    {"password letters without an address: the address first",
     Vvod_PWD_Click,
     {"=12a"},
     nullptr,
     174,
     -1},
    {"new password", Chg_pass_Click, {"yes", "=1234", "=1234"}, nullptr, 176, 3},
    {"new password typed differently the second time", Chg_pass_Click, {"yes", "=1234", "=1243"}},
    {"new password, second entry cancelled", Chg_pass_Click, {"yes", "=1234", "cancel"}},
    {"new password answered No", Chg_pass_Click, {"no", "=1234"}},
    {"new password out of range", Chg_pass_Click, {"yes", "=3000000000", "=3000000000"}},
    {"new password without a sensor", Chg_pass_Click, {"yes", "=1"}, nullptr, 174, 5, false},
    {"new password without an address", Chg_pass_Click, {"yes", "=1", "=1"}, nullptr, 174, -1},
    // Network address.
    {"address 255", net_Click, {"=255"}},
    {"address 7.5 rounds to 8", net_Click, {"=7.5"}, nullptr, 176},
    {"address 256", net_Click, {"=256"}},
    {"address -1", net_Click, {"=-1"}},
    {"address cancelled", net_Click, {"cancel"}},
    {"address without a sensor", net_Click, {"=7"}, nullptr, 174, 5, false},
    {"address 300 without an address: the address first", net_Click, {"=300"}, nullptr, 174, -1},
};
} // namespace

TEST(ConfigurationOperations, EveryCaseAsInTheTranscript) {
    QString all;
    for (const Case& k : kCases) all += run(k) + u'\n';
    EXPECT_TRUE(matches_golden(all, golden_path(__FILE__, QStringLiteral("operations.txt"))));
}

TEST(ConfigurationOperations, OnlyTheLastOfTwoBeforeATickGoesOut) {
    ConfiguratorRig r;
    r.open();
    r.select(5);
    r.f.lamp_level.set_text(QStringLiteral("20"));
    r.dialogs.answers = {true, true};
    set_alarm_level_Click(r.c);
    horizont_Click(r.c);
    r.tick();
    ASSERT_FALSE(r.port.writes.empty());
    EXPECT_EQ(r.port.writes.back(), request::set_horizon(5, 0));
    EXPECT_EQ(r.port.writes.size(), 1u);
}

TEST(ConfigurationOperations, LinkClosedOrAnotherSensorChosenWhileAskingStoresNothing) {
    for (const bool close : {true, false}) {
        ConfiguratorRig r;
        r.open();
        r.select(5);
        r.f.lamp_level.set_text(QStringLiteral("20"));
        r.dialogs.answers = {true};
        QByteArray left; // what closing or choosing itself leaves pending
        r.dialogs.during_question = [&] {
            if (close) {
                close_routine(r.c);
            } else {
                r.f.CmbNet.add_item(QStringLiteral("7"));
                r.f.CmbNet.set_list_index(1);
            }
            left = r.c.exchange.pending();
        };
        set_alarm_level_Click(r.c);
        EXPECT_EQ(r.c.exchange.pending(), left) << close;
        EXPECT_FALSE(r.log_lines().join(u'\n').contains(QStringLiteral("Cmd Set Lamp Level")))
            << close;
    }
}

TEST(ConfigurationOperations, DeferredModeWriteAsksAndSendsInItsTick) {
    ConfiguratorRig r;
    r.open();
    r.select(5);
    r.f.tek.set_text(QStringLiteral("1000"));
    r.c.exchange.after_ticks(2, [&] { Set_mode_Click(r.c); });
    r.tick();
    EXPECT_TRUE(r.dialogs.questions.isEmpty());
    r.dialogs.answers = {true};
    r.tick();
    EXPECT_EQ(r.dialogs.questions.size(), 1);
    EXPECT_EQ(r.port.writes.back(), request::set_mode(5, 0, 0x00, 0));
    r.c.exchange.after_ticks(2, [&] { Set_mode_Click(r.c); });
    r.tick();
    r.tick(); // answered No: a state request instead
    EXPECT_EQ(r.port.writes.back(), request::read_state(5));
}

// Before a sensor is moved, the new address is asked who is there: anything
// answering refuses the change; silence lets it go out.  Its own address is
// not asked about.
TEST(ConfigurationOperations, NewAddressIsAskedBeforeTheChange) {
    struct Case {
        const char* typed;
        std::optional<QByteArray> answer_at_new; // nullopt: silence
        QByteArray change;                       // empty: refused
    };
    const QByteArray id12 = frame("3E0CFC393000004C00");
    for (const Case& k : {Case{"12", id12, {}}, Case{"12", hex("C0"), {}},
                          Case{"7", std::nullopt, request::set_address(5, 174, 7).value()},
                          Case{"5", std::nullopt, request::set_address(5, 174, 5).value()}}) {
        SCOPED_TRACE(k.typed);
        ConfiguratorRig r;
        r.open();
        r.select(5);
        r.f.tek.set_text(QStringLiteral("1000")); // the sensor is heard
        r.dialogs.inputs = {QString::fromLatin1(k.typed)};
        net_Click(r.c);
        const bool own = QByteArray(k.typed) == "5";
        if (!own) {
            EXPECT_EQ(r.c.exchange.pending(), request::read_id(uint8_t(atoi(k.typed))));
            r.port.script = {k.answer_at_new, std::nullopt};
            r.tick();
            r.tick();
            EXPECT_EQ(r.f.sn.text(), QStringLiteral("0")); // the other sensor is not shown
        }
        r.tick();
        const bool refused = k.change.isEmpty();
        EXPECT_EQ(r.port.writes.back(), refused ? request::read_state(5) : k.change);
        int changes = 0;
        for (const QByteArray& w : r.port.writes) changes += uint8_t(w.at(2)) == CMD_SET_ADDRESS;
        EXPECT_EQ(changes, refused ? 0 : 1);
        if (refused) {
            EXPECT_EQ(r.dialogs.texts(), QStringList{address_taken_text(12)});
            EXPECT_TRUE(r.log_lines().contains(address_taken_text(12)));
        } else {
            EXPECT_TRUE(r.dialogs.messages.empty());
        }
    }
}

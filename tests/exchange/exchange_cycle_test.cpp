#include "../support/configurator_rig.h"

#include "exchange/connection.h"
#include "exchange/exchange_cycle.h"
#include "exchange/network_scan.h"
#include "exchange/port_return.h"
#include "protocol/codes.h"
#include "protocol/requests.h"
#include "tables/table_exchange.h"
#include "ui/tones.h"

#include <gtest/gtest.h>

namespace {
const QString kNoAnswer = QStringLiteral("Нет ответа от датчика с адресом ");
const QString kWriteError = QStringLiteral("Ошибка записи в порт COM3");
const QString kFreqRefusal = QStringLiteral(
    "Эту операцию невозможно выполнить в частотном режиме. Отключите ненадолго питание датчика "
    "и сделайте опрос сети");
} // namespace

TEST(ExchangeCycle, IdleTicksAskForStateAndReportSilence) {
    ConfiguratorRig r;
    r.open();
    r.select(5);
    r.tick();
    r.tick();
    ASSERT_EQ(r.port.writes.size(), 2u);
    EXPECT_EQ(r.port.writes[0], hex("3105F0FE"));
    EXPECT_EQ(r.port.writes[1], hex("3105F0FE"));
    EXPECT_EQ(r.f.MsgCom.text(), kNoAnswer + "5");
    EXPECT_EQ(r.f.MsgCom.fore_colour(), kButtonText);
    EXPECT_TRUE(r.f.no_data);
    EXPECT_TRUE(r.c.exchange.pending().isEmpty());
    // The first tick had nothing on the wire to be answered.
    EXPECT_EQ(r.log_lines().mid(1), QStringList({kNoAnswer + "5"}));
    // Each write flips the indicator between white and grey.
    const Colour after_two = r.f.Pic.fill_colour();
    r.tick();
    EXPECT_NE(r.f.Pic.fill_colour(), after_two);
    EXPECT_TRUE(r.f.Pic.fill_colour() == kWhite || r.f.Pic.fill_colour() == kGrey);

    r.select(0);
    r.tick();
    EXPECT_EQ(r.port.last_write(), hex("3100F001"));
}

TEST(ExchangeCycle, PendingRequestGoesOutInsteadOfTheStateRequest) {
    ConfiguratorRig r;
    r.open();
    r.select(5);
    r.c.exchange.queue(frame("3105FA"));
    r.f.err_shown = true;
    r.tick();
    ASSERT_EQ(r.port.writes.size(), 1u);
    EXPECT_EQ(r.port.writes[0], frame("3105FA"));
    EXPECT_TRUE(r.c.exchange.pending().isEmpty());
    EXPECT_FALSE(r.f.err_shown); // a user request clears the bad-data note
    r.tick();
    EXPECT_EQ(r.port.last_write(), hex("3105F0FE"));
}

TEST(ExchangeCycle, AddressChangeQueuesIdentityOverAPendingRequest) {
    ConfiguratorRig r;
    r.open();
    r.select(5);
    r.f.CmbNet.on_click = nullptr; // a selection made without the click handler
    r.f.CmbNet.add_item("12");
    r.f.CmbNet.set_list_index(1);
    r.c.exchange.queue(frame("3105FA"));
    r.tick();
    EXPECT_EQ(r.port.last_write(), frame("310CFC"));
    EXPECT_EQ(r.c.exchange.identity_address(), 12);
    r.tick();
    EXPECT_EQ(r.port.last_write(), frame("310CF0"));
}

TEST(ExchangeCycle, EntryThatIsNoAddressGetsNoRequests) {
    ConfiguratorRig r;
    r.open();
    r.select(5);
    r.f.CmbNet.on_click = nullptr;
    r.f.CmbNet.add_item("300");
    r.f.CmbNet.set_list_index(1);
    r.tick();
    ASSERT_EQ(r.port.writes.size(), 1u);
    EXPECT_TRUE(r.port.writes[0].isEmpty());
    EXPECT_EQ(r.c.exchange.identity_address(), 5);
    r.f.CmbNet.set_list_index(-1);
    r.tick();
    EXPECT_TRUE(r.port.last_write().isEmpty());
}

TEST(ExchangeCycle, FramedAndUnframedBoundaries) {
    ConfiguratorRig r;
    r.open();
    r.select(5);
    // Three bytes starting with 0x3E are no frame: with a scan pending they
    // are three addresses.
    r.c.exchange.begin_scan();
    r.c.exchange.scan_written(); // as after the scan request went out
    r.receive(hex("3E05F0"));
    EXPECT_EQ(r.f.CmbNet.items(), QStringList({"62", "5", "240"}));
    EXPECT_FALSE(r.c.exchange.scan_waiting());
    EXPECT_EQ(r.f.Pic.fill_colour(), kRed);

    // Address 62 first with three more answers reads as a frame (code 0x0C,
    // not one we know), and the scan stays pending.
    r.select(5);
    r.c.exchange.begin_scan();
    r.c.exchange.scan_written(); // as after the scan request went out
    r.receive(hex("3E050C07"));
    EXPECT_EQ(r.f.CmbNet.items(), QStringList({"5"}));
    EXPECT_TRUE(r.c.exchange.scan_waiting());
    EXPECT_EQ(r.dialogs.texts(), QStringList({"Ответ не соответствует запросу"}));

    // Without a scan, or with 20 bytes or more, an unframed reply is ignored.
    r.c.exchange.end_scan();
    r.receive(hex("0507"));
    EXPECT_EQ(r.f.CmbNet.items(), QStringList({"5"}));
    r.c.exchange.begin_scan();
    r.c.exchange.scan_written(); // as after the scan request went out
    r.receive(QByteArray(20, '\x07'));
    EXPECT_EQ(r.f.CmbNet.items(), QStringList({"5"}));
    EXPECT_FALSE(r.c.exchange.scan_waiting());
    EXPECT_EQ(r.f.MsgCom.text(), "Датчик подключен");
    EXPECT_EQ(r.f.MsgCom.fore_colour(), kDarkGreen);
    EXPECT_EQ(r.port.count("flush"), 4);
}

TEST(ExchangeCycle, OnlyBytesReadAfterTheScanWentOutAnswerIt) {
    ConfiguratorRig r;
    r.open();
    r.select(5);
    r.port.hold_reads = true;
    r.tick(); // a state request is chosen; its read waits
    Opros_Click(r.c);
    r.port.incoming = hex("07"); // a stray byte of the earlier exchange
    r.port.complete_read();
    EXPECT_EQ(r.f.CmbNet.items(), QStringList({"5"}));
    EXPECT_TRUE(r.c.exchange.scan_waiting());
    EXPECT_EQ(r.c.exchange.pending(), hex("31FFDC")); // the scan is still to go out

    r.tick(); // the scan goes out; its answer is read by the tick after
    r.port.complete_read();
    EXPECT_EQ(r.port.last_write(), hex("31FFDC"));
    r.tick();
    r.port.incoming = hex("050C");
    r.port.complete_read();
    EXPECT_EQ(r.f.CmbNet.items(), QStringList({"5", "12"}));
    EXPECT_FALSE(r.c.exchange.scan_waiting());
}

TEST(ExchangeCycle, FourthFailedWriteClosesThePort) {
    ConfiguratorRig r;
    r.open();
    r.select(5);
    r.port.failing_writes = 4;
    r.port.failed_count = 2;
    r.c.exchange.queue(frame("3105FA"));
    r.port.incoming = frame("3E05FA"); // a reply read in a failed tick is dropped
    bool stale_while_shown = false;
    r.dialogs.during_message = [&] { stale_while_shown = r.f.no_data; };
    r.tick();
    EXPECT_EQ(r.dialogs.texts(), QStringList({kWriteError}));
    // Stale, said and logged before the box waits for its OK.
    EXPECT_TRUE(stale_while_shown);
    EXPECT_EQ(r.c.messages.entries().front().text, kWriteError);
    EXPECT_EQ(r.log_lines().last(), kWriteError);
    EXPECT_EQ(r.c.exchange.write_failures(), 1);
    EXPECT_TRUE(r.c.exchange.pending().isEmpty());
    EXPECT_NE(r.f.MsgCom.text(), QStringLiteral(" Установлен нижний уровень."));
    r.tick();
    EXPECT_EQ(r.port.last_write(), hex("3105F0FE")); // the dropped request is not retried
    r.tick();
    EXPECT_EQ(r.c.exchange.write_failures(), 3);
    EXPECT_TRUE(r.port.IsOpen());
    EXPECT_TRUE(r.f.TMRComm.enabled());

    r.tick();
    EXPECT_EQ(r.dialogs.messages.size(), 4u);
    EXPECT_FALSE(r.port.IsOpen());
    EXPECT_FALSE(r.f.TMRComm.enabled());
    EXPECT_TRUE(r.f.presence_timer.enabled());
    EXPECT_TRUE(r.f.BTNOpenCom.enabled());
    EXPECT_EQ(r.log_lines().last(), "Com Port COM3 Closed");
}

// A port that is gone (adapter pulled, connection dropped) is waited for
// without a box, and only the same device is opened again.
TEST(ExchangeCycle, ALostPortIsWaitedForAndTheSameOneOpenedAgain) {
    const QString com3 = QStringLiteral("\\\\.\\COM3"), com4 = QStringLiteral("\\\\.\\COM4");
    ConfiguratorRig r;
    r.port.existing = {com3};
    r.open();
    r.select(5);
    r.port.failing_writes = 1;
    r.port.link_lost = true;
    r.tick();
    EXPECT_TRUE(r.dialogs.texts().isEmpty());
    EXPECT_EQ(r.f.MsgCom.text(), port_lost_text(QStringLiteral("COM3")));
    EXPECT_EQ(r.log_lines().last(), port_lost_text(QStringLiteral("COM3")));
    EXPECT_TRUE(r.f.no_data);
    EXPECT_FALSE(r.port.IsOpen()); // let go, so that it can come back under its name
    EXPECT_TRUE(r.f.BTNCloseCom.enabled());
    EXPECT_TRUE(r.f.TMRComm.enabled());

    // Another device appears meanwhile; a request asked for now never goes out.
    r.port.link_lost = false;
    r.port.existing = {com4};
    r.c.exchange.queue(frame("3105FA"));
    const size_t writes = r.port.writes.size();
    r.tick();
    r.tick();
    EXPECT_EQ(r.port.writes.size(), writes);
    EXPECT_EQ(r.port.count(QStringLiteral("open ") + com4), 0);
    EXPECT_TRUE(r.c.exchange.pending().isEmpty());

    r.port.existing = {com3, com4};
    r.tick();
    EXPECT_EQ(r.port.opened_device, com3);
    EXPECT_EQ(r.f.MsgCom.text(), port_back_text(QStringLiteral("COM3")));
    EXPECT_EQ(r.log_lines().mid(r.log_lines().size() - 2),
              QStringList({"Com Port " + com3 + " Open", port_back_text(QStringLiteral("COM3"))}));
    // The cycle goes on where it was, at once; its first read came before
    // anything was asked: no "no answer" for it.
    EXPECT_EQ(r.port.last_write(), hex("3105F0FE"));
    EXPECT_EQ(r.log_lines().last(), port_back_text(QStringLiteral("COM3")));
    EXPECT_TRUE(r.dialogs.texts().isEmpty());
    r.tick();
    EXPECT_EQ(r.f.MsgCom.text(), kNoAnswer + "5");

    // "Закрыть порт" ends a wait: the cycle stops and nothing is tried again.
    r.port.failing_writes = 1;
    r.port.link_lost = true;
    r.tick();
    ASSERT_TRUE(r.c.lost_port.has_value());
    r.f.BTNCloseCom.click();
    EXPECT_FALSE(r.c.lost_port.has_value());
    EXPECT_FALSE(r.f.TMRComm.enabled());
    EXPECT_TRUE(r.f.BTNOpenCom.enabled());
    EXPECT_TRUE(r.f.presence_timer.enabled());
}

TEST(ExchangeCycle, SuccessfulWriteResetsTheFailureCount) {
    ConfiguratorRig r;
    r.open();
    r.select(5);
    r.port.failing_writes = 3;
    r.tick();
    r.tick();
    r.tick();
    r.tick();
    EXPECT_EQ(r.c.exchange.write_failures(), 0);
    r.port.failing_writes = 3;
    r.tick();
    r.tick();
    r.tick();
    EXPECT_TRUE(r.port.IsOpen());
}

TEST(ExchangeCycle, FrequencyModeDropsUserRequestsButKeepsPolling) {
    ConfiguratorRig r;
    r.open();
    r.select(5);
    r.receive(frame("3E05FE01F4"));
    EXPECT_TRUE(r.f.freq_mode);
    r.c.exchange.queue(frame("3105F5"));
    r.tick();
    EXPECT_EQ(r.dialogs.texts(), QStringList({kFreqRefusal}));
    EXPECT_TRUE(r.port.last_write().isEmpty()); // nothing sent this tick
    r.tick();
    EXPECT_EQ(r.port.last_write(), hex("3105F0FE"));
    EXPECT_EQ(r.dialogs.messages.size(), 1u);
    // Any other reply ends frequency mode.
    r.receive(frame("3E05FA"));
    EXPECT_FALSE(r.f.freq_mode);
    r.c.exchange.queue(frame("3105F5"));
    r.tick();
    EXPECT_EQ(r.port.last_write(), frame("3105F5"));

    // The search, which finds the sensor again after its power cycle, always
    // goes out; and a closed port forgets the frequency mode.
    r.receive(frame("3E05FE01F4"));
    Opros_Click(r.c);
    r.tick();
    EXPECT_EQ(r.port.last_write(), hex("31FFDC"));
    EXPECT_EQ(r.dialogs.messages.size(), 1u);
    r.receive(frame("3E05FE01F4"));
    BTNCloseCom_Click(r.c);
    r.open();
    r.c.exchange.queue(frame("3100F5"));
    r.tick();
    EXPECT_EQ(r.port.last_write(), frame("3100F5"));
    EXPECT_EQ(r.dialogs.messages.size(), 1u);
}

TEST(ExchangeCycle, ReplayLeavesThePortAndTheRunLogAlone) {
    ConfiguratorRig r;
    const QStringList before = r.log_lines();
    r.port.calls.clear();
    r.replay(hex("3E05F0152C03C1B0130060EA000050BD0100100026"
                 "0F0560"));
    EXPECT_TRUE(r.port.calls.isEmpty());
    EXPECT_EQ(r.log_lines(), before);
    EXPECT_EQ(r.f.Uroven.text(), "812");
    EXPECT_EQ(r.f.MsgCom.text(), QStringLiteral(" Получены данные."));
    EXPECT_EQ(r.f.Pic.fill_colour(), kRed);
    EXPECT_FALSE(r.f.replay_mode);
    EXPECT_FALSE(r.c.exchange.tick_running());
    // The log speaks again after the replay.
    r.c.str_to_log("after");
    EXPECT_EQ(r.log_lines().last(), "after");
}

TEST(ExchangeCycle, TableWriteIsFollowedByTheModeWriteTwoTicksLater) {
    ConfiguratorRig r;
    r.open();
    r.select(5);
    r.f.tek.set_text("1000"); // a sensor has answered
    wrmyTable_Click(r.c);
    r.tick();
    EXPECT_EQ(r.port.last_write(), request::write_table(5, 0, CalibrationTable::defaults()));
    EXPECT_EQ(r.c.exchange.deferred_ticks(), 1);
    EXPECT_TRUE(r.dialogs.questions.isEmpty());
    r.dialogs.answers.push_back(true);
    r.tick();
    EXPECT_EQ(r.c.exchange.deferred_ticks(), 0);
    EXPECT_EQ(r.dialogs.questions.size(), 1);
    EXPECT_EQ(r.port.last_write(), frame("3105F200"));
}

// The read runs without blocking the window; these cases cover what may
// happen while it waits.
TEST(ExchangeCycleAsync, ARequestStoredDuringTheReadIsKeptForTheNextTick) {
    ConfiguratorRig r;
    r.open();
    r.select(5);
    r.port.hold_reads = true;
    r.tick();
    ASSERT_TRUE(r.port.read_held());
    EXPECT_TRUE(r.c.exchange.tick_running());
    r.c.exchange.queue(frame("3105F5")); // the user presses a button meanwhile
    r.tick();                            // and the timer fires again: no second tick
    EXPECT_EQ(r.port.count("ReadAsync"), 1);
    ASSERT_TRUE(r.port.complete_read());
    ASSERT_EQ(r.port.writes.size(), 1u);
    EXPECT_EQ(r.port.writes[0], hex("3105F0FE"));
    EXPECT_EQ(r.c.exchange.pending(), frame("3105F5"));
    EXPECT_FALSE(r.c.exchange.tick_running());
    r.tick();
    r.port.complete_read();
    EXPECT_EQ(r.port.last_write(), frame("3105F5"));
    EXPECT_TRUE(r.c.exchange.pending().isEmpty());
}

TEST(ExchangeCycleAsync, ClosingThePortDuringTheReadEndsTheTickQuietly) {
    for (bool port_drops_the_read : {true, false}) {
        ConfiguratorRig r;
        r.open();
        r.select(5);
        r.port.hold_reads = true;
        r.port.honour_cancel = port_drops_the_read;
        r.tick();
        BTNCloseCom_Click(r.c);
        EXPECT_FALSE(r.c.exchange.tick_running());
        EXPECT_EQ(r.port.complete_read(), !port_drops_the_read);
        EXPECT_TRUE(r.port.writes.empty());
        EXPECT_TRUE(r.dialogs.messages.empty());
        EXPECT_EQ(r.f.Pic.fill_colour(), rgb(255, 255, 16));
        // Opened again, the cycle runs as before.
        r.open();
        r.port.hold_reads = false;
        r.tick();
        EXPECT_EQ(r.port.writes.size(), 1u);
    }
}

TEST(ExchangeCycleAsync, ClosingWhileTheWriteErrorIsShownEndsTheTick) {
    ConfiguratorRig r;
    r.open();
    r.select(5);
    for (int i = 0; i < 3; ++i) r.c.exchange.write_failed();
    r.port.failing_writes = 1;
    r.dialogs.during_message = [&r] {
        r.dialogs.during_message = nullptr;
        BTNCloseCom_Click(r.c);
    };
    r.tick();
    EXPECT_EQ(r.dialogs.texts(), QStringList({kWriteError}));
    // One close, by the button; the failure count does not close it again.
    EXPECT_EQ(r.log_lines().count("Com Port COM3 Closed"), 1);
    EXPECT_EQ(r.port.count("close"), 1);
}

TEST(ExchangeCycleAsync, NoTickStartsWhileAMessageOfAnotherIsOpen) {
    ConfiguratorRig r;
    r.open();
    r.select(5);
    r.port.failing_writes = 1;
    int nested_writes = -1;
    r.dialogs.during_message = [&r, &nested_writes] {
        r.dialogs.during_message = nullptr;
        r.tick(); // the timer fires in the message box's event loop
        nested_writes = int(r.port.writes.size());
    };
    r.tick();
    EXPECT_EQ(nested_writes, 1);
    EXPECT_FALSE(r.c.exchange.tick_running());
    r.tick();
    EXPECT_EQ(r.port.writes.size(), 2u);
}

// What operations and listeners hear of their requests, one line per event.
TEST(ExchangeOwner, OutcomesSequencesListenersAndDeferredWork) {
    ConfiguratorRig r;
    r.open();
    r.select(5);
    Exchange& ex = r.c.exchange;
    QStringList heard;
    const auto note = [&](const char* who) {
        return [&heard, who](RequestOutcome o, const QByteArray& reply) {
            static const char* names[] = {"replied", "no answer", "dropped"};
            heard << QStringLiteral("%1 %2 %3").arg(who, names[int(o)], reply.toHex());
        };
    };
    ex.on_reply(CMD_READ_STATE, [&](const QByteArray&) { heard << "state"; });
    const QByteArray state = frame("3E05F0152C03C1B0130060EA000050BD01001000260F05");

    ex.queue(frame("3105F5"), note("a"));
    ex.queue(frame("3105F4"), note("b")); // replaces a before it went out
    r.port.script = {frame("3E05F4"), std::nullopt, state, frame("3E05FD")};
    r.tick(); // b out
    r.tick(); // its confirmation in; a state request out
    r.tick(); // no answer to it; another state request out
    r.tick(); // the state reply in
    // A sequence stops where its step says so.
    ex.queue_sequence({frame("3105F5"), frame("3105F4"), frame("3105FA")},
                      [&](int i, RequestOutcome o, const QByteArray&) {
                          heard << QStringLiteral("step %1 %2").arg(i).arg(int(o));
                          return i == 0;
                      });
    r.port.script = {frame("3E05F5"), std::nullopt, frame("3E05FD")};
    for (int i = 0; i < 4; ++i) r.tick(); // each step's reply comes the tick after it
    // Deferred work runs in the second tick from now, unless the link closes.
    ex.after_ticks(2, [&] { heard << "deferred"; });
    r.tick();
    heard << "tick";
    r.tick();
    ex.after_ticks(2, [&] { heard << "never"; });
    ex.queue(frame("3105F5"), note("c"));
    r.port.hold_reads = true;
    r.tick();
    BTNCloseCom_Click(r.c);

    EXPECT_EQ(heard, (QStringList{"a dropped ", "b replied 3e05f4c0", "state", "step 0 0",
                                  "step 1 0", "tick", "deferred", "c dropped "}));
    EXPECT_EQ(r.port.writes.at(0), frame("3105F4"));
    EXPECT_EQ(r.port.writes.at(6), frame("3105F4")); // the second step
    EXPECT_EQ(ex.deferred_ticks(), 0);
}

#include "exchange/exchange_cycle.h"

#include "exchange/configurator.h"
#include "exchange/connection.h"
#include "exchange/network_scan.h"
#include "exchange/port_return.h"
#include "exchange/reply_dispatch.h"
#include "i18n/language.h"
#include "protocol/bootloader.h"
#include "protocol/codes.h"
#include "protocol/frame_codec.h"
#include "protocol/requests.h"
#include "protocol/serial_port.h"
#include "ui/dialogs.h"

// How a tick shares the event loop.
//
// Steps up to choosing the request run at once.  The read then runs through
// SerialPort::ReadAsync, so the window stays live while the sensor answers;
// the write and the reply handling follow in its callback.  Three things can
// happen while we wait, and each is handled here:
//  - the timer fires again: the running tick keeps a second one out (message
//    boxes run nested event loops, so this also covers a tick showing one);
//  - a button handler queues a new request: the tick writes what it chose
//    (`sending`) and the pending slot empties only if it still holds that
//    frame, so the new request goes out on the next tick;
//  - the port is closed (button, window closing, failed writes): the close
//    routine calls abandon_tick, which makes the running tick stale; a
//    callback or a message box that returns into a stale tick ends quietly.

namespace {
// A sensor that an unfinished upload left in its bootloader refuses every
// frame with 0x1F, and does so before any sensor answers (it refuses a
// request's first two bytes): those refusals are no reply and no address of a
// scan answer.  Returns the reply without them.  (Until an upload completes,
// a sensor at address 31 is not found by a scan it answers first.)
QByteArray without_loader_refusals(const MainForm& f, const QByteArray& reply) {
    if (f.loader_left.isEmpty()) return reply;
    qsizetype n = 0;
    while (n < reply.size() && uint8_t(reply[n]) == bootloader::kNack) ++n;
    return reply.mid(n);
}

// Requests carry their address at the second byte; the search carries none.
bool addressed_to_selection(const MainForm& f, const QByteArray& request) {
    if (request.size() < 4) return true;
    const auto addr = f.selected_address();
    return !addr || uint8_t(request[1]) == *addr;
}

// The write, the indicator, the status line and the reply processing, once
// the read has returned.
void after_read(Configurator& c, uint32_t tick, const QByteArray& sending,
                const QByteArray& received) {
    MainForm& f = c.frmSerial;
    Exchange& ex = c.exchange;
    if (!ex.is_current(tick)) return;

    const uint16_t n = c.port.WritePort(sending);
    if (n != sending.size() && c.port.LinkLost()) {
        // The port itself is gone: no box that nobody may be there to close,
        // the values go stale and the same port is waited for.
        f.no_data = true;
        ex.notify_silence();
        Exchange::OutcomeHandler previous = ex.sent(sending, false);
        wait_for_port(c);
        ex.end_tick(tick);
        if (previous) previous(RequestOutcome::NoAnswer, {});
        return;
    }
    if (n != sending.size()) {
        // The values stop being live now, not when the box is closed; the
        // loss goes to the history and the run log with the port's name (a
        // dropped network connection as such, with its address).
        const QString lost = c.port.LostMessage();
        const QString text =
            !lost.isEmpty() ? lost
                            : fill_text(QT_TRANSLATE_NOOP("Messages", "Ошибка записи в порт %1"),
                                        {f.CmbPort.selected_text()});
        f.no_data = true;
        ex.notify_silence();
        f.MsgCom.set_fore_colour(kRed);
        f.MsgCom.set_text(text);
        c.str_to_log(text);
        c.dialogs.message(text);
        if (!ex.is_current(tick)) return; // closed while the box was open
        if (ex.write_failures() <= 2) {
            ex.write_failed();
        } else {
            f.TMRComm.set_enabled(false);
            BTNCloseCom_Click(c);
        }
        Exchange::OutcomeHandler previous = ex.sent(sending, false);
        if (previous) previous(RequestOutcome::NoAnswer, {});
        ex.end_tick(tick);
        return;
    }
    ex.write_succeeded();
    const bool resumed = ex.take_resumed();
    // What this read brought answers the request the previous tick wrote.
    const QByteArray answered = ex.on_wire();
    const bool probe = ex.is_probe(answered);
    Exchange::OutcomeHandler previous = ex.sent(sending, true);
    // Only what is read after the scan went out can answer it.
    if (sending == request::net_scan()) ex.scan_written();
    f.Pic.set_fill_colour(f.Pic.fill_colour() == kWhite ? kGrey : kWhite);

    const QByteArray reply = without_loader_refusals(f, received);
    // A probe's reply is its asker's alone; it says nothing about the
    // polled sensor.
    if (probe) {
        f.Pic.set_fill_colour(kRed);
        if (!received.isEmpty()) c.port.FlushPort();
        ex.end_tick(tick);
        if (previous)
            previous(reply.isEmpty() ? RequestOutcome::NoAnswer : RequestOutcome::Replied, reply);
        return;
    }
    // Silence after a request that went to another address than the one now
    // polled (it left before a search or a selection changed the address), or
    // at the first tick, when nothing was asked yet, or at the first read
    // after a lost port came back, is no news of the polled sensor.
    if (reply.isEmpty() &&
        (answered.isEmpty() || resumed || !addressed_to_selection(f, answered))) {
        ex.end_tick(tick);
        if (previous) previous(RequestOutcome::NoAnswer, {});
        return;
    }
    if (reply.isEmpty()) {
        f.no_data = true;
        const QString text =
            fill_text(QT_TRANSLATE_NOOP("Messages", "Нет ответа от датчика с адресом %1"),
                      {f.CmbNet.selected_text()});
        if (received.isEmpty()) c.str_to_log(text);
        // Refusals, or silence, from a sensor left in its bootloader (switched
        // off and on, it waits there quietly for the next upload).
        const bool loader = !f.loader_left.isEmpty();
        f.MsgCom.set_fore_colour(loader ? kRed : kButtonText);
        f.MsgCom.set_text(loader ? f.loader_left : text);
        ex.notify_silence();
        ex.end_tick(tick);
        if (previous) previous(RequestOutcome::NoAnswer, {});
        return;
    }
    f.no_data = false;
    f.MsgCom.set_fore_colour(kDarkGreen);
    f.MsgCom.set_text(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Датчик подключен")));
    f.freq_mode = false;
    process_reply(c, reply);
    ex.end_tick(tick);
    if (previous) previous(RequestOutcome::Replied, reply);
}

} // namespace

void process_reply(Configurator& c, const QByteArray& reply) {
    MainForm& f = c.frmSerial;
    Exchange& ex = c.exchange;
    const bool replay = f.replay_mode;
    const uint32_t tick = ex.current_tick();
    const qsizetype L = reply.size();

    uint8_t acc = 0;
    for (qsizetype i = 0; i + 1 < L; ++i) crc(uint8_t(reply[i]), acc);

    if (L >= 4 && uint8_t(reply[0]) == kReplyStart) {
        dispatch_reply(c, reply, acc);
    } else if (L > 0 && ex.scan_waiting() && (ex.scan_on_wire() || replay)) {
        if (L < 20) net_answer(c, reply);
        ex.end_scan();
    }

    // A tick abandoned meanwhile (the port was closed while a message box of
    // the dispatch was open) leaves the display as the close routine reset it.
    const bool current = ex.is_current(tick);
    if (current) f.Pic.set_fill_colour(kRed);
    f.replay_mode = false;
    // A replay never touches the port.
    if (current && !replay) c.port.FlushPort();
}

void TMRComm_Timer(Configurator& c) {
    MainForm& f = c.frmSerial;
    Exchange& ex = c.exchange;
    if (ex.tick_running()) {
        // A replay cannot share the cycle with a tick that waits for the port.
        // It is not left pending, which would keep the run log silent, and it
        // is not lost without a word either.
        if (f.replay_mode) {
            f.replay_mode = false;
            c.dialogs.message(kReplayRefused);
        }
        return;
    }
    if (c.lost_port && !f.replay_mode) {
        port_return_tick(c);
        return;
    }
    const uint32_t tick = ex.begin_tick();

    if (f.replay_mode) {
        const QByteArray reply = f.replay_reply;
        process_reply(c, reply);
        ex.end_tick(tick);
        return;
    }

    // An entry that is not an address (none selected, not 0..255) gets
    // neither an identity nor a state request.
    const auto addr = f.selected_address();
    if (addr && *addr != ex.identity_address()) {
        ex.queue(Zapros_ser_num(f));
        ex.identity_queued_for(*addr);
    }

    // Work a handler deferred to this tick (the mode write after a table
    // write); it may ask a question, and the port may be closed meanwhile.
    if (const std::function<void()> due = ex.take_due_action()) {
        due();
        if (!ex.is_current(tick)) return;
    }

    if (ex.pending().isEmpty() && f.CmbNet.list_index() >= 0) {
        if (addr) ex.queue(request::read_state(*addr));
    } else {
        f.err_shown = false;
        // The search is how a sensor is found again after its power cycle:
        // it always goes out.
        if (f.freq_mode && !ex.pending().isEmpty() && ex.pending() != request::net_scan()) {
            ex.refuse_pending();
            c.dialogs.message(kFrequencyRefusal);
            if (!ex.is_current(tick)) return;
        }
    }

    f.still_count = int16_t(f.still_count - 1);
    if (f.still_count < 0) f.still_count = 0;

    const QByteArray sending = ex.choose_pending();
    c.port.ReadAsync(
        [&c, tick, sending](QByteArray reply) { after_read(c, tick, sending, reply); });
}

void abandon_tick(Configurator& c) {
    c.exchange.abandon();
    c.port.CancelRead();
}

void wire_exchange(Configurator& c) {
    c.frmSerial.TMRComm.on_timer = [&c] { TMRComm_Timer(c); };
    c.frmSerial.CmbNet.on_click = [&c] { CmbNet_Click(c); };
    c.frmSerial.Opros.on_click = [&c] { Opros_Click(c); };
}

#include "exchange/port_return.h"

#include "exchange/configurator.h"
#include "exchange/exchange_cycle.h"
#include "protocol/line_settings.h"
#include "protocol/serial_port.h"

namespace {
void say(Configurator& c, const QString& text, Colour colour) {
    MainForm& f = c.frmSerial;
    f.MsgCom.set_fore_colour(colour);
    f.MsgCom.set_text(text);
    c.str_to_log(text);
    if (c.on_port_news) c.on_port_news(text);
}

void port_back(Configurator& c) {
    const LostPort lost = *c.lost_port;
    c.lost_port.reset();
    c.exchange.write_succeeded();
    c.exchange.resumed();
    c.str_to_log(QStringLiteral("Com Port ") + lost.device + QStringLiteral(" Open"));
    say(c, port_back_text(lost.item), kDarkGreen);
}
} // namespace

void wait_for_port(Configurator& c) {
    MainForm& f = c.frmSerial;
    c.lost_port = LostPort{f.CmbPort.selected_text(), c.open_device};
    // Work deferred to a later tick belonged to the line that went.
    c.exchange.drop_pending();
    c.exchange.cancel_deferred();
    // Let the device go, so that it can come back under its own name.
    // A gateway says what went (the connection to its address).
    const QString why = c.port.LostMessage();
    c.port.ClosePort();
    if (!why.isEmpty()) say(c, why, kRed);
    say(c, port_lost_text(c.lost_port->item), kRed);
}

void port_return_tick(Configurator& c) {
    if (!c.exchange.pending().isEmpty()) c.exchange.drop_pending();
    LostPort& lost = *c.lost_port;
    // A device is tried once its name is there again; an address each time
    // (no gateway says when it is back).
    if (lost.opening || !c.port.PortExists(lost.device)) return;
    lost.opening = true;
    const uint32_t attempt = ++lost.attempt;
    c.port.OpenPortAsync(lost.device, kSensorLineSettings, [&c, attempt](bool ok) {
        if (!c.lost_port || c.lost_port->attempt != attempt) return;
        c.lost_port->opening = false;
        if (!ok) return; // still away: the next tick tries again
        port_back(c);
        TMRComm_Timer(c); // the state is asked at once, not a second later
    });
}

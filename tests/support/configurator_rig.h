#pragma once
// A whole configurator on fakes, with a real run log in a temporary folder,
// wired as the program wires it and set up as after start-up.
#include "fake_serial_port.h"
#include "fakes.h"

#include "app/startup.h"
#include "commands/operating_mode.h"
#include "commands/wire_commands.h"
#include "exchange/configurator.h"
#include "exchange/connection.h"
#include "exchange/exchange_cycle.h"
#include "link/text_files.h"
#include "protocol/cp1251.h"
#include "protocol/frame_codec.h"
#include "tables/table_exchange.h"
#include "ui/gating.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <utility>

// A configurator over `Port` with scripted dialogs, recorded tones, a settable
// clock and a temporary folder; nothing wired yet.  The port's constructor
// takes `args`.
template <class Port> struct Rig {
    QTemporaryDir dir;
    Port port;
    FakeDialogs dialogs;
    FakeTones tones;
    FakeClock clock;
    Configurator c{port, dialogs, tones, clock};
    MainForm& f = c.frmSerial;

    template <class... Args> explicit Rig(Args&&... args) : port(std::forward<Args>(args)...) {}
};

struct ConfiguratorRig : Rig<FakeSerialPort> {
    ConfiguratorRig() {
        wire_exchange(c);
        wire_connection(c);
        wire_commands(c);
        listen_for_tables(c);
        // The program's own start-up, with the run log in the test's folder.
        Form_Load(c, dir.path());
        f.CmbPort.clear();
        f.CmbPort.add_item(QStringLiteral("COM3"));
        f.CmbPort.set_list_index(0);
    }

    // Opens COM3 and leaves the line idle: nothing pending, address 0 known.
    void open() {
        BTNOpenCom_Click(c);
        c.exchange.drop_pending();
        c.exchange.identity_queued_for(0);
    }
    // Selects `address` as if it had been identified already.
    void select(int address) {
        f.CmbNet.clear();
        f.CmbNet.add_item(QString::number(address));
        f.CmbNet.set_list_index(0);
        c.exchange.identity_queued_for(uint8_t(address));
        c.exchange.drop_pending();
    }
    void tick() { f.TMRComm.on_timer(); }
    // The line delivers `bytes` to the next read; one tick reads them.
    void receive(const QByteArray& bytes) {
        port.incoming = bytes;
        tick();
    }
    // Replays `bytes` as a reply from a server log.
    void replay(const QByteArray& bytes) {
        f.replay_reply = bytes;
        f.replay_mode = true;
        TMRComm_Timer(c);
    }

    // The run log's messages after the start record, without their times.
    QStringList log_lines() const {
        QFile file(c.log.path());
        if (!file.open(QIODevice::ReadOnly)) return {};
        const QString text = from_cp1251(file.readAll());
        static const QRegularExpression record(QStringLiteral("^\"\\d\\d:\\d\\d:\\d\\d : (.*)\"$"));
        QStringList out;
        for (const QString& line : text.split(QStringLiteral("\r\n"))) {
            const auto m = record.match(line);
            if (m.hasMatch()) out.append(m.captured(1));
        }
        return out;
    }
};

inline QByteArray hex(const char* h) {
    return QByteArray::fromHex(h);
}
// A reply frame with its CRC-8 appended: frame("3E05FA") == 3E 05 FA DF.
inline QByteArray frame(const QByteArray& h) {
    return Control_summ(QByteArray::fromHex(h));
}

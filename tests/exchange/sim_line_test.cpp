// The exchange cycle against the in-process simulated line: scan, identity,
// live values and a confirmation, all through the real reply handling.
#include "../support/configurator_rig.h"

#include "exchange/configurator.h"
#include "exchange/connection.h"
#include "exchange/exchange_cycle.h"
#include "exchange/network_scan.h"
#include "protocol/codes.h"
#include "protocol/frame_codec.h"
#include "sim/sim_port.h"
#include "ui/gating.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
struct SimRig : Rig<SimSerialPort> {
    SimRig() {
        c.log.create(dir.path());
        wire_exchange(c);
        wire_connection(c);
        c.device_for_item = [](const QString&) { return kDemoPortName; };
        CloseAllTags(f);
        f.BTNOpenCom.set_enabled(true);
        f.CmbNet.add_item("0");
        f.CmbNet.set_list_index(0);
        f.CmbPort.add_item("demo");
        f.CmbPort.set_list_index(0);
        f.BTNOpenCom.click();
    }
    // One tick, waiting until its read has come back.
    void tick() {
        f.TMRComm.on_timer();
        QDeadlineTimer deadline(2000);
        while (c.exchange.tick_running() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        ASSERT_FALSE(c.exchange.tick_running());
    }
};
} // namespace

TEST(SimLine, ScanIdentifyAndWatch) {
    SimRig r;
    ASSERT_TRUE(r.port.IsOpen());
    r.tick(); // identity request for the start-up address 0: nobody there
    r.f.Opros.click();
    r.tick(); // the scan goes out
    r.tick(); // its answer comes back
    EXPECT_EQ(r.f.CmbNet.items(), QStringList({"1", "5", "12"}));
    EXPECT_EQ(r.f.netdev.text(), "1 5 12 ");
    r.tick(); // identity of sensor 1
    r.tick();
    EXPECT_EQ(r.f.vv.text(), "1.3.0.");
    EXPECT_EQ(r.f.firmware_version, 130);
    EXPECT_TRUE(r.f.R_a.enabled());
    r.tick();
    EXPECT_EQ(r.f.ne.text(), "1");
    EXPECT_NE(r.f.tek.text(), kNoData);
    EXPECT_EQ(r.f.MsgCom.text(), QStringLiteral("Датчик подключен"));

    // Choose the 1.7.6 sensor at address 12.
    r.f.CmbNet.set_list_index(2);
    r.tick();
    r.tick();
    EXPECT_EQ(r.f.vv.text(), "1.7.6.");
    EXPECT_TRUE(r.f.smoothing_slider.visible());
    r.tick();
    EXPECT_EQ(r.f.ne.text(), "12");

    // A configuration request and its confirmation.
    r.c.exchange.queue(Control_summ(QByteArray::fromHex("310CFA") + write_trailer()));
    r.tick();
    r.tick();
    EXPECT_EQ(r.f.MsgCom.text(), QStringLiteral(" Установлен нижний уровень."));
    EXPECT_TRUE(r.dialogs.messages.empty());
    EXPECT_EQ(r.c.exchange.write_failures(), 0);
}

// "Монитор линии" on the in-process demo line: the counts the cycle's own
// traffic makes, a hint from an injected fault, the frame list's bound, pause
// and filter, "Только слушать", and a cycle that sends the same with the
// monitor open as without it.
#include "../support/configurator_rig.h"

#include "app/line_monitor_window.h"
#include "exchange/line_diagnosis.h"
#include "sim/sim_port.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {
// The demo line, with every write kept.
class RecordingPort final : public SerialPort {
public:
    SimSerialPort sim;
    QList<QByteArray> written;

    bool OpenPort(const QString& d, const QString& s) override { return sim.OpenPort(d, s); }
    int ClosePort() override { return sim.ClosePort(); }
    void FlushPort() override { sim.FlushPort(); }
    QByteArray ReadPort() override { return sim.ReadPort(); }
    uint16_t WritePort(const QByteArray& data) override {
        written.append(data);
        return sim.WritePort(data);
    }
    bool PortExists(const QString& name) override { return sim.PortExists(name); }
    bool IsOpen() const override { return sim.IsOpen(); }
    void DiscardInput() override { sim.DiscardInput(); }
    void ReadAsync(std::function<void(QByteArray)> done) override {
        sim.ReadAsync(std::move(done));
    }
    void CancelRead() override { sim.CancelRead(); }
    void SetTap(std::shared_ptr<LineTap> tap) override { sim.SetTap(std::move(tap)); }
};

struct MonitorRig : Rig<RecordingPort> {
    std::unique_ptr<LineMonitorWindow> window;
    explicit MonitorRig(bool monitor) {
        c.log.create(dir.path());
        wire_exchange(c);
        wire_connection(c);
        if (monitor) {
            window = std::make_unique<LineMonitorWindow>(c, dialogs);
            window->show();
        }
        c.device_for_item = [](const QString&) { return kDemoPortName; };
        CloseAllTags(f);
        f.BTNOpenCom.set_enabled(true);
        f.CmbNet.add_item("0");
        f.CmbNet.set_list_index(0);
        f.CmbPort.add_item("demo");
        f.CmbPort.set_list_index(0);
        f.BTNOpenCom.click();
        tick(); // identity of the start-up address 0: nobody there
        f.Opros.click();
        for (int i = 0; i < 4; ++i) tick(); // the scan, its answer, identity of sensor 1
    }
    void tick() {
        f.TMRComm.on_timer();
        QDeadlineTimer deadline(2000);
        while (c.exchange.tick_running() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        ASSERT_FALSE(c.exchange.tick_running());
    }
    int rows() const { return window->frame_view()->model()->rowCount(); }
    QString cell(int row, int col) const {
        auto* m = window->frame_view()->model();
        return m->data(m->index(row, col)).toString();
    }
    QString stat(uint8_t address, int col) const {
        QTableWidget* t = window->stats_table();
        for (int r = 0; r < t->rowCount(); ++r)
            if (t->item(r, 0)->text() == QString::number(address)) return t->item(r, col)->text();
        return {};
    }
};

int requests_to(const QList<QByteArray>& written, uint8_t address) {
    int n = 0;
    for (const QByteArray& w : written)
        n += w.size() > 3 && uint8_t(w[0]) == 0x31 && uint8_t(w[1]) == address;
    return n;
}
} // namespace

TEST(LineMonitorWindow, TheCycleSendsTheSameWithTheMonitorOpen) {
    MonitorRig plain(false), watched(true);
    // Long enough for the window's timers to run between the ticks.
    for (int i = 0; i < 6; ++i) {
        plain.tick();
        watched.tick();
        QTest::qWait(250);
    }
    EXPECT_GT(plain.port.written.size(), 8);
    EXPECT_EQ(watched.port.written, plain.port.written);
}

TEST(LineMonitorWindow, CountsHintsListPauseFilterAndListening) {
    MonitorRig r(true);
    r.port.sim.line().inject_fault(1, SimFault::BadCrc, 3);
    for (int i = 0; i < 20; ++i) r.tick();
    r.window->refresh();
    // The request to 1 last written waits for its time: counted sent, not yet judged.
    const int sent = requests_to(r.port.written, 1);
    EXPECT_EQ(r.stat(1, 1), QString::number(sent));
    EXPECT_EQ(r.stat(1, 2), QString::number(sent - 3 - 1));
    EXPECT_EQ(r.stat(1, 4), "3");
    EXPECT_EQ(r.stat(0, 3), QString::number(requests_to(r.port.written, 0)));
    EXPECT_TRUE(r.window->hints_label()->text().contains(QStringLiteral("CRC (3 из")))
        << r.window->hints_label()->text().toStdString();

    // Every write is listed, with the replies between them.
    const int listed = r.rows();
    int out = 0, last_out = -1;
    for (int row = 0; row < listed; ++row)
        if (r.cell(row, 1) == QStringLiteral("передано")) ++out, last_out = row;
    EXPECT_EQ(out, r.port.written.size());
    EXPECT_GE(listed, 2 * out - 4);
    EXPECT_EQ(r.cell(last_out, 4), QString::fromLatin1(r.port.written.last().toHex(' ').toUpper()));

    r.window->set_paused(true);
    r.tick();
    r.window->refresh();
    EXPECT_EQ(r.rows(), listed);
    r.window->set_paused(false);
    EXPECT_GT(r.rows(), listed);

    r.window->set_address_filter(0);
    EXPECT_GT(r.rows(), 0);
    for (int row = 0; row < r.rows(); ++row) EXPECT_EQ(r.cell(row, 2), "0");

    // Saved as shown: a pcap record a frame, or a text line a frame.
    QByteArray frames;
    for (int row = 0; row < r.rows(); ++row)
        frames += QByteArray::fromHex(r.cell(row, 4).toLatin1());
    QString why;
    const QString pcap = r.dir.filePath("line.pcap"), text = r.dir.filePath("line.txt");
    ASSERT_TRUE(r.window->save(pcap, true, &why)) << why.toStdString();
    ASSERT_TRUE(r.window->save(text, false, &why)) << why.toStdString();
    QFile p(pcap), t(text);
    ASSERT_TRUE(p.open(QIODevice::ReadOnly) && t.open(QIODevice::ReadOnly));
    EXPECT_EQ(p.size(), 24 + 16 * r.rows() + frames.size());
    EXPECT_EQ(t.readAll().count("\r\n"), r.rows());
    r.window->set_address_filter(-1);

    // Only the last 10,000 frames stay.
    const QByteArray request = r.port.written.last();
    for (int i = 0; i < LineMonitor::kFrameLimit + 10; ++i) r.window->monitor().wrote(request, 0);
    r.window->refresh();
    EXPECT_EQ(r.rows(), LineMonitor::kFrameLimit);

    // Listening stops the cycle; unchecking it resumes.
    auto* listen = r.window->findChild<QCheckBox*>(QStringLiteral("listen_only"));
    ASSERT_NE(listen, nullptr);
    listen->setChecked(true);
    EXPECT_FALSE(r.f.TMRComm.enabled());
    const auto before = r.port.written.size();
    r.tick();
    r.tick();
    EXPECT_EQ(r.port.written.size(), before);
    listen->setChecked(false);
    EXPECT_TRUE(r.f.TMRComm.enabled());
    r.tick();
    EXPECT_GT(r.port.written.size(), before);
}

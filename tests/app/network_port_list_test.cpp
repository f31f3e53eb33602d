// The window's port list takes typed addresses of serial device servers: a
// well-formed one opens like a device (here zorvik-sim's own gateway), a
// malformed one is refused with a message and opens nothing, and the
// presence scan's refill leaves the typing alone.
#include "app/application.h"
#include "app/startup.h"
#include "app/wiring.h"
#include "link/network_port.h"
#include "ports/routing_serial_port.h"
#include "protocol/cp1251.h"
#include "sim/pty_server.h"
#include "sim/tcp_line_server.h"
#include "ui/port_news.h"

#include "../support/fake_serial_port.h"
#include "../support/fakes.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {
QString log_text(const Configurator& c) {
    QFile file(c.log.path());
    return file.open(QIODevice::ReadOnly) ? from_cp1251(file.readAll()) : QString();
}
} // namespace

TEST(NetworkPortList, TypedAddressesOpenLikeDevicesAndBadOnesAreRefused) {
    PtyServer line(SimLine::demo());
    ASSERT_TRUE(line.start({}));
    TcpLineServer gateway(line.slave_path());
    ASSERT_TRUE(gateway.listen(TcpLineServer::Mode::Raw, 0));
    ASSERT_TRUE(gateway.listen(TcpLineServer::Mode::Rfc2217, 0));
    ASSERT_TRUE(gateway.start());
    const QString raw =
        QStringLiteral("tcp://127.0.0.1:%1").arg(gateway.port(TcpLineServer::Mode::Raw));
    const QString telnet =
        QStringLiteral("rfc2217://127.0.0.1:%1").arg(gateway.port(TcpLineServer::Mode::Rfc2217));

    FakeSerialPort system;
    NetworkPort network(2000);
    RoutingSerialPort port(system, nullptr, {}, &network);
    FakeDialogs dialogs;
    FakeTones tones;
    FakeClock clock;
    CommandLine options;
    options.ports = {raw}; // offered in the list from the start
    Application app(port, dialogs, tones, clock, options);
    QTemporaryDir dir;
    ASSERT_TRUE(app.start(dir.path()));
    MainForm& f = app.cfg().frmSerial;
    f.presence_timer.on_timer();
    app.flush();
    ASSERT_FALSE(f.CmbPort.items().isEmpty());
    EXPECT_EQ(f.CmbPort.items().front(), raw);

    auto* combo = app.main_window().findChild<QComboBox*>(QStringLiteral("CmbPort"));
    ASSERT_NE(combo, nullptr);
    ASSERT_TRUE(combo->isEditable());
    auto type = [&](const QString& text) {
        combo->lineEdit()->clear();
        QTest::keyClicks(combo->lineEdit(), text);
        // The presence scan refills the list meanwhile; the typing stays.
        f.presence_timer.on_timer();
        app.flush();
        EXPECT_EQ(combo->currentText(), text);
        EXPECT_EQ(f.CmbPort.selected_text(), text);
    };
    // An open answers through the event loop.
    const auto settle = [&] {
        QDeadlineTimer deadline(8000);
        while (!f.BTNOpenCom.enabled() && !f.BTNCloseCom.enabled() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        app.flush();
    };
    auto open_button = app.main_window().findChild<QPushButton*>(QStringLiteral("BTNOpenCom"));
    auto close_button = app.main_window().findChild<QPushButton*>(QStringLiteral("BTNCloseCom"));

    // Malformed: a message naming it, the usual warning, nothing opened.
    for (const QString& bad : {QStringLiteral("tcp://127.0.0.1"), QStringLiteral("tcp://h:0"),
                               QStringLiteral("serial://h:1")}) {
        SCOPED_TRACE(bad.toStdString());
        dialogs.shown.clear();
        type(bad);
        open_button->click();
        ASSERT_EQ(dialogs.shown.size(), 2) << dialogs.shown.join(u'\n').toStdString();
        EXPECT_TRUE(
            dialogs.shown[0].startsWith(QStringLiteral("msg: Неверный адрес порта ") + bad));
        EXPECT_EQ(dialogs.shown[1], QStringLiteral("msg: Com Port ") + bad +
                                        QStringLiteral(" недоступен. Установите нужный порт."));
        EXPECT_FALSE(port.IsOpen());
        EXPECT_TRUE(system.opened_device.isEmpty());
    }

    // Well-formed, typed or picked from the list: the window is connected
    // and a search of the line finds the sensors behind the gateway.
    for (const QString& address : {telnet, raw}) {
        SCOPED_TRACE(address.toStdString());
        dialogs.shown.clear();
        if (address == telnet) {
            type(address);
        } else {
            combo->setCurrentIndex(0);
            Q_EMIT combo->activated(0);
            EXPECT_EQ(combo->lineEdit()->cursorPosition(), 0); // its start in view
        }
        open_button->click();
        settle();
        ASSERT_TRUE(network.IsOpen()) << dialogs.shown.join(u'\n').toStdString();
        EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.shown.join(u'\n').toStdString();
        f.Opros.click();
        QDeadlineTimer deadline(8000);
        while (f.CmbNet.list_count() < 3 && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_EQ(f.CmbNet.items(), (QStringList{"1", "5", "12"}));
        close_button->click();
        app.flush();
        EXPECT_FALSE(network.IsOpen());
    }

    // The gateway drops the connection while the cycle runs: the window says
    // the connection is lost, naming the address, not that the sensor went
    // quiet or a write failed.
    for (const QString& address : {telnet, raw}) {
        SCOPED_TRACE(address.toStdString());
        type(address);
        open_button->click();
        settle();
        ASSERT_TRUE(network.IsOpen());
        f.Opros.click();
        QDeadlineTimer found(8000);
        while (f.CmbNet.list_count() < 3 && !found.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        dialogs.shown.clear();
        const qsizetype logged = log_text(app.cfg()).size();
        gateway.drop_client();
        const QString lost =
            QStringLiteral("Адрес ") + address + QStringLiteral(": соединение потеряно.");
        const QString waiting = port_lost_text(address);
        QDeadlineTimer deadline(8000);
        while (f.MsgCom.text() != waiting && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        // No box: the same gateway is waited for.
        EXPECT_EQ(f.MsgCom.text(), waiting);
        EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.shown.join(u'\n').toStdString();
        const QString since = log_text(app.cfg()).mid(logged);
        EXPECT_TRUE(since.contains(lost)) << since.toStdString();
        EXPECT_FALSE(since.contains(QStringLiteral("Нет ответа")));
        close_button->click(); // ends the wait
        app.flush();
    }

    // A server that takes the connection and never confirms the port: the
    // window stays live while it waits, says so, and then says what failed;
    // closing the window meanwhile gives the attempt up without a word.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    const QString mute = QStringLiteral("rfc2217://127.0.0.1:%1").arg(silent.serverPort());
    dialogs.shown.clear();
    type(mute);
    f.MsgCom.set_fore_colour(kDarkGreen); // as the last sensor's "Датчик подключен" left it
    open_button->click();                 // returns at once
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.shown.join(u'\n').toStdString();
    EXPECT_FALSE(f.BTNOpenCom.enabled());
    EXPECT_FALSE(f.BTNCloseCom.enabled());
    EXPECT_FALSE(f.rdf.enabled());
    EXPECT_EQ(f.MsgCom.text(), QStringLiteral("Соединение с ") + mute + QStringLiteral("…"));
    EXPECT_EQ(f.MsgCom.fore_colour(), kButtonText);
    settle();
    ASSERT_EQ(dialogs.shown.size(), 2) << dialogs.shown.join(u'\n').toStdString();
    EXPECT_EQ(dialogs.shown[0], QStringLiteral("msg: Адрес ") + mute +
                                    QStringLiteral(": сервер не подтвердил настройку порта "
                                                   "19200,n,8,1 за 2 с."));
    EXPECT_TRUE(f.BTNOpenCom.enabled());
    EXPECT_TRUE(f.rdf.enabled());
    EXPECT_FALSE(network.IsOpen());

    dialogs.shown.clear();
    open_button->click();
    Form_Unload(app.cfg());
    QTest::qWait(2500); // past the server's time
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.shown.join(u'\n').toStdString();
    EXPECT_FALSE(network.IsOpen());
}

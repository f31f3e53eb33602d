// The configuration buttons of the real windows reach their operations: the
// shift window opens from the main window and hides from its own buttons, and
// a confirmed horizon leaves its request pending.
#include "app/application.h"
#include "protocol/requests.h"

#include "../support/fake_serial_port.h"
#include "../support/fakes.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

TEST(CommandButtons, ShiftWindowAndHorizonFromTheWidgets) {
    FakeSerialPort port;
    FakeDialogs dialogs;
    FakeTones tones;
    FakeClock clock;
    Application app(port, dialogs, tones, clock, CommandLine{});
    QTemporaryDir dir;
    ASSERT_TRUE(app.start(dir.path()));
    MainForm& f = app.cfg().frmSerial;
    f.CmbPort.add_item(QStringLiteral("COM3"));
    f.CmbPort.set_list_index(f.CmbPort.list_count() - 1);
    f.BTNOpenCom.click();
    ASSERT_TRUE(port.is_open());
    app.flush();
    auto button = [](QWidget& window, const char* name) {
        auto* b = window.findChild<QPushButton*>(QString::fromLatin1(name));
        EXPECT_NE(b, nullptr) << name;
        return b;
    };

    for (const char* close : {"Command2", "Command1", "Command3"}) {
        button(app.main_window(), "shift")->click();
        app.flush();
        EXPECT_TRUE(app.shift_window().isVisible()) << close;
        button(app.shift_window(), close)->click();
        app.flush();
        EXPECT_FALSE(app.shift_window().isVisible()) << close;
    }
    EXPECT_EQ(dialogs.questions.size(), 2); // the two shifts asked, answered No

    dialogs.answers = {true};
    f.wrs.clear();
    button(app.main_window(), "horizont")->click();
    EXPECT_EQ(f.wrs, request::set_horizon(0, 0));
}

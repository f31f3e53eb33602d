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
    ASSERT_TRUE(port.IsOpen());
    app.flush();
    auto button = [](QWidget& window, const char* name) {
        auto* b = window.findChild<QPushButton*>(QString::fromLatin1(name));
        EXPECT_NE(b, nullptr) << name;
        return b;
    };

    // Either shift hides the window whatever came of it: refused, No, Yes.
    struct Use {
        const char* button;
        const char* shift;
    };
    dialogs.answers = {false, true};
    app.cfg().exchange.drop_pending();
    for (const Use& u : {Use{"Command2", "5"}, Use{"Command1", "1001"}, Use{"Command3", "5"},
                         Use{"Command1", "-7"}}) {
        button(app.main_window(), "shift")->click();
        app.flush();
        EXPECT_TRUE(app.shift_window().isVisible()) << u.button;
        app.cfg().shift_window.data.set_text(QString::fromLatin1(u.shift));
        button(app.shift_window(), u.button)->click();
        app.flush();
        EXPECT_FALSE(app.shift_window().isVisible()) << u.button;
    }
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("Значения могут быть от -1000 до 1000")});
    EXPECT_EQ(dialogs.questions.size(), 2);
    EXPECT_EQ(app.cfg().exchange.pending(), request::shift_full(0, 0, -7).value());

    dialogs.answers = {true};
    app.cfg().exchange.drop_pending();
    button(app.main_window(), "horizont")->click();
    EXPECT_EQ(app.cfg().exchange.pending(), request::set_horizon(0, 0));
}

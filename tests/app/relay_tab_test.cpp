// The generator tab in the window: the first entry's prompt at start-up, a
// click through to the string and the copy button through to the clipboard.
#include "app/binder.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "app/wiring.h"
#include "exchange/configurator.h"
#include "exchange/port_scan.h"

#include "../support/fake_serial_port.h"
#include "../support/fakes.h"
#include "../support/qt_printers.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
class NoPorts final : public PortLister {
public:
    QStringList present_ports() override { return {}; }
};
} // namespace

TEST(RelayTab, GenerateAndCopyThroughTheWidgets) {
    FakeSerialPort port;
    FakeDialogs dialogs;
    FakeTones tones;
    FakeClock clock;
    Configurator cfg{port, dialogs, tones, clock};
    NoPorts lister;
    QTemporaryDir dir;
    MainWindow window(cfg.frmSerial);
    Binder binder(cfg.frmSerial, window);
    wire_shell(cfg, lister, ShellOptions{});
    ASSERT_TRUE(Form_Load(cfg, dir.path()));
    MainForm& f = cfg.frmSerial;
    EXPECT_EQ(f.lchislo.text(), QStringLiteral("Введите числовой пароль:"));
    EXPECT_FALSE(f.relay_modes_frame.visible());

    binder.flush();
    auto* entries = qobject_cast<QComboBox*>(binder.widget("VibGenCmd"));
    entries->setCurrentIndex(2);
    Q_EMIT entries->activated(2); // as a choice by the user
    EXPECT_FALSE(f.chislo_sdv.visible());
    qobject_cast<QAbstractButton*>(binder.widget("gen_zapr"))->click();
    binder.flush();
    EXPECT_EQ(qobject_cast<QLineEdit*>(binder.widget("gen_txt"))->text(),
              "S485=4:10:1500:19200:3101FC66");
    QGuiApplication::clipboard()->setText("old");
    qobject_cast<QAbstractButton*>(binder.widget("gen_copy"))->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "S485=4:10:1500:19200:3101FC66");
}

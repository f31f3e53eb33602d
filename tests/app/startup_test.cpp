#include "app/startup.h"
#include "exchange/configurator.h"
#include "exchange/connection.h"
#include "link/text_files.h"
#include "protocol/cp1251.h"
#include "protocol/serial_port.h"

#include "../support/configurator_rig.h"
#include "../support/fake_serial_port.h"
#include "../support/qt_printers.h"
#include "../support/snapshot.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A line that never opens: these tests are about the shell, not the port.
struct ClosedPort : FakeSerialPort {
    ClosedPort() { open_succeeds = false; }
};

struct StartupRig : Rig<ClosedPort> {};

QByteArray read_all(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

} // namespace

TEST(Startup, WindowIsReadyForTheUserAfterLoad) {
    StartupRig r;
    QStringList clicks; // selections run the controls' click procedures, in order
    r.f.CmbNet.on_click = [&] { clicks << "CmbNet"; };
    r.f.VibGenCmd.on_click = [&] { clicks << "VibGenCmd"; };
    r.f.tabs.on_click = [&] { clicks << "SSTab1"; };
    r.f.tabs.set_current(2);
    clicks.clear();

    ASSERT_TRUE(Form_Load(r.c, r.dir.filePath("log")));
    EXPECT_TRUE(r.dialogs.messages.empty());
    EXPECT_EQ(clicks, (QStringList{"CmbNet", "VibGenCmd", "SSTab1"}));

    // Lists, selections, captions, tags and visibility: tests/app/golden/startup.txt.
    EXPECT_TRUE(matches_golden(form_snapshot(r.f), golden_path(__FILE__, "startup.txt")));
    EXPECT_EQ(r.f.VibGenCmd.items().size(), 9);

    // Splash first; the presence scan runs, the exchange does not.
    EXPECT_TRUE(r.c.splash.visible());
    EXPECT_FALSE(r.f.visible());
    EXPECT_TRUE(r.f.presence_timer.enabled());
    EXPECT_FALSE(r.f.TMRComm.enabled());
    EXPECT_TRUE(r.f.BTNOpenCom.enabled());
    EXPECT_FALSE(r.f.BTNCloseCom.enabled());
    EXPECT_TRUE(r.c.exchange.settings_refresh_due());
    EXPECT_EQ(r.f.Ur_progressBar, 1024);
    EXPECT_EQ(r.f.autocal_row, 1);
    EXPECT_EQ(r.f.autocal_litres, 0);
}

TEST(Startup, CreatesTheLogFolderWithTheStartRecord) {
    StartupRig r;
    const QString folder = r.dir.filePath("log");
    ASSERT_FALSE(QDir(folder).exists());
    ASSERT_TRUE(Form_Load(r.c, folder));
    EXPECT_EQ(r.c.log.path(), QDir(folder).filePath("06122026_180216.log"));
    EXPECT_EQ(read_all(r.c.log.path()), QByteArray("\"Start: 06.12.2026 18:02:16\r\n\"\r\n"));
}

TEST(Startup, LogFailureShowsErrorAndSkipsTheRest) {
    StartupRig r;
    // A folder below a plain file can be created by no one.
    const QString blocker = r.dir.filePath("blocker");
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    r.f.tabs.set_current(1);
    EXPECT_FALSE(Form_Load(r.c, blocker + "/log"));
    ASSERT_EQ(r.dialogs.messages.size(), 1u);
    EXPECT_EQ(r.dialogs.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(r.dialogs.messages[0].title, "Error#76");
    // The box names the folder it could not use.
    EXPECT_TRUE(r.dialogs.messages[0].text.contains(blocker + "/log"))
        << r.dialogs.messages[0].text.toStdString();

    EXPECT_TRUE(r.f.VibGenCmd.items().isEmpty());
    EXPECT_TRUE(r.f.CmbPort.items().isEmpty());
    EXPECT_EQ(r.f.level_bar.value(), 0);
    EXPECT_EQ(r.f.autocal_grid.cell(0, 0), "");
    EXPECT_EQ(r.f.tabs.current(), 1);
    EXPECT_EQ(r.f.BTNCloseCom.tag(), 0);
    // Steps before the log did run; the scan and the open button stay usable.
    EXPECT_EQ(r.f.CmbNet.items(), QStringList{"0"});
    EXPECT_FALSE(r.f.Opros.enabled());
    EXPECT_TRUE(r.f.presence_timer.enabled());
    EXPECT_TRUE(r.f.BTNOpenCom.enabled());
    EXPECT_TRUE(r.c.splash.visible());

    // The log folder exists but no file can be made there, not even by root.
    const QString folder = QStringLiteral("/proc/self/fdinfo");
    if (!QDir(folder).exists()) return;
    StartupRig again;
    EXPECT_FALSE(Form_Load(again.c, folder));
    ASSERT_EQ(again.dialogs.messages.size(), 1u);
    EXPECT_EQ(again.dialogs.messages[0].title, "Error#75");
    EXPECT_TRUE(again.dialogs.messages[0].text.contains(folder))
        << again.dialogs.messages[0].text.toStdString();
}

TEST(Startup, TwoWindowsStartedInOneSecondKeepTheirOwnLogs) {
    StartupRig first, second;
    const QString folder = first.dir.filePath("log");
    ASSERT_TRUE(Form_Load(first.c, folder));
    ASSERT_TRUE(first.c.log.str_to_log("first"));
    ASSERT_TRUE(Form_Load(second.c, folder)); // the same clock: the same second
    ASSERT_TRUE(second.c.log.str_to_log("second"));
    EXPECT_EQ(first.c.log.path(), QDir(folder).filePath("06122026_180216.log"));
    EXPECT_EQ(second.c.log.path(), QDir(folder).filePath("06122026_180216_2.log"));
    const QByteArray start("\"Start: 06.12.2026 18:02:16\r\n\"\r\n");
    EXPECT_EQ(read_all(first.c.log.path()), start + "\"18:02:16 : first\"\r\n");
    EXPECT_EQ(read_all(second.c.log.path()), start + "\"18:02:16 : second\"\r\n");
}

TEST(Startup, TerminateStopsTheExchangeAndUnloadClosesEveryWindow) {
    StartupRig r;
    ASSERT_TRUE(Form_Load(r.c, r.dir.filePath("log")));
    r.f.TMRComm.set_enabled(true);
    Form_Terminate(r.c);
    EXPECT_FALSE(r.f.TMRComm.enabled());

    r.c.table_window.set_visible(true);
    r.c.shift_window.set_visible(true);
    r.f.set_visible(true);
    Form_Unload(r.c);
    EXPECT_FALSE(r.f.visible());
    EXPECT_FALSE(r.c.splash.visible());
    EXPECT_FALSE(r.c.table_window.visible());
    EXPECT_FALSE(r.c.shift_window.visible());
}

TEST(Manifest, WrittenOnceWithNineCrLfLines) {
    QTemporaryDir dir;
    const QString path = styles_manifest_path(dir.path(), "zorvik.exe");
    EXPECT_EQ(path, QDir(dir.path()).filePath("zorvik.exe.MANIFEST"));
    EXPECT_EQ(styles_manifest_path(dir.path(), "zorvik"), path);

    ASSERT_EQ(write_styles_manifest(dir.path(), "zorvik.exe"), ManifestResult::Written);
    const QByteArray text = read_all(path);
    EXPECT_EQ(text.count("\r\n"), 9);
    EXPECT_TRUE(text.endsWith("</assembly>\r\n"));
    EXPECT_TRUE(text.startsWith(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
        "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\r\n"
        "<assemblyIdentity version=\"1.0.0.0\" processorArchitecture=\"x86\" name=\"prjThemed\" "
        "type=\"win32\" />\r\n<dependency>\r\n<dependentAssembly>\r\n"
        "<assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" "
        "version=\"6.0.0.0\" processorArchitecture=\"x86\" publicKeyToken=\"6595b64144ccf1df\" "
        "language=\"*\" />\r\n</dependentAssembly>\r\n</dependency>\r\n"));

    // A second run leaves whatever is there alone.
    QFile edited(path);
    ASSERT_TRUE(edited.open(QIODevice::WriteOnly | QIODevice::Truncate));
    edited.write("mine");
    edited.close();
    EXPECT_EQ(write_styles_manifest(dir.path(), "zorvik.exe"), ManifestResult::AlreadyThere);
    EXPECT_EQ(read_all(path), QByteArray("mine"));
}

TEST(Manifest, UnwritableFolderFailsQuietly) {
    QTemporaryDir dir;
    const QString blocker = dir.filePath("blocker");
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(write_styles_manifest(blocker, "zorvik.exe"), ManifestResult::Failed);
    EXPECT_FALSE(QFile::exists(styles_manifest_path(blocker, "zorvik.exe")));
}

TEST(Startup, ClosingTheMainWindowWithAnOpenPortClosesItAndLogs) {
    FakeSerialPort port;
    FakeDialogs dialogs;
    FakeTones tones;
    FakeClock clock;
    Configurator cfg{port, dialogs, tones, clock};
    QTemporaryDir dir;
    ASSERT_TRUE(Form_Load(cfg, dir.path()));
    MainForm& f = cfg.frmSerial;
    f.CmbPort.clear();
    f.CmbPort.add_item("COM3");
    f.CmbPort.set_list_index(0);
    BTNOpenCom_Click(cfg);
    ASSERT_TRUE(port.IsOpen());
    ASSERT_TRUE(f.TMRComm.enabled());
    f.set_visible(true);

    Form_Unload(cfg);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(f.TMRComm.enabled());
    EXPECT_FALSE(f.visible());
    const QString log = from_cp1251(read_all(cfg.log.path()));
    EXPECT_TRUE(log.contains("Com Port \\\\.\\COM3 Open")) << log.toStdString();
    EXPECT_TRUE(log.endsWith(" : Com Port COM3 Closed\"\r\n")) << log.toStdString();
}

TEST(Startup, TerminationStopsTheExchangeAndClosesThePort) {
    FakeSerialPort port;
    FakeDialogs dialogs;
    FakeTones tones;
    FakeClock clock;
    Configurator cfg{port, dialogs, tones, clock};
    QTemporaryDir dir;
    ASSERT_TRUE(Form_Load(cfg, dir.path()));
    cfg.frmSerial.CmbPort.clear();
    cfg.frmSerial.CmbPort.add_item("COM4");
    cfg.frmSerial.CmbPort.set_list_index(0);
    BTNOpenCom_Click(cfg);
    ASSERT_TRUE(port.IsOpen());
    Form_Terminate(cfg);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(cfg.frmSerial.TMRComm.enabled());
    EXPECT_TRUE(from_cp1251(read_all(cfg.log.path())).contains("Com Port COM4 Closed"));
}

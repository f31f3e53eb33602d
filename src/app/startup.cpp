#include "app/startup.h"

#include "exchange/configurator.h"
#include "exchange/connection.h"
#include "link/text_files.h"
#include "ui/dialogs.h"
#include "ui/gating.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QStringList styles_manifest_lines() {
    return {
        QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"),
        QStringLiteral(
            R"(<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">)"),
        QStringLiteral(R"(<assemblyIdentity version="1.0.0.0" processorArchitecture="x86" )"
                       R"(name="prjThemed" type="win32" />)"),
        QStringLiteral("<dependency>"),
        QStringLiteral("<dependentAssembly>"),
        QStringLiteral(R"(<assemblyIdentity type="win32" name="Microsoft.Windows.Common-Controls" )"
                       R"(version="6.0.0.0" processorArchitecture="x86" )"
                       R"(publicKeyToken="6595b64144ccf1df" language="*" />)"),
        QStringLiteral("</dependentAssembly>"),
        QStringLiteral("</dependency>"),
        QStringLiteral("</assembly>"),
    };
}

QString styles_manifest_path(const QString& program_dir, const QString& executable_name) {
    const QString base = QFileInfo(executable_name).completeBaseName();
    return QDir(program_dir).filePath(base + QStringLiteral(".exe.MANIFEST"));
}

ManifestResult write_styles_manifest(const QString& program_dir, const QString& executable_name) {
    const QString path = styles_manifest_path(program_dir, executable_name);
    if (QFileInfo::exists(path)) return ManifestResult::AlreadyThere;
    return write_cp1251_lines(path, styles_manifest_lines()) ? ManifestResult::Written
                                                             : ManifestResult::Failed;
}

namespace {

void show_error(Configurator& cfg, int number, const QString& description) {
    cfg.dialogs.message(description, MsgIcon::Critical,
                        QStringLiteral("Error#") + QString::number(number));
}

} // namespace

bool Form_Load(Configurator& cfg, const QString& log_folder) {
    MainForm& f = cfg.frmSerial;
    cfg.exchange.cancel_deferred();

    // The presence scan swaps these on its second tick.
    f.set_visible(false);
    cfg.splash.set_visible(true);

    f.freq_mode = false;
    cfg.exchange.refresh_settings_next();
    cfg.exchange.end_scan();
    f.Ur_progressBar = 1024;
    f.avg_reading = 0;
    f.stab_score = 0;
    f.range256 = 0;
    f.err_shown = false;

    f.CmbNet.add_item(QStringLiteral("0"));
    f.CmbNet.set_list_index(0);

    f.sdv_hi.set_visible(false);
    f.sdv_low.set_visible(false);
    f.gen_up.set_visible(true);
    f.gen_down.set_visible(true);
    f.naklon.set_visible(false);
    f.dr_quality.set_visible(false);

    CloseAllTags(f);

    QString why;
    if (!cfg.log.create(log_folder, &why)) {
        const bool no_folder = log_folder.isEmpty() || !QDir(log_folder).exists();
        // Say where the log was to go, so the user can mend it.
        show_error(cfg, no_folder ? kErrPathNotFound : kErrFileAccess,
                   why.isEmpty() ? QStringLiteral("Path/File access error: ") + log_folder : why);
        // The rest is skipped; the scan keeps running and a port can still
        // be opened, only without a run log.
        f.presence_timer.set_enabled(true);
        f.BTNOpenCom.set_enabled(true);
        return false;
    }

    f.CmbPort.add_item(QStringLiteral("----"));
    f.CmbPort.set_list_index(0);

    for (const QString& op : kGeneratorOperations) f.VibGenCmd.add_item(op);
    f.VibGenCmd.set_list_index(0);

    f.presence_timer.set_enabled(true);
    f.BTNOpenCom.set_enabled(true);

    f.level_bar.set_value(621);

    f.autocal_row = 1;
    f.autocal_litres = 0;

    f.autocal_grid.set_cell(0, 0, QT_TRANSLATE_NOOP("MainForm", "№ проции"));
    f.autocal_grid.set_cell(0, 1, QT_TRANSLATE_NOOP("MainForm", "Литры"));
    f.autocal_grid.set_cell(0, 2, QT_TRANSLATE_NOOP("MainForm", "Уровень"));

    // The tag switching reads tags; an empty one becomes "2" (never gated).
    for (Control* c : f.controls())
        if (c->tag() == 0) c->set_tag(2);

    f.tabs.set_current(0);
    return true;
}

void Form_Unload(Configurator& cfg) {
    close_routine(cfg);
    cfg.splash.set_visible(false);
    cfg.table_window.set_visible(false);
    cfg.shift_window.set_visible(false);
    cfg.frmSerial.set_visible(false);
}

void Form_Terminate(Configurator& cfg) {
    cfg.frmSerial.TMRComm.set_enabled(false);
    close_routine(cfg);
}

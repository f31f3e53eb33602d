#include "exchange/connection.h"

#include "exchange/configurator.h"
#include "exchange/exchange_cycle.h"
#include "i18n/language.h"
#include "protocol/line_settings.h"
#include "protocol/serial_port.h"
#include "ui/dialogs.h"
#include "ui/gating.h"
#include "ui/tones.h"

#include <memory>
#include <utility>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Controls offered only while no port is open (the relay generator, the
// server log reader, the calibration balance).
void show_offline_controls(MainForm& f, bool show) {
    for (Control* ctl :
         std::initializer_list<Control*>{&f.gen_zapr, &f.balance_caption, &f.rdf, &f.kko})
        ctl->set_visible(show);
}

#ifdef Q_OS_UNIX
// The group that owns the device node, which is the one that grants access.
QString device_group(const QString& device) {
    QString path = device;
    if (path.startsWith(QStringLiteral("\\\\.\\"))) path = path.mid(4);
    if (!path.startsWith(u'/')) path = QStringLiteral("/dev/") + path;
    struct stat st {};
    if (::stat(path.toLocal8Bit().constData(), &st) != 0) return {};
    const struct group* g = ::getgrgid(st.st_gid);
    return g ? QString::fromLocal8Bit(g->gr_name) : QString();
}

// The name for the usermod command the hint gives.
QString user_name() {
    const struct passwd* p = ::getpwuid(::geteuid());
    if (p && p->pw_name && *p->pw_name) return QString::fromLocal8Bit(p->pw_name);
    const QString from_environment = qEnvironmentVariable("USER");
    return from_environment.isEmpty() ? QStringLiteral("USER") : from_environment;
}
#endif
} // namespace

QString open_failure_hint(OpenFailure why, const QString& device) {
    switch (why) {
    case OpenFailure::Busy:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Порт занят другой программой."));
    case OpenFailure::NoPermission: {
        QString hint =
            QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Нет прав доступа к порту."));
#ifdef Q_OS_UNIX
        QString group = device_group(device);
        if (group.isEmpty() || group == QStringLiteral("root")) group = QStringLiteral("dialout");
        hint += fill_text(QT_TRANSLATE_NOOP("Messages", " Добавьте пользователя в группу %1 (sudo "
                                                        "usermod -aG %1 %2) и войдите в систему "
                                                        "заново."),
                          {group, user_name()});
#else
        Q_UNUSED(device);
#endif
        return hint;
    }
    default:
        return {};
    }
}

namespace {
QString connecting_text(const QString& item) {
    return fill_text(QT_TRANSLATE_NOOP("Messages", "Соединение с %1…"), {item});
}

void port_opened(Configurator& c, const QString& item, const QString& device, bool ok) {
    MainForm& f = c.frmSerial;
    if (f.MsgCom.text() == connecting_text(item)) f.MsgCom.set_text(QString());
    if (!ok) {
        const QString setup = c.port.LastOpenMessage();
        if (!setup.isEmpty()) c.dialogs.message(setup);
        const QString text = fill_text(
            QT_TRANSLATE_NOOP("Messages", "Com Port %1 недоступен. Установите нужный порт."),
            {item});
        const QString hint = open_failure_hint(c.port.LastOpenFailure(), device);
        c.dialogs.message(hint.isEmpty() ? text : QString(text + u'\n' + hint),
                          MsgIcon::Exclamation);
        c.str_to_log(text);
        close_routine(c);
        return;
    }
    // Hidden from now on, but as enabled as they were.
    for (Control* ctl :
         std::initializer_list<Control*>{&f.gen_zapr, &f.balance_caption, &f.rdf, &f.kko})
        ctl->set_enabled(true);
    SwitchTags(f);
    f.TMRComm.set_enabled(true);
    f.BTNOpenCom.set_enabled(false);
    f.BTNCloseCom.set_enabled(true);
    c.exchange.write_succeeded();
    // A lost adapter is waited for by what it is, not by the ttyUSBn it had.
    c.open_device = stable_device_name(device, c.by_id_dir);
    c.str_to_log(QStringLiteral("Com Port ") + device + QStringLiteral(" Open"));
    show_offline_controls(f, false);
    c.tones.tone(kConfirmHz, kConfirmMs);
    if (auto then = std::exchange(c.once_opened, nullptr)) then();
    // The first request goes out now rather than a second later.
    f.TMRComm.fire_soon();
}
} // namespace

void BTNOpenCom_Click(Configurator& c) {
    MainForm& f = c.frmSerial;
    f.presence_timer.set_enabled(false);
    const QString item = f.CmbPort.selected_text();
    const QString device = c.device_for_item(item);
    // A server far away may take seconds to answer; the window stays live
    // meanwhile, with nothing offered that an open would cut short.  Closing
    // the window gives the attempt up.
    for (Control* ctl : std::initializer_list<Control*>{&f.gen_zapr, &f.balance_caption, &f.rdf,
                                                        &f.kko, &f.BTNOpenCom})
        ctl->set_enabled(false);
    auto answered = std::make_shared<bool>(false);
    c.port.OpenPortAsync(device, kSensorLineSettings, [&c, item, device, answered](bool ok) {
        *answered = true;
        port_opened(c, item, device, ok);
    });
    if (!*answered) {
        f.MsgCom.set_fore_colour(kButtonText); // not the last sensor's green or red
        f.MsgCom.set_text(connecting_text(item));
    }
}

void close_routine(Configurator& c) {
    MainForm& f = c.frmSerial;
    c.once_opened = nullptr;
    c.lost_port.reset();                  // "Закрыть" ends a wait for a lost port too
    if (c.release_port) c.release_port(); // an upload lets go of the port first
    f.TMRComm.set_enabled(false);
    abandon_tick(c); // a tick waiting for its reply must not write afterwards
    // A request left pending must not reach whatever sensor the next open
    // finds at that address.
    c.exchange.drop_pending();
    c.exchange.cancel_deferred();
    show_offline_controls(f, true);
    f.lamp_level_caption.set_visible(false);
    f.lamp_level.set_visible(false);
    f.set_alarm.set_visible(false);
    c.port.ClosePort();
    CloseAllTags(f);
    restore_gated_visibility(f);
    for (Control* ctl : std::initializer_list<Control*>{&f.gen_zapr, &f.balance_caption, &f.rdf,
                                                        &f.kko, &f.BTNOpenCom})
        ctl->set_enabled(true);
    f.BTNCloseCom.set_enabled(false);
    f.naklon.set_visible(false);
    f.dr_quality.set_visible(false);
    c.str_to_log(QStringLiteral("Com Port ") + f.CmbPort.selected_text() +
                 QStringLiteral(" Closed"));

    // Whatever answers after the next open is asked afresh.
    f.freq_mode = false;
    f.CmbNet.clear();
    f.CmbNet.add_item(QStringLiteral("0"));
    f.CmbNet.set_list_index(0);

    f.sn.set_text(QStringLiteral("0"));
    f.vv.set_text(QStringLiteral("--------"));
    for (Label* l : {&f.tek, &f.temp, &f.Uroven, &f.lo, &f.hi, &f.ne}) l->set_text(kNoData);
    f.level_bar.set_value(0);
    f.MsgCom.set_text(QString());
    f.Kalibr_warning.set_text(QString());
    f.netdev.set_text(QStringLiteral("---------"));
    // Nothing the sensor reported outlives the link: the frequency, voltage and
    // coefficient go back to blank as well.
    for (Label* l : {&f.freq, &f.anal, &f.ko}) l->set_text(QString());

    f.Pic.set_fill_colour(rgb(255, 255, 16));
    for (Control* ctl : std::initializer_list<Control*>{&f.hi, &f.h, &f.full_empty_caption})
        ctl->set_back_colour(kButtonFace);
    f.ind_stab.set_fill_colour(rgb(192, 192, 192));
    f.presence_timer.set_enabled(true);
}

void BTNCloseCom_Click(Configurator& c) {
    close_routine(c);
}

void wire_connection(Configurator& c) {
    c.frmSerial.BTNOpenCom.on_click = [&c] { BTNOpenCom_Click(c); };
    c.frmSerial.BTNCloseCom.on_click = [&c] { BTNCloseCom_Click(c); };
}

#pragma once
// Everything the program's procedures work on: the windows' view models and
// the narrow interfaces to the world.  One instance lives for the whole run;
// tests build one with fakes.
#include "exchange/data_age.h"
#include "exchange/exchange.h"
#include "exchange/port_return.h"
#include "link/clock.h"
#include "link/port_identity.h"
#include "link/run_log.h"
#include "ui/main_form.h"
#include "ui/message_history.h"

#include <functional>
#include <optional>

class SerialPort;
class Dialogs;
class Tones;
class Clock;

// Shown once in the status line when records start to be held in memory.
inline const QString kRunLogUnwritable = QString::fromUtf8(
    QT_TRANSLATE_NOOP("Messages", "Журнал не записывается на диск, записи хранятся в памяти."));

struct Configurator {
    Configurator(SerialPort& port_, Dialogs& dialogs_, Tones& tones_, const Clock& clock_)
        : port(port_), dialogs(dialogs_), tones(tones_), clock(clock_), log(clock_) {
        log.on_unwritable = [this](const QString&) {
            frmSerial.MsgCom.set_fore_colour(kRed);
            frmSerial.MsgCom.set_text(kRunLogUnwritable);
        };
        frmSerial.MsgCom.on_text_changed = [this] {
            messages.add(clock.now(), frmSerial.MsgCom.fore_colour(), frmSerial.MsgCom.text());
        };
    }
    Configurator(const Configurator&) = delete;
    Configurator& operator=(const Configurator&) = delete;

    MainForm frmSerial;
    TableForm table_window;
    ShiftForm shift_window;
    SplashForm splash;

    // What goes on the line next, and who hears the replies.
    Exchange exchange;
    // How old the live values are.
    DataAge data_age;
    // What the status line has said.
    MessageHistory messages;

    SerialPort& port;
    Dialogs& dialogs;
    Tones& tones;
    const Clock& clock;
    RunLog log;

    // The device opened for an item of the port list.  By default the item
    // behind the "\\.\" prefix; the program may map items of its own (the
    // demo line, a port given on the command line).
    std::function<QString(const QString& item)> device_for_item =
        [](const QString& item) -> QString { return QStringLiteral("\\\\.\\") + item; };

    // Work that drives the port apart from the exchange cycle (the firmware
    // upload) stops through this and returns once it has let go of the port.
    // The close routine runs it before it closes the port.
    std::function<void()> release_port;

    // Runs once when the port now being opened has opened; dropped when the
    // open fails or the port is closed first.
    std::function<void()> once_opened;

    // The device the open port was opened by; the port waited for while it
    // is gone (empty otherwise).
    QString open_device;
    // Where the system's stable adapter names are (a folder of links).
    QString by_id_dir = kSerialByIdDir;
    std::optional<LostPort> lost_port;
    // Hears the loss and the return of the port (an unattended run says
    // them on stderr).
    std::function<void(const QString& text)> on_port_news;

    // Appends a record to the run log; silent while a reply is replayed.
    void str_to_log(const QString& message) {
        if (!frmSerial.replay_mode) log.str_to_log(message);
    }
};

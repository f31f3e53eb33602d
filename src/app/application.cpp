#include "app/application.h"

#include "app/message_list.h"
#include "app/startup.h"
#include "app/status_line.h"
#include "app/wiring.h"
#include "i18n/language.h"
#include "link/clock.h"
#include "link/network_address.h"
#include "ports/line_ports.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

namespace {
QStringList addresses_in(const QStringList& names, bool wanted) {
    QStringList out;
    for (const QString& n : names)
        if (is_network_address(n) == wanted) out.append(n);
    return out;
}
} // namespace

AddressedPortLister::AddressedPortLister(SerialPort& port, const QStringList& named_ports,
                                         QString demo_name)
    : addresses_(addresses_in(named_ports, true)),
      system_(port, addresses_in(named_ports, false), std::move(demo_name)) {}

Application::Application(SerialPort& port, Dialogs& dialogs, Tones& tones, const Clock& clock,
                         const CommandLine& options, QSettings* settings)
    : cfg_(port, dialogs, tones, clock), trends_(cfg_),
      lister_(port, options.ports, options.demo ? kDemoLineEntry : QString()),
      main_(cfg_.frmSerial), table_(cfg_.table_window), shift_(cfg_.shift_window),
      splash_(cfg_.splash), trend_window_(trends_, clock, dialogs),
      main_binder_(cfg_.frmSerial, main_), table_binder_(cfg_.table_window, table_),
      shift_binder_(cfg_.shift_window, shift_), splash_binder_(cfg_.splash, splash_),
      certificate_(cfg_, main_, settings) {
    // An address opens as it is written; the log shows it so.
    cfg_.device_for_item = [](const QString& item) { return device_for_name(item); };
    wire_shell(cfg_, lister_, ShellOptions{options.connect, true, options.ports.value(0)});
    wire_trends();
    line_monitor_ = std::make_unique<LineMonitorWindow>(cfg_, dialogs);
    if (auto* open = main_.findChild<QPushButton*>(QStringLiteral("line_monitor_open")))
        QObject::connect(open, &QPushButton::clicked, line_monitor_.get(), [this] {
            line_monitor_->show();
            line_monitor_->raise();
            line_monitor_->activateWindow();
        });
    if (settings) {
        memory_.emplace(*settings);
        memory_->watch(cfg_);
        restore_line_ = !options.demo && options.ports.isEmpty();
        main_.set_saved_geometry(memory_->window_geometry());
    }

    // Stale values fade and say their age, counted on every second.
    auto* age_timer = new QTimer(&main_);
    age_timer->setInterval(1000);
    const auto show_age = [this] {
        main_.show_data_age(cfg_.data_age.stale(), cfg_.data_age.note(cfg_.clock.now()));
    };
    QObject::connect(age_timer, &QTimer::timeout, &main_, show_age);
    age_timer->start();
    cfg_.data_age.on_change = show_age;
    show_age();

    // The status line holds refusals; its history keeps every text.
    Label& line = cfg_.frmSerial.MsgCom;
    line.on_text_changed = [this, &line, history = line.on_text_changed] {
        if (history) history();
        main_.status_line()->said(line.text(), line.fore_colour());
    };
    main_.status_line()->said(line.text(), line.fore_colour());

    // The status line's history, and the table window's errors in that window.
    const auto& earlier = cfg_.messages.entries();
    for (auto e = earlier.rbegin(); e != earlier.rend(); ++e) main_.messages()->add(*e);
    cfg_.messages.on_added = [this](const MessageHistory::Entry& e) {
        main_.messages()->add(e);
        if (e.kind == MessageHistory::Kind::Error && table_.isVisible())
            table_.show_error(shown_text(e.text));
    };

    table_.set_anchor(&main_);
    shift_.set_anchor(&main_);
    cfg_.table_window.on_source_changed = [this] {
        const TableForm& t = cfg_.table_window;
        table_.show_source(shown_text(t.caption()), shown_text(t.source), t.reading);
    };

    // Closing the main window ends the program through the close routine.
    main_binder_.on_close_request = [this] { end(); };
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &main_, [this] {
        remember_window();
        if (!unloaded_) Form_Terminate(cfg_);
        unloaded_ = true;
    });
}

Application::~Application() {
    if (!unloaded_) Form_Terminate(cfg_);
}

bool Application::start(const QString& log_folder) {
    const bool ok = Form_Load(cfg_, log_folder);
    if (memory_ && restore_line_) memory_->restore_line(cfg_);
    // The port list, and the open --connect asks for, as soon as the window shows.
    cfg_.frmSerial.presence_timer.fire_soon();
    flush();
    return ok;
}

void Application::remember_window() {
    if (memory_ && main_.isVisible()) memory_->save_window_geometry(main_);
}

void Application::end() {
    remember_window();
    if (!unloaded_) {
        trends_.stop_recording();
        Form_Unload(cfg_);
    }
    unloaded_ = true;
    // A message box open before the main loop began (the start-up failure)
    // runs a loop of its own that quit() does not reach.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isModal() && w->isVisible()) w->close();
    QApplication::quit();
}

void Application::wire_trends() {
    if (auto* open = main_.findChild<QPushButton*>(QStringLiteral("trend_open")))
        QObject::connect(open, &QPushButton::clicked, &trend_window_, [this] {
            trend_window_.show();
            trend_window_.raise();
            trend_window_.activateWindow();
        });
    // The hint beside the record button: informs only, greys nothing.
    auto* hint = main_.findChild<QLabel*>(QStringLiteral("record_stability_hint"));
    if (!hint) return;
    trends_.on_change([this, hint] {
        const Stability& s = trends_.stability();
        hint->setText(shown_text(s.hint()));
        QPalette p = hint->palette();
        p.setColor(QPalette::WindowText,
                   s.steady() ? QColor(0x00, 0x80, 0x00) : QColor(0xb0, 0x50, 0x00));
        hint->setPalette(p);
    });
}

void Application::flush() {
    main_binder_.flush();
    table_binder_.flush();
    shift_binder_.flush();
    splash_binder_.flush();
}

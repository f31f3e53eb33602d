#include "app/main_window.h"

#include "app/about_box.h"
#include "app/binder.h"
#include "app/certificate_actions.h"
#include "app/indicator_shape.h"
#include "app/language_button.h"
#include "app/message_list.h"
#include "app/port_notes.h"
#include "app/screen_fit.h"
#include "app/status_line.h"
#include "app/wheel_guard.h"
#include "i18n/language.h"
#include "ui/main_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDockWidget>
#include <QEvent>
#include <QFontDatabase>
#include <QGraphicsOpacityEffect>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

class CaptionClick : public QObject {
public:
    CaptionClick(QLabel* caption, QAbstractButton* target) : QObject(caption), target_(target) {}

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton && target_->isEnabled() &&
            target_->isVisible()) {
            target_->click();
            return true;
        }
        return false;
    }

private:
    QAbstractButton* target_;
};

// Keeps the place of a widget that the program hides and shows, so that the
// rest of the page does not jump about.
void keep_place(QWidget* w) {
    QSizePolicy p = w->sizePolicy();
    p.setRetainSizeWhenHidden(true);
    w->setSizePolicy(p);
}

int em(const QWidget* w) {
    return w->fontMetrics().height();
}

} // namespace

void MainWindow::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (fitted_) return;
    fitted_ = true;
    if (!saved_geometry_.isEmpty() && restoreGeometry(saved_geometry_)) {
        // The screen may have changed since; the window stays whole on it.
        fold_to_width(screen()->availableGeometry().width());
        fit_to_screen(*this, size());
        return;
    }
    fold_to_width(screen()->availableGeometry().width());
    fit_to_screen(*this, wanted_size(content_->sizeHint()));
}

void MainWindow::fold_to_width(int width) {
    // The window manager's frame, when there is one yet; a guess otherwise.
    const int frame = std::max(frameGeometry().width() - geometry().width(), em(this));
    auto needed = [this] {
        // A row's new direction reaches the sizes of the widgets around it
        // through layout requests posted a level at a time.
        for (int level = 0; level < 8; ++level)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        content_->layout()->activate();
        return wanted_size(content_->minimumSizeHint()).width();
    };
    for (QBoxLayout* row : foldable_) {
        if (row->direction() == QBoxLayout::TopToBottom) continue;
        if (needed() + frame <= width) return;
        row->setDirection(QBoxLayout::TopToBottom);
    }
}

QSize MainWindow::wanted_size(QSize content) const {
    // Room for the vertical scroll bar, which a short screen brings: without it
    // the controls would also scroll sideways.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    return QSize(content.width() + bar, content.height() + statusBar()->sizeHint().height());
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    // The controls widen as the sensor's texts come in (its version, the
    // modes its firmware offers); the window widens with them rather than
    // scroll sideways, as far as the screen allows.
    if (watched == content_ && e->type() == QEvent::LayoutRequest && fitted_ && !grow_posted_) {
        grow_posted_ = true;
        QTimer::singleShot(0, this, [this] {
            grow_posted_ = false;
            grow_to_content();
        });
    }
    return QMainWindow::eventFilter(watched, e);
}

void MainWindow::grow_to_content(bool whole_height) {
    if (isMaximized() || isFullScreen() || !isVisible()) return;
    // Texts that came in (a long warning, a sensor's modes) may need the
    // screen's width; more groups stack then, never fewer.
    fold_to_width(screen()->availableGeometry().width());
    QSize need = content_->minimumSizeHint();
    if (whole_height) need.setHeight(content_->sizeHint().height());
    const QSize room = scroll_->viewport()->size();
    if (need.width() <= room.width() && need.height() <= room.height()) return;
    QSize wanted = wanted_size(need);
    if (dock_->isVisible())
        wanted.rheight() +=
            dock_->height() + style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent);
    wanted = wanted.expandedTo(size());
    if (wanted == size()) return;
    fit_to_screen(*this, wanted);
}

void MainWindow::explain(const MainForm& form) {
    widgets_["Pic"]->setToolTip(QCoreApplication::translate(
        "MainWindow", "Обмен с датчиком: белый и серый сменяются с каждым запросом,\n"
                      "красный — ответ получен и разобран, жёлтый — порт закрыт.\n"
                      "Если цвет не меняется, обмен остановился."));
    const QString stability = QCoreApplication::translate(
        "MainWindow", "Стабильность показаний: зелёный — уровень устоялся,\n"
                      "жёлтый — ещё меняется, красный — сильно колеблется;\n"
                      "серый — данных нет.");
    widgets_["ind_stab"]->setToolTip(stability);
    widgets_["Label20"]->setToolTip(stability);
    const QString ratio = QCoreApplication::translate(
        "MainWindow",
        "Отношение «Полный» к «Пустой»: зелёный — 1,8…1,98 (датчик настроен хорошо),\n"
        "жёлтый — 1,6…2,08 (допустимо), красный — вне этих пределов,\n"
        "проверьте калибровку.");
    for (const char* name : {"hi", "h", "Label19"}) widgets_[name]->setToolTip(ratio);
    // Controls a sensor offers only from some firmware on say which.
    for (const Control* c : form.controls()) {
        const int code = needed_version(FirmwareTag(c->tag()));
        if (!code) continue; // timers and untagged controls have no tooltip (nor all a widget)
        QWidget* w = widgets_[c->name()];
        if (!w || !w->toolTip().isEmpty()) continue;
        w->setToolTip(
            QCoreApplication::translate("MainWindow", "Нужна прошивка датчика %1.%2.%3 или новее")
                .arg(code / 100)
                .arg(code / 10 % 10)
                .arg(code % 10));
    }
}

void MainWindow::show_data_age(bool stale, const QString& note) {
    for (const char* name :
         {"Uroven", "tek", "lo", "hi", "ne", "temp", "freq", "anal", "ko", "ProgressBar1"}) {
        QWidget* w = widgets_[name];
        if (!stale) {
            w->setGraphicsEffect(nullptr);
        } else if (!w->graphicsEffect()) {
            auto* faded = new QGraphicsOpacityEffect(w);
            faded->setOpacity(0.35);
            w->setGraphicsEffect(faded);
        }
    }
    age_->setText(shown_text(note));
    age_->setVisible(stale && !note.isEmpty());
}

void link_caption(QLabel* caption, QAbstractButton* target) {
    caption->installEventFilter(new CaptionClick(caption, target));
    caption->setBuddy(target);
}

MainWindow::MainWindow(const MainForm& form, QWidget* parent)
    : QMainWindow(parent), widgets_(this) {
    setObjectName(form.name());

    // Widgets that differ from the standard kind of their control.
    widgets_.put("Pic", new IndicatorShape(IndicatorShape::Outline::Circle, this));
    widgets_.put("ind_stab", new IndicatorShape(IndicatorShape::Outline::Rectangle, this));
    auto* progress = widgets_.put("txtRec1", new QPlainTextEdit(this));
    progress->setReadOnly(true);
    progress->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    for (const char* name : {"gen_up", "gen_down", "sdv_hi", "sdv_low"}) {
        auto* b = widgets_.put(name, new QToolButton(this));
        b->setArrowType(QString(name).endsWith("up") || QString(name).endsWith("hi")
                            ? Qt::UpArrow
                            : Qt::DownArrow);
    }
    widgets_.create_missing(form);

    auto* central = new QWidget(this);
    central->setObjectName("central");
    auto* root = new QVBoxLayout(central);
    // Narrow margins: at 1.5 scaling a 1366-pixel screen leaves little room.
    const int margin = em(central) / 3;
    root->setContentsMargins(margin, margin, margin, margin);
    root->addWidget(build_strip());

    auto* body = new QHBoxLayout;
    body->addWidget(build_values(), 0);
    auto* tabs = widgets_.get<QTabWidget>("SSTab1");
    tabs->addTab(build_settings_tab(), QString());
    tabs->addTab(build_calibration_tab(), QString());
    tabs->addTab(build_generator_tab(), QString());
    tabs->addTab(build_firmware_tab(), QString());
    body->addWidget(tabs, 1);
    foldable_.push_back(body); // the last resort, after the strip and the settings tab
    root->addLayout(body, 1);
    // On a screen too small for the window the controls scroll rather than
    // fall off its bottom edge.
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(central);
    content_ = central;
    scroll_ = scroll;
    central->installEventFilter(this);
    setCentralWidget(scroll);

    // Status line with the activity indicator.
    auto* status = new QStatusBar(this);
    status->setSizeGripEnabled(true);
    auto* pic = widgets_["Pic"];
    status->addWidget(pic);
    auto* msg = widgets_.get<QLabel>("MsgCom");
    msg->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The status line belongs to the port's group, but what it says while no
    // port is open ("Порт не открыт.", "Соединение с …") must be plain to read.
    msg->setProperty(Binder::kAlwaysReadable, true);
    status->addWidget(msg, 1);
    setStatusBar(status);

    // The status line's history, folded away below the controls until asked for.
    messages_ = new MessageList(this);
    auto* dock = dock_ =
        new QDockWidget(QCoreApplication::translate("MainWindow", "Сообщения"), this);
    dock->setObjectName(QStringLiteral("message_dock"));
    dock->setFeatures(QDockWidget::DockWidgetClosable);
    dock->setAllowedAreas(Qt::BottomDockWidgetArea);
    dock->setWidget(messages_);
    messages_->setMinimumHeight(em(messages_) * 6);
    addDockWidget(Qt::BottomDockWidgetArea, dock);
    dock->hide();
    // Opened, it takes a few lines, and the window grows by them where the screen allows.
    connect(dock, &QDockWidget::visibilityChanged, this, [this, dock](bool shown) {
        if (!shown) return;
        resizeDocks({dock}, {em(dock) * 8}, Qt::Vertical);
        QTimer::singleShot(0, this, [this] { grow_to_content(true); });
    });
    auto* show_history = new QToolButton(this);
    show_history->setObjectName(QStringLiteral("show_messages"));
    show_history->setDefaultAction(dock->toggleViewAction());
    show_history->setText(QCoreApplication::translate("MainWindow", "Сообщения"));
    show_history->setToolTip(
        QCoreApplication::translate("MainWindow", "Показать или скрыть историю сообщений"));
    show_history->setAutoRaise(true);
    status->addPermanentWidget(show_history);
    auto* about = new QToolButton(this);
    about->setObjectName(QStringLiteral("about"));
    about->setText(QCoreApplication::translate("MainWindow", "О программе"));
    about->setAutoRaise(true);
    connect(about, &QToolButton::clicked, this, [this] { show_about(this, about_); });
    status->addPermanentWidget(about);
    status->addPermanentWidget(make_language_button(this));

    explain(form);

    // The record button names F9; the key works anywhere in the window.
    auto* record = widgets_.get<QAbstractButton>("Command14");
    connect(new QShortcut(QKeySequence(Qt::Key_F9), this), &QShortcut::activated, record, [record] {
        if (record->isEnabled()) record->click();
    });
    guard_wheel(this);
    status_line_ = new StatusLine(this, msg);
}

QWidget* MainWindow::build_strip() {
    auto* strip = new QWidget(this);
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(0, 0, 0, 0);
    foldable_.push_back(row);

    auto* port = new QGroupBox(QCoreApplication::translate("MainWindow", "Подключение"), strip);
    auto* pg = new QGridLayout(port);
    pg->addWidget(widgets_["Label11"], 0, 0);
    auto* cmb_port = widgets_.get<QComboBox>("CmbPort");
    // Wide enough for a gateway's address, and never wider whatever is typed
    // or listed: the box must stay on the screen.
    cmb_port->setMinimumContentsLength(26);
    cmb_port->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    // A serial device server's address (tcp://HOST:PORT) may be typed in.
    cmb_port->setEditable(true);
    cmb_port->setInsertPolicy(QComboBox::NoInsert);
    cmb_port->setCompleter(nullptr); // no device name completed into an address
    show_port_notes(cmb_port);
    pg->addWidget(cmb_port, 0, 1);
    pg->addWidget(widgets_["BTNOpenCom"], 0, 2);
    pg->addWidget(widgets_["BTNCloseCom"], 0, 3);
    pg->addWidget(widgets_["Label4"], 1, 0);
    auto* cmb_net = widgets_.get<QComboBox>("CmbNet");
    cmb_net->setMinimumContentsLength(4);
    pg->addWidget(cmb_net, 1, 1);
    pg->addWidget(widgets_["Opros"], 1, 2, 1, 2);
    pg->setColumnStretch(1, 1);
    row->addWidget(port, 3);

    auto* ident = new QGroupBox(QCoreApplication::translate("MainWindow", "Датчик"), strip);
    auto* ig = new QGridLayout(ident);
    ig->addWidget(widgets_["Label3"], 0, 0);
    auto* netdev = widgets_.get<QLabel>("netdev");
    netdev->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ig->addWidget(netdev, 0, 1, 1, 2);
    ig->addWidget(widgets_["Label8"], 1, 0);
    auto* sn = widgets_["sn"];
    WidgetSet::style_value(sn);
    ig->addWidget(sn, 1, 1);
    auto* vv = widgets_["vv"];
    WidgetSet::style_value(vv);
    ig->addWidget(vv, 1, 2);
    ig->setColumnStretch(1, 1);
    ig->setColumnStretch(2, 1);
    row->addWidget(ident, 4);
    return strip;
}

QWidget* MainWindow::build_values() {
    auto* column = new QWidget(this);
    auto* v = new QVBoxLayout(column);
    v->setContentsMargins(0, 0, 0, 0);

    auto* values = new QGroupBox(QCoreApplication::translate("MainWindow", "Показания"), column);
    auto* g = new QGridLayout(values);
    const std::pair<const char*, const char*> rows[] = {
        {"ur", "Uroven"}, {"tek_l", "tek"},    {"l", "lo"},         {"h", "hi"},      {"nz", "ne"},
        {"te", "temp"},   {"Label14", "freq"}, {"Label16", "anal"}, {"Label18", "ko"}};
    int r = 0;
    for (const auto& [caption, value] : rows) {
        g->addWidget(widgets_[caption], r, 0);
        WidgetSet::style_value(widgets_[value]);
        g->addWidget(widgets_[value], r, 1);
        ++r;
    }
    // The ratio of full to empty is shown by colouring this label with `hi` and `h`.
    auto* ratio = widgets_.get<QLabel>("Label19");
    ratio->setAlignment(Qt::AlignCenter);
    ratio->setMargin(em(ratio) / 6);
    g->addWidget(ratio, r++, 0, 1, 2);
    auto* stab = new QHBoxLayout;
    stab->addWidget(widgets_["Label20"]);
    stab->addStretch(1);
    stab->addWidget(widgets_["ind_stab"]);
    g->addLayout(stab, r++, 0, 1, 2);
    // Opens the chart of the readings (not a control of the view model).
    auto* chart = new QPushButton(QCoreApplication::translate("MainWindow", "График…"), values);
    chart->setObjectName(QStringLiteral("trend_open"));
    // Beside it the line monitor, a window of its own too; one row, so the
    // column grows no taller.
    auto* monitor =
        new QPushButton(QCoreApplication::translate("MainWindow", "Монитор линии…"), values);
    monitor->setObjectName(QStringLiteral("line_monitor_open"));
    auto* windows = new QHBoxLayout;
    windows->addWidget(chart);
    windows->addWidget(monitor);
    g->addLayout(windows, r++, 0, 1, 2);
    // How old the values are, once the sensor stops answering.
    age_ = new QLabel(values);
    age_->setObjectName(QStringLiteral("data_age"));
    age_->setAlignment(Qt::AlignCenter);
    age_->setForegroundRole(QPalette::PlaceholderText);
    keep_place(age_);
    age_->hide();
    g->addWidget(age_, r++, 0, 1, 2);

    // The level bar stands beside the values like a tank gauge.
    auto* bar = widgets_.get<QProgressBar>("ProgressBar1");
    bar->setOrientation(Qt::Vertical);
    bar->setTextVisible(false);
    bar->setMinimumWidth(em(bar) * 3 / 2);
    g->addWidget(bar, 0, 2, r, 1);
    g->setColumnStretch(1, 1);
    v->addWidget(values);

    auto* sensor = new QGroupBox(QCoreApplication::translate("MainWindow", "Команды"), column);
    auto* sv = new QVBoxLayout(sensor);
    for (const char* name : {"horizont", "Vvod_PWD", "Chg_pass"}) sv->addWidget(widgets_[name]);
    v->addWidget(sensor);

    // The server log reader and the arrows sit outside the tabs, so they are
    // at hand whichever page is open.
    auto* reader = new QHBoxLayout;
    reader->addWidget(widgets_["rdf"], 1);
    keep_place(widgets_["rdf"]); // hidden while a port is open
    for (const char* name : {"gen_up", "gen_down", "sdv_hi", "sdv_low"})
        reader->addWidget(widgets_[name]);
    v->addLayout(reader);
    v->addStretch(1);
    return column;
}

QWidget* MainWindow::build_settings_tab() {
    auto* page = new QWidget;
    auto* h = new QHBoxLayout(page);
    const int margin = em(this) / 3;
    h->setContentsMargins(margin, margin, margin, margin);
    foldable_.push_back(h);

    auto* left = new QVBoxLayout;
    auto* levels = new QGroupBox(QCoreApplication::translate("MainWindow", "Уровни"), page);
    auto* g = new QGridLayout(levels);
    const char* full[] = {"Label7", "hig", "hi_data", "set_hi_data"};
    const char* empty[] = {"Label5", "low", "lo_data", "set_lo_data"};
    for (int c = 0; c < 4; ++c) {
        g->addWidget(widgets_[full[c]], 0, c);
        g->addWidget(widgets_[empty[c]], 1, c);
    }
    for (const char* name : {"hi_data", "lo_data"}) {
        auto* e = widgets_.get<QLineEdit>(name);
        e->setAlignment(Qt::AlignRight);
        e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("20000000000")));
    }
    g->addWidget(widgets_["shift"], 2, 1);
    g->addWidget(widgets_["Label10"], 3, 0, 1, 2);
    g->addWidget(widgets_["kko"], 3, 2);
    auto* warning = widgets_.get<QLabel>("Kalibr_warning");
    warning->setWordWrap(true);
    g->addWidget(warning, 4, 0, 1, 4);
    g->setColumnStretch(2, 1);
    left->addWidget(levels);

    auto* sensor =
        new QGroupBox(QCoreApplication::translate("MainWindow", "Адрес и сигнализация"), page);
    auto* s = new QGridLayout(sensor);
    s->addWidget(widgets_["net"], 0, 0, 1, 3);
    s->addWidget(widgets_["Label9"], 1, 0);
    auto* lamp = widgets_.get<QLineEdit>("lamp_level");
    lamp->setMaximumWidth(lamp->fontMetrics().horizontalAdvance(QStringLiteral("00000")) * 2);
    lamp->setAlignment(Qt::AlignRight);
    s->addWidget(lamp, 1, 1);
    s->addWidget(widgets_["Command1"], 1, 2);
    s->addWidget(widgets_["Command6"], 2, 0, 1, 3);
    s->addWidget(widgets_["per_sents"], 3, 0, 1, 3);
    for (const char* name : {"Label9", "lamp_level", "Command1", "Command6"})
        keep_place(widgets_[name]);
    s->setColumnStretch(0, 1);
    left->addWidget(sensor);

    auto* profile = new QGroupBox(QCoreApplication::translate("MainWindow", "Профиль"), page);
    auto* pv = new QVBoxLayout(profile);
    for (const char* name : {"save_profile", "compare_profile", "apply_profile"})
        pv->addWidget(widgets_[name]);
    auto* profile_bar = widgets_.get<QProgressBar>("profile_progress");
    profile_bar->setTextVisible(false);
    profile_bar->setMaximumHeight(em(profile_bar) / 2);
    pv->addWidget(profile_bar);
    left->addWidget(profile);
    left->addStretch(1);
    h->addLayout(left, 3);

    // The mode frame: options and boxes with their captions beside them.
    auto* modes = widgets_.get<QGroupBox>("Frame4");
    auto* m = new QGridLayout(modes);
    int r = 0;
    const std::pair<const char*, const char*> options[] = {
        {"R485", "R_485"}, {"R_a", "R_analog"},  {"R_f", "R_fr"},
        {"R_p", "R_per"},  {"R_p485", "Label2"}, {"rs_232", "Label12"}};
    for (const auto& [option, caption] : options) {
        m->addWidget(widgets_[option], r, 0);
        m->addWidget(widgets_[caption], r, 1, 1, 2);
        link_caption(widgets_.get<QLabel>(caption), widgets_.get<QAbstractButton>(option));
        ++r;
    }
    auto* line = new QFrame(modes);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    m->addWidget(line, r++, 0, 1, 3);
    const std::pair<const char*, const char*> boxes[] = {
        {"iinv", "invers"}, {"usredn", "usred"}, {"D_4096", "Label6"}};
    for (const auto& [box, caption] : boxes) {
        m->addWidget(widgets_[box], r, 0);
        m->addWidget(widgets_[caption], r, 1, 1, 2);
        link_caption(widgets_.get<QLabel>(caption), widgets_.get<QAbstractButton>(box));
        ++r;
    }
    m->addWidget(widgets_["tartab1"], r++, 0, 1, 3);
    m->addWidget(widgets_["Label22"], r, 0, 1, 2);
    auto* sgla = widgets_["sgla"];
    sgla->setMinimumWidth(em(sgla) * 2);
    m->addWidget(sgla, r++, 2);
    m->addWidget(widgets_["Slider1"], r++, 0, 1, 3);
    for (const char* name : {"Termokompens", "naklon", "dr_quality"})
        m->addWidget(widgets_[name], r++, 0, 1, 3);
    m->setRowStretch(r++, 1);
    m->addWidget(widgets_["Set_mode"], r, 0, 1, 3);
    m->setColumnStretch(1, 1);
    h->addWidget(modes, 2);
    return page;
}

QWidget* MainWindow::build_calibration_tab() {
    auto* page = new QWidget;
    auto* h = new QHBoxLayout(page);

    auto* left = new QVBoxLayout;
    auto* g = new QGridLayout;
    g->addWidget(widgets_["Label15"], 0, 0);
    WidgetSet::style_value(widgets_["step_zapr"]);
    widgets_["step_zapr"]->setMinimumWidth(em(page) * 4);
    g->addWidget(widgets_["step_zapr"], 0, 1);
    g->addWidget(widgets_["ch_portion"], 0, 2);
    g->addWidget(widgets_["Label17"], 1, 0);
    auto* file = widgets_.get<QLabel>("tar_file_name");
    file->setTextInteractionFlags(Qt::TextSelectableByMouse);
    g->addWidget(file, 1, 1, 1, 2);
    left->addLayout(g);
    auto* note = widgets_.get<QLabel>("Label24");
    note->setWordWrap(true);
    left->addWidget(note);
    for (const char* name : {"Command11", "Command12", "Command14"})
        left->addWidget(widgets_[name]);
    // Whether the raw reading has settled, for the record button above; filled
    // from the trends, not a control of the view model.
    auto* hint = new QLabel(page);
    hint->setObjectName(QStringLiteral("record_stability_hint"));
    hint->setAlignment(Qt::AlignCenter);
    left->addWidget(hint);
    left->addWidget(make_certificate_panel(page));
    left->addStretch(1);
    h->addLayout(left, 0);

    auto* grid = widgets_.get<QTableWidget>("MSFlexGrid1");
    grid->setMinimumWidth(em(grid) * 16);
    h->addWidget(grid, 1);
    return page;
}

QWidget* MainWindow::build_generator_tab() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);

    auto* g = new QGridLayout;
    g->addWidget(widgets_["Label13"], 0, 0);
    auto* addr = widgets_.get<QLineEdit>("dist_net_num");
    addr->setMaximumWidth(addr->fontMetrics().horizontalAdvance(QStringLiteral("000000")) * 2);
    g->addWidget(addr, 0, 1, Qt::AlignLeft);
    g->addWidget(widgets_["VibGenCmd"], 1, 0, 1, 3);
    g->addWidget(widgets_["lchislo"], 2, 0);
    g->addWidget(widgets_["chislo_sdv"], 2, 1, 1, 2);
    for (const char* name : {"lchislo", "chislo_sdv"}) keep_place(widgets_[name]);
    g->addWidget(widgets_["ch_ver"], 3, 0, 1, 3);
    g->setColumnStretch(2, 1);
    v->addLayout(g);

    auto* modes = widgets_.get<QGroupBox>("Frame5");
    auto* m = new QGridLayout(modes);
    const std::pair<const char*, const char*> options[] = {{"r485d", "Label31"},
                                                           {"r_ad", "Label32"},
                                                           {"r_fd", "Label33"},
                                                           {"r_pd", "Label30"},
                                                           {"r_p485d", "Label29"}};
    int r = 0;
    for (const auto& [option, caption] : options) {
        m->addWidget(widgets_[option], r, 0);
        m->addWidget(widgets_[caption], r, 1);
        link_caption(widgets_.get<QLabel>(caption), widgets_.get<QAbstractButton>(option));
        ++r;
    }
    const std::pair<const char*, const char*> boxes[] = {
        {"iinvd", "Label28"}, {"usrednd", "Label27"}, {"D_4096d", "Label26"}};
    int rb = 0;
    for (const auto& [box, caption] : boxes) {
        m->addWidget(widgets_[box], rb, 2);
        m->addWidget(widgets_[caption], rb, 3, 1, 2);
        link_caption(widgets_.get<QLabel>(caption), widgets_.get<QAbstractButton>(box));
        ++rb;
    }
    m->addWidget(widgets_["tartab1d"], rb++, 2, 1, 3);
    m->addWidget(widgets_["per_sentsd"], rb++, 2, 1, 3);
    r = std::max(r, rb);
    m->addWidget(widgets_["Label25"], r, 0, 1, 2);
    m->addWidget(widgets_["Slider1d"], r, 2, 1, 2);
    m->addWidget(widgets_["sglad"], r++, 4);
    m->addWidget(widgets_["Termokompensd"], r++, 2, 1, 3);
    m->setColumnStretch(1, 1);
    m->setColumnStretch(3, 1);
    keep_place(modes);
    v->addWidget(modes);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(widgets_["gen_zapr"]);
    buttons->addStretch(1);
    v->addLayout(buttons);
    auto* hint = widgets_.get<QLabel>("Label21");
    hint->setWordWrap(true);
    v->addWidget(hint);
    auto* result = new QHBoxLayout;
    auto* text = widgets_.get<QLineEdit>("gen_txt");
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    result->addWidget(text, 1);
    result->addWidget(widgets_["gen_copy"]);
    v->addLayout(result);
    v->addStretch(1);
    return page;
}

QWidget* MainWindow::build_firmware_tab() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    auto* instruction = widgets_.get<QLabel>("dir_prog");
    QFont bold = instruction->font();
    bold.setBold(true);
    instruction->setFont(bold);
    instruction->setWordWrap(true);
    v->addWidget(instruction);

    auto* file = new QHBoxLayout;
    file->addWidget(widgets_["Command8"]);
    auto* name = widgets_.get<QLabel>("filename_prog");
    name->setTextInteractionFlags(Qt::TextSelectableByMouse);
    name->setWordWrap(true);
    // A long path must not widen the window; it is cut at the right instead
    // (and can still be selected and copied whole).
    name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    file->addWidget(name, 1);
    v->addLayout(file);

    auto* options = new QHBoxLayout;
    auto* type = widgets_.get<QGroupBox>("Frame3");
    auto* t = new QVBoxLayout(type);
    t->addWidget(widgets_["Zorvik"]);
    t->addWidget(widgets_["Pelgar"]);
    options->addWidget(type);
    auto* right = new QVBoxLayout;
    right->addWidget(widgets_["EEPROM"]);
    right->addWidget(widgets_["verify_upload"]);
    right->addStretch(1);
    right->addWidget(widgets_["start"]);
    options->addLayout(right);
    options->addStretch(1);
    v->addLayout(options);
    auto* running = new QHBoxLayout;
    running->addWidget(widgets_["upload_progress"], 1);
    running->addWidget(widgets_["upload_cancel"]);
    v->addLayout(running);
    v->addWidget(widgets_["txtRec1"], 1);
    return page;
}

#include "app/main_window.h"

#include "app/binder.h"
#include "app/indicator_shape.h"
#include "app/language_button.h"
#include "app/message_list.h"
#include "app/status_line.h"
#include "app/wheel_guard.h"
#include "i18n/language.h"
#include "ui/main_form.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDockWidget>
#include <QFontDatabase>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

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

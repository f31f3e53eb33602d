#include "app/binder.h"
#include "app/indicator_shape.h"

#include "../support/qt_printers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

struct TestForm : Form {
    TestForm() : Form("TestForm", "Проба") {}
    Label caption{*this, "caption", "Нет данных"};
    Button go{*this, "go", "Пуск"};
    TextBox edit{*this, "edit", "10"};
    TextBox log{*this, "log", ""};
    CheckBox box{*this, "box", "Угол"};
    Frame frame{*this, "frame", "Режимы"};
    OptionButton a{*this, "a", ""};
    OptionButton b{*this, "b", ""};
    OptionButton c{*this, "c", ""};
    ComboBox list{*this, "list", "----"};
    Slider slider{*this, "slider", 0, 15};
    ProgressBar bar{*this, "bar", 1024};
    Shape lamp{*this, "lamp", rgb(255, 255, 16)};
    Grid grid{*this, "grid", 3, 3};
    TabControl tabs{*this, "tabs", {"Настройка", "Тарировка"}};
    Timer tick{*this, "tick", 20, false};
    Timer slow{*this, "slow", 60'000, false};
    Label orphan{*this, "orphan", "без виджета"};
};

// The window the view code would build: widgets named after the controls.
struct TestWindow : QWidget {
    template <typename W> W* add(const QString& name, QWidget* parent = nullptr) {
        auto* w = new W(parent ? parent : this);
        w->setObjectName(name);
        if (!parent) layout()->addWidget(w);
        return w;
    }
    TestWindow() {
        new QVBoxLayout(this);
        add<QLabel>("caption");
        add<QPushButton>("go");
        add<QLineEdit>("edit");
        add<QPlainTextEdit>("log");
        add<QCheckBox>("box");
        auto* frame = add<QGroupBox>("frame");
        auto* inner = new QVBoxLayout(frame);
        for (const char* n : {"a", "b", "c"}) inner->addWidget(add<QRadioButton>(n, frame));
        add<QComboBox>("list");
        add<QSlider>("slider");
        add<QProgressBar>("bar");
        auto* lamp = new IndicatorShape(IndicatorShape::Outline::Circle, this);
        lamp->setObjectName("lamp");
        layout()->addWidget(lamp);
        add<QTableWidget>("grid");
        auto* tabs = add<QTabWidget>("tabs");
        tabs->addTab(new QWidget, "?");
        tabs->addTab(new QWidget, "?");
    }
    template <typename W> W* get(const char* name) { return findChild<W*>(name); }
};

struct Rig {
    TestForm form;
    TestWindow window;
    Binder binder{form, window};
    int changes = 0; // model notifications seen by the binder's listener

    Rig() {
        auto inner = form.on_control_changed;
        form.on_control_changed = [this, inner](Control& c) {
            ++changes;
            inner(c);
        };
    }
    void settle() { QCoreApplication::processEvents(); }
};

} // namespace

TEST(Binder, ShowsTheModelAtOnceAndNamesWhatHasNoWidget) {
    Rig r;
    EXPECT_EQ(r.window.windowTitle(), QStringLiteral("Проба"));
    EXPECT_EQ(r.window.get<QLabel>("caption")->text(), QStringLiteral("Нет данных"));
    EXPECT_EQ(r.window.get<QPushButton>("go")->text(), QStringLiteral("Пуск"));
    EXPECT_EQ(r.window.get<QLineEdit>("edit")->text(), "10");
    EXPECT_EQ(r.window.get<QGroupBox>("frame")->title(), QStringLiteral("Режимы"));
    EXPECT_EQ(r.window.get<QComboBox>("list")->placeholderText(), "----");
    EXPECT_EQ(r.window.get<QProgressBar>("bar")->maximum(), 1024);
    EXPECT_EQ(r.window.get<QSlider>("slider")->maximum(), 15);
    EXPECT_EQ(r.window.get<QTabWidget>("tabs")->tabText(1), QStringLiteral("Тарировка"));
    EXPECT_EQ(r.window.get<IndicatorShape>("lamp")->fill(), QColor(255, 255, 16));
    EXPECT_EQ(r.binder.unbound(), QStringList{"orphan"});
    EXPECT_NE(r.binder.timer("tick"), nullptr);
}

TEST(Binder, ModelChangesReachTheWidgetsOnTheNextTurnOfTheLoop) {
    Rig r;
    r.form.caption.set_text("812");
    r.form.go.set_enabled(false);
    r.form.box.set_visible(false);
    r.form.box.set_value(1);
    r.form.b.set_value(true);
    r.form.list.add_item("COM1");
    r.form.list.add_item("COM3", QStringLiteral("FT232R USB UART, FTDI, S/N A1"));
    r.form.list.set_list_index(1);
    r.form.slider.set_value(5);
    r.form.bar.set_value(621);
    r.form.lamp.set_fill_colour(kRed);
    r.form.grid.set_cell(0, 1, QStringLiteral("Литры"));
    r.form.grid.set_cell(3, 2, "812"); // grows the grid
    r.form.tabs.set_current(1);
    r.form.log.set_text("line 1\nline 2");
    r.form.caption.set_back_colour(kLightGreen);

    EXPECT_EQ(r.window.get<QLabel>("caption")->text(), QStringLiteral("Нет данных")); // not yet
    r.settle();
    EXPECT_EQ(r.window.get<QLabel>("caption")->text(), "812");
    EXPECT_FALSE(r.window.get<QPushButton>("go")->isEnabled());
    EXPECT_TRUE(r.window.get<QCheckBox>("box")->isHidden());
    EXPECT_TRUE(r.window.get<QCheckBox>("box")->isChecked());
    EXPECT_TRUE(r.window.get<QRadioButton>("b")->isChecked());
    auto* list = r.window.get<QComboBox>("list");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentText(), "COM3");
    EXPECT_EQ(list->itemData(1, Qt::ToolTipRole).toString(), "FT232R USB UART, FTDI, S/N A1");
    EXPECT_TRUE(list->itemData(0, Qt::ToolTipRole).toString().isEmpty());
    EXPECT_EQ(r.window.get<QSlider>("slider")->value(), 5);
    EXPECT_EQ(r.window.get<QProgressBar>("bar")->value(), 621);
    EXPECT_EQ(r.window.get<IndicatorShape>("lamp")->fill(), QColor(255, 0, 0));
    auto* grid = r.window.get<QTableWidget>("grid");
    EXPECT_EQ(grid->rowCount(), 3);
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), QStringLiteral("Литры"));
    EXPECT_EQ(grid->item(2, 2)->text(), "812");
    EXPECT_EQ(r.window.get<QTabWidget>("tabs")->currentIndex(), 1);
    EXPECT_EQ(r.window.get<QPlainTextEdit>("log")->toPlainText(), "line 1\nline 2");
    auto* caption = r.window.get<QLabel>("caption");
    EXPECT_TRUE(caption->autoFillBackground());
    EXPECT_EQ(caption->palette().color(QPalette::Window), QColor(0x80, 0xFF, 0x80));

    // Back to the system colour: the platform's own again.
    r.form.caption.set_back_colour(kButtonFace);
    r.settle();
    EXPECT_FALSE(caption->autoFillBackground());
    EXPECT_EQ(caption->palette().color(QPalette::Window),
              r.window.palette().color(QPalette::Window));

    // A status text marked always readable is not greyed out with its control.
    caption->setProperty(Binder::kAlwaysReadable, true);
    r.form.caption.set_enabled(false);
    r.form.edit.set_enabled(false);
    r.settle();
    EXPECT_TRUE(caption->isEnabled());
    EXPECT_FALSE(r.window.get<QLineEdit>("edit")->isEnabled());

    // The program may clear every option of a group.
    r.form.b.set_value(false);
    r.settle();
    for (const char* n : {"a", "b", "c"})
        EXPECT_FALSE(r.window.get<QRadioButton>(n)->isChecked()) << n;
}

TEST(Binder, ClicksAndEditsFlowToTheModelWithoutEcho) {
    Rig r;
    int clicks = 0;
    r.form.go.on_click = [&] { ++clicks; };
    r.window.get<QPushButton>("go")->click();
    EXPECT_EQ(clicks, 1);
    r.form.go.set_enabled(false);
    r.settle();
    r.window.get<QPushButton>("go")->click(); // disabled: nothing runs
    EXPECT_EQ(clicks, 1);

    auto* edit = r.window.get<QLineEdit>("edit");
    edit->setFocus();
    edit->setCursorPosition(2);
    r.changes = 0;
    QTest::keyClicks(edit, "05");
    EXPECT_EQ(r.form.edit.text(), "1005");
    EXPECT_EQ(r.changes, 2); // one per key, nothing bounced back
    edit->setCursorPosition(1);
    r.settle();
    EXPECT_EQ(edit->cursorPosition(), 1); // the flush left the text alone
    EXPECT_EQ(r.changes, 2);

    int box_clicks = 0;
    r.form.box.on_click = [&] { ++box_clicks; };
    r.window.get<QCheckBox>("box")->click();
    EXPECT_EQ(r.form.box.value(), 1);
    EXPECT_EQ(box_clicks, 1);
    r.settle();
    EXPECT_EQ(box_clicks, 1);

    int slides = 0;
    r.form.slider.on_change = [&] { ++slides; };
    r.window.get<QSlider>("slider")->setValue(7);
    EXPECT_EQ(r.form.slider.value(), 7);
    r.form.slider.set_value(3); // the program moves it: the widget follows silently
    r.settle();
    EXPECT_EQ(r.window.get<QSlider>("slider")->value(), 3);
    EXPECT_EQ(slides, 2);

    int tab_clicks = 0;
    r.form.tabs.on_click = [&] { ++tab_clicks; };
    r.window.get<QTabWidget>("tabs")->setCurrentIndex(1);
    EXPECT_EQ(r.form.tabs.current(), 1);
    r.settle();
    EXPECT_EQ(tab_clicks, 1);

    r.form.log.set_text("a");
    r.settle();
    r.window.get<QPlainTextEdit>("log")->appendPlainText("b");
    EXPECT_EQ(r.form.log.text(), "a\nb");
}

TEST(Binder, ListSelectionRunsTheClickOnce) {
    Rig r;
    for (const char* p : {"COM1", "COM2", "COM3"}) r.form.list.add_item(p);
    r.form.list.set_list_index(0);
    int selections = 0;
    r.form.list.on_click = [&] { ++selections; };
    r.settle();
    auto* list = r.window.get<QComboBox>("list");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(r.form.list.list_index(), 1);
    EXPECT_EQ(selections, 1);

    // Refilling the list with the same ports keeps the widget's items as they are.
    {
        int resets = 0;
        QObject::connect(list->model(), &QAbstractItemModel::modelReset, [&] { ++resets; });
        QObject::connect(list->model(), &QAbstractItemModel::rowsRemoved, [&] { ++resets; });
        r.form.list.clear();
        for (const char* p : {"COM1", "COM2", "COM3"}) r.form.list.add_item(p);
        r.form.list.set_list_index(1);
        r.settle();
        EXPECT_EQ(resets, 0);
        EXPECT_EQ(selections, 2);
    }

    // Editable, a text that is no entry shows from its start.
    list->setEditable(true);
    const QString address = QStringLiteral("rfc2217://192.168.100.200:4001");
    r.form.list.set_text(address);
    r.form.list.set_list_index(-1);
    r.settle();
    EXPECT_EQ(list->currentText(), address);
    EXPECT_EQ(list->lineEdit()->cursorPosition(), 0);
}

// An editable list (the port box): typing, pasting or choosing over a chosen
// entry gives exactly what was typed, whatever the window repaints between keys.
TEST(Binder, TypingOverAChosenEntryKeepsWhatWasTyped) {
    TestForm form;
    TestWindow window;
    auto* list = window.get<QComboBox>("list");
    list->setEditable(true);
    Binder binder{form, window};
    for (const char* p : {"COM1", "COM2"}) form.list.add_item(p);
    const QString address = QStringLiteral("rfc2217://192.168.100.200:4001");
    // Typing or pasting over a chosen entry gives exactly what was typed.
    for (const char* typed : {"/dev/ttyUSB7", "tcp://10.0.0.5:4001"}) {
        form.list.set_list_index(0);
        QCoreApplication::processEvents();
        list->setFocus();
        list->lineEdit()->selectAll();
        for (const char* k = typed; *k; ++k) { // the window repaints between keys
            QTest::keyClicks(list->lineEdit(), QString(QChar(*k)));
            QCoreApplication::processEvents();
        }
        EXPECT_EQ(list->currentText(), typed);
        EXPECT_EQ(form.list.selected_text(), typed);
    }
    form.list.set_list_index(0);
    QCoreApplication::processEvents();
    list->lineEdit()->selectAll();
    list->lineEdit()->insert(address); // as a paste does
    QCoreApplication::processEvents();
    list->lineEdit()->insert(QStringLiteral("/x"));
    QCoreApplication::processEvents();
    EXPECT_EQ(form.list.selected_text(), address + "/x");
}

TEST(Binder, OptionsOfOneFrameExcludeEachOther) {
    Rig r;
    r.form.a.set_value(true);
    r.settle();
    auto* b = r.window.get<QRadioButton>("b");
    b->click();
    EXPECT_TRUE(r.form.b.value());
    EXPECT_FALSE(r.form.a.value());
    r.settle();
    EXPECT_FALSE(r.window.get<QRadioButton>("a")->isChecked());
    b->click(); // clicking the chosen option keeps it chosen
    r.settle();
    EXPECT_TRUE(r.form.b.value());
    EXPECT_TRUE(b->isChecked());
}

TEST(Binder, TimersFollowTheModelAndNeverNest) {
    Rig r;
    QTimer* qt = r.binder.timer("tick");
    ASSERT_NE(qt, nullptr);
    EXPECT_FALSE(qt->isActive());
    // The exchange's second is kept to the millisecond (a coarse timer may
    // fire 5 % off, and a late tick followed by an early one).
    EXPECT_EQ(qt->timerType(), Qt::PreciseTimer);
    int ticks = 0, depth = 0, deepest = 0;
    r.form.tick.on_timer = [&] {
        ++ticks;
        deepest = std::max(deepest, ++depth);
        if (ticks == 1) {
            // A message box inside a tick: a nested loop lasting several intervals.
            QEventLoop loop;
            QTimer::singleShot(100, &loop, &QEventLoop::quit);
            loop.exec();
        }
        --depth;
        if (ticks == 3) r.form.tick.set_enabled(false);
    };
    r.form.tick.set_enabled(true);
    EXPECT_TRUE(qt->isActive()); // timers follow at once, not on the next turn
    QElapsedTimer clock;
    clock.start();
    while (r.form.tick.enabled() && clock.elapsed() < 5000) QTest::qWait(10);
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(deepest, 1);
    EXPECT_FALSE(qt->isActive());
}

// A tick asked for soon comes on the next turn of the loop, not an interval
// later, and the rhythm goes on from it; a stopped timer ignores the request.
TEST(Binder, ATickAskedForSoonComesAtOnce) {
    Rig r;
    int ticks = 0;
    r.form.slow.on_timer = [&] { ++ticks; };
    r.form.slow.fire_soon();
    QTest::qWait(20);
    EXPECT_EQ(ticks, 0);
    r.form.slow.set_enabled(true);
    r.form.slow.fire_soon();
    QTest::qWait(20);
    EXPECT_EQ(ticks, 1);
    EXPECT_GT(r.binder.timer("slow")->remainingTime(), 50'000);
}

TEST(Binder, WindowFollowsTheFormAndClosingHidesIt) {
    Rig r;
    EXPECT_FALSE(r.window.isVisible());
    r.form.set_visible(true);
    EXPECT_TRUE(r.window.isVisible());
    r.window.close();
    EXPECT_FALSE(r.form.visible());
    EXPECT_FALSE(r.window.isVisible());

    r.form.set_visible(true);
    int requests = 0;
    r.binder.on_close_request = [&] { ++requests; };
    r.window.close();
    EXPECT_EQ(requests, 1);
    EXPECT_TRUE(r.window.isVisible()); // the handler decides
    EXPECT_TRUE(r.form.visible());
}

TEST(Binder, WindowsColours) {
    QPalette pal;
    pal.setColor(QPalette::Button, QColor(1, 2, 3));
    pal.setColor(QPalette::Base, QColor(4, 5, 6));
    EXPECT_EQ(to_qcolor(0x0000FF, pal), QColor(255, 0, 0));
    EXPECT_EQ(to_qcolor(0x00C000, pal), QColor(0, 192, 0));
    EXPECT_EQ(to_qcolor(0x80FF80, pal), QColor(128, 255, 128));
    EXPECT_EQ(to_qcolor(rgb(255, 255, 16), pal), QColor(255, 255, 16));
    EXPECT_EQ(to_qcolor(kButtonFace, pal), QColor(1, 2, 3));
    EXPECT_EQ(to_qcolor(kWindowBackground, pal), QColor(4, 5, 6));
    EXPECT_TRUE(is_system_colour(kButtonFace));
    EXPECT_FALSE(is_system_colour(kWhite));
}

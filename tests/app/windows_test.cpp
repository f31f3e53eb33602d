#include "app/aux_windows.h"
#include "app/binder.h"
#include "app/main_window.h"
#include "app/status_line.h"
#include "ui/main_form.h"

#include "../support/qt_printers.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

bool inside(const QWidget* w, const QWidget* ancestor) {
    for (; w; w = w->parentWidget())
        if (w == ancestor) return true;
    return false;
}

} // namespace

TEST(Windows, EveryControlHasItsNamedWidget) {
    MainForm main;
    TableForm table;
    ShiftForm shift;
    SplashForm splash;
    MainWindow mw(main);
    TableWindow tw(table);
    ShiftWindow sw(shift);
    SplashWindow spw(splash);
    Binder b1(main, mw), b2(table, tw), b3(shift, sw), b4(splash, spw);
    EXPECT_EQ(b1.unbound(), QStringList());
    EXPECT_EQ(b2.unbound(), QStringList());
    EXPECT_EQ(b3.unbound(), QStringList());
    EXPECT_EQ(b4.unbound(), QStringList());
    EXPECT_EQ(mw.objectName(), "frmSerial");
    EXPECT_EQ(tw.objectName(), "Form3");
    EXPECT_EQ(sw.objectName(), "Form4");
    EXPECT_EQ(spw.objectName(), "Form2");
    EXPECT_EQ(mw.windowTitle(), QStringLiteral("Конфигуратор Zorvik v2.6.3"));
    EXPECT_EQ(tw.windowTitle(), QStringLiteral("Тарировочная таблица датчика"));
    EXPECT_EQ(sw.windowTitle(), QStringLiteral("Сдвиг уровней"));
    EXPECT_EQ(spw.windowTitle(), "Form2");
    EXPECT_NE(b1.timer("Timer1"), nullptr);
    EXPECT_NE(b1.timer("TMRComm"), nullptr);

    EXPECT_EQ(qobject_cast<QPushButton*>(b1.widget("BTNOpenCom"))->text(),
              QStringLiteral("Открыть порт"));
    EXPECT_EQ(qobject_cast<QLabel*>(b3.widget("Label1"))->text(),
              QStringLiteral("Значения могут быть      от -1000 до 1000"));
    EXPECT_FALSE(qobject_cast<QLabel*>(b4.widget("Image1"))->pixmap().isNull());
}

TEST(Windows, ControlsSitOnTheirTabs) {
    MainForm main;
    MainWindow mw(main);
    Binder binder(main, mw);
    auto* tabs = qobject_cast<QTabWidget*>(binder.widget("SSTab1"));
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 4);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Настройка"));
    EXPECT_EQ(tabs->tabText(3), QStringLiteral("Прошивка"));
    for (const Control* c : main.controls()) {
        QWidget* w = binder.widget(c->name());
        if (!w || c == &main.tabs) continue;
        if (c->tab() < 0)
            EXPECT_FALSE(inside(w, tabs)) << c->name().toStdString();
        else
            EXPECT_TRUE(inside(w, tabs->widget(c->tab()))) << c->name().toStdString();
    }
}

TEST(Windows, ClickingACaptionClicksItsOption) {
    MainForm main;
    MainWindow mw(main);
    Binder binder(main, mw);
    main.iinv.set_enabled(true);
    main.invers.set_enabled(true);
    binder.flush();
    mw.show();
    auto* caption = qobject_cast<QLabel*>(binder.widget("invers"));
    ASSERT_NE(caption, nullptr);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2),
                        caption->mapToGlobal(QPointF(2, 2)), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(caption, &release);
    EXPECT_EQ(main.iinv.value(), 1);
    // A disabled option ignores its caption.
    main.iinv.set_enabled(false);
    binder.flush();
    QApplication::sendEvent(caption, &release);
    EXPECT_EQ(main.iinv.value(), 1);
}

TEST(Windows, F9RecordsAPointWhileTheButtonIsUsable) {
    MainForm main;
    MainWindow mw(main);
    Binder binder(main, mw);
    int records = 0;
    main.record_point.on_click = [&] { ++records; };
    main.record_point.set_enabled(false);
    binder.flush();
    mw.show();
    QApplication::setActiveWindow(&mw);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&mw));
    QTest::keyClick(&mw, Qt::Key_F9);
    EXPECT_EQ(records, 0); // disabled until a port is open
    main.record_point.set_enabled(true);
    binder.flush();
    QTest::keyClick(&mw, Qt::Key_F9);
    EXPECT_EQ(records, 1);
}

// Scrolling the form at a large scale passes over lists and spin boxes: the
// wheel changes a value only where the focus is, and else scrolls the form.
TEST(Windows, WheelChangesOnlyTheFocusedControl) {
    MainForm main;
    MainWindow mw(main);
    Binder binder(main, mw);
    mw.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&mw));
    auto* list = qobject_cast<QComboBox*>(binder.widget("CmbNet"));
    auto* slider = qobject_cast<QAbstractSlider*>(binder.widget("Slider1"));
    ASSERT_TRUE(list && slider);
    list->addItems({"1", "5", "12"});
    list->setCurrentIndex(1);
    slider->setValue(5);
    auto wheel = [](QWidget* w) {
        const QPoint at = w->rect().center();
        QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &e);
    };
    mw.setFocus();
    wheel(list);
    wheel(slider);
    EXPECT_EQ(list->currentIndex(), 1);
    EXPECT_EQ(slider->value(), 5);
    list->setFocus();
    QApplication::setActiveWindow(&mw);
    if (!list->hasFocus()) GTEST_SKIP() << "no focus on this platform";
    wheel(list);
    EXPECT_EQ(list->currentIndex(), 2);
}

// A refusal set in the click's own handler stays on the line through the
// cycle's next text, and the refused button carries it as its tooltip.
TEST(Windows, RefusalStaysOnTheLineAndOnItsButton) {
    MainForm main;
    MainWindow mw(main);
    Binder binder(main, mw);
    main.net.on_click = [&] {
        main.MsgCom.set_text(QStringLiteral("Порт не открыт."));
        mw.status_line()->said(main.MsgCom.text(), main.MsgCom.fore_colour());
    };
    binder.flush();
    auto* button = mw.findChild<QPushButton*>(QStringLiteral("net"));
    auto* line = mw.findChild<QLabel*>(QStringLiteral("MsgCom"));
    button->click();
    main.MsgCom.set_fore_colour(kDarkGreen);
    main.MsgCom.set_text(QStringLiteral("Датчик подключен"));
    mw.status_line()->said(main.MsgCom.text(), main.MsgCom.fore_colour());
    binder.flush();
    EXPECT_EQ(line->text(), QStringLiteral("Порт не открыт."));
    EXPECT_EQ(button->toolTip(), QStringLiteral("Порт не открыт."));
    mw.findChild<QPushButton*>(QStringLiteral("Opros"))->click(); // the next operation
    EXPECT_EQ(line->text(), QStringLiteral("Датчик подключен"));
    EXPECT_NE(button->toolTip(), QStringLiteral("Порт не открыт."));
}

// On a screen narrower than the window (800 pixels here, as a 1366-pixel
// laptop at 1.7 scaling) side-by-side groups stack: the window scrolls only
// up and down.
TEST(Windows, ANarrowScreenStacksRatherThanScrollSideways) {
    MainForm main;
    MainWindow mw(main);
    Binder binder(main, mw);
    mw.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&mw));
    const int screen = mw.screen()->availableGeometry().width();
    ASSERT_LT(screen, 986) << "a screen wide enough for the whole window proves nothing";
    auto* scroll = mw.findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    QApplication::processEvents();
    EXPECT_LE(mw.frameGeometry().width(), screen);
    EXPECT_EQ(scroll->horizontalScrollBar()->maximum(), 0);
}

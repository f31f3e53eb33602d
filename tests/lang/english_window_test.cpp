// The main window in English: connected to the demo line, a sensor found and
// read, every tab, the table, shift and chart windows: no Cyrillic in any
// text a widget shows, but the sensors' own data.  The Russian model under it
// (what the run log and the goldens read) stays Russian.
#include "app/application.h"
#include "app/command_line.h"
#include "firmware/upload_engine.h"
#include "i18n/language.h"
#include "link/clock.h"
#include "link/network_port.h"
#include "ports/routing_serial_port.h"
#include "protocol/no_port.h"
#include "sim/sim_port.h"

#include "../support/fakes.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Every text `w` and its children show, each with the object that shows it.
QStringList shown_texts(const QWidget& top) {
    QStringList out;
    auto add = [&](const QObject* o, const QString& t) {
        if (!t.isEmpty()) out << o->objectName() + u'=' + t;
    };
    add(&top, top.windowTitle());
    for (const QWidget* w : top.findChildren<QWidget*>()) {
        if (auto* l = qobject_cast<const QLabel*>(w)) add(w, l->text());
        if (auto* b = qobject_cast<const QAbstractButton*>(w)) add(w, b->text());
        if (auto* g = qobject_cast<const QGroupBox*>(w)) add(w, g->title());
        if (auto* p = qobject_cast<const QPlainTextEdit*>(w)) add(w, p->toPlainText());
        add(w, w->toolTip());
        if (auto* t = qobject_cast<const QTabWidget*>(w))
            for (int i = 0; i < t->count(); ++i) add(w, t->tabText(i));
        if (auto* c = qobject_cast<const QComboBox*>(w))
            for (int i = 0; i < c->count(); ++i) add(w, c->itemText(i));
        if (auto* t = qobject_cast<const QTableWidget*>(w))
            for (int i = 0; i < t->columnCount(); ++i)
                if (auto* h = t->horizontalHeaderItem(i)) add(w, h->text());
    }
    return out;
}

QStringList cyrillic(const QStringList& texts) {
    static const QRegularExpression letters(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
    QStringList out;
    for (const QString& t : texts)
        if (t.contains(letters)) out << t;
    return out;
}

void wait(int ms) {
    QTest::qWait(ms);
}

} // namespace

TEST(EnglishWindow, ShowsNoRussianButTheSensorsData) {
    ASSERT_TRUE(install_language(UiLanguage::English));
    NoPort system;
    SimSerialPort demo(SimLine::demo(), kDemoLineEntry);
    NetworkPort network;
    RoutingSerialPort port(system, &demo, kDemoLineEntry, &network);
    FakeDialogs dialogs;
    FakeTones tones;
    SystemClock clock;
    CommandLine options;
    options.demo = true;
    options.connect = true;
    QStringList found;
    {
        Application app(port, dialogs, tones, clock, options);
        QTemporaryDir logs;
        app.start(logs.path());
        found << cyrillic(shown_texts(app.splash_window()));
        wait(2300); // past the splash, connected
        auto& f = app.cfg().frmSerial;
        ASSERT_TRUE(f.BTNCloseCom.enabled());
        f.Opros.click();
        wait(3500);
        wait(2500);
        // The progress text as an upload writes it, and the note of a sensor not heard yet.
        f.upload_log.set_text(kUploadBegins + "\r\n" + kUploadHeaderDone + "\r\nBlock 0\r\n" +
                              kUploadDone);
        app.cfg().data_age.forget();
        for (int i = 0; i < 4; ++i) {
            f.tabs.set_current(i);
            app.flush();
            found << cyrillic(shown_texts(app.main_window()));
        }
        // The model keeps the Russian caption that the run log and goldens read.
        EXPECT_EQ(f.BTNCloseCom.text(), QStringLiteral("Закрыть порт"));
        // Sensor 1 (1.3.0) against a profile with a lamp level: the list of
        // differences, "нет" among the values, and the refusal "field: reason".
        QTemporaryDir dir;
        const QString profile = dir.filePath(QStringLiteral("alarm.json"));
        QFile file(profile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(R"({"format": "zorvik-profile", "version": 1, "serial": 1, "firmware": 176,
                       "empty": 1, "full": 2, "mode": 0, "alarm": 20})");
        file.close();
        QStringList said;
        for (Button* b : {&f.compare_profile, &f.apply_profile}) {
            const size_t before = dialogs.messages.size();
            dialogs.files = {profile};
            b->click();
            for (int i = 0; i < 50 && dialogs.messages.size() == before; ++i) wait(100);
            ASSERT_GT(dialogs.messages.size(), before);
            said << shown_text(dialogs.messages.back().text);
        }
        EXPECT_TRUE(said[0].startsWith("Differences from the profile (sensor → profile):\n"))
            << said[0].toStdString();
        EXPECT_TRUE(said[0].endsWith("\nLamp threshold: none → 20")) << said[0].toStdString();
        EXPECT_EQ(said[1].toStdString(),
                  "Profile not applied: Lamp threshold: needs firmware 1.7.0 or newer, the "
                  "sensor has 1.3.0");
        found << cyrillic(said);
        app.trend_window().show();
        wait(200);
        found << cyrillic(shown_texts(app.trend_window()));
        app.cfg().table_window.set_visible(true);
        app.cfg().shift_window.set_visible(true);
        app.flush();
        found << cyrillic(shown_texts(app.table_window()));
        found << cyrillic(shown_texts(app.shift_window()));
        // The table window's title names the sensor it reads and has read.
        app.cfg().table_window.rdTable.click();
        app.flush();
        found << cyrillic(shown_texts(app.table_window()));
        wait(1500);
        found << cyrillic(shown_texts(app.table_window()));
        // By now the stability hint beside the record button is in.
        found << cyrillic(shown_texts(app.main_window()));
        app.end();
    }
    found.removeDuplicates();
    EXPECT_TRUE(found.isEmpty()) << found.join(u'\n').toStdString();
    install_language(UiLanguage::Russian);
}

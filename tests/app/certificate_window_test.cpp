// "Протокол тарировки…" and the tolerance box on the "Тарировка" tab: the
// certificate of the recording in progress written where the user says, the
// tolerance and the engineer's name back at the next start.
#include "app/application.h"
#include "protocol/cp1251.h"

#include "../support/fake_serial_port.h"
#include "../support/fakes.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct CertificateRun {
    FakeSerialPort port;
    FakeDialogs dialogs;
    FakeTones tones;
    FakeClock clock;
    QTemporaryDir logs;
    std::unique_ptr<Application> app;
    explicit CertificateRun(QSettings* settings) {
        app = std::make_unique<Application>(port, dialogs, tones, clock, CommandLine{}, settings);
        EXPECT_TRUE(app->start(logs.path()));
    }
    template <class W> W* child(const char* name) {
        return app->main_window().findChild<W*>(QString::fromLatin1(name));
    }
};

// Presses "Протокол тарировки…"; `fill` sees the fields' boxes, then the
// dialog is accepted.
void certificate(CertificateRun& run, const std::function<void(QList<QLineEdit*>)>& fill) {
    QTimer::singleShot(0, [fill] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        fill(d->findChildren<QLineEdit*>());
        d->accept();
    });
    run.child<QPushButton>("certificate")->click();
}

} // namespace

TEST(CertificateWindow, WritesTheRecordingInProgressAndRemembersWhoAndHowStrict) {
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("zorvik.ini")), QSettings::IniFormat);
    const QString trr = dir.filePath(QStringLiteral("tank.trr"));
    QFile f(trr);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(cp1251_lines({QStringLiteral("№ проции;Литры;Уровень"), QStringLiteral("1;0;100"),
                          QStringLiteral("2;50;300"), QStringLiteral("3;100;450")}));
    f.close();
    const QString pdf = dir.filePath(QStringLiteral("c"));
    {
        CertificateRun run(&settings);
        auto* tolerance = run.child<QLineEdit>("refuel_tolerance");
        ASSERT_NE(tolerance, nullptr);
        EXPECT_EQ(tolerance->text(), QStringLiteral("2"));
        tolerance->setText(QStringLiteral("3,5"));
        Q_EMIT tolerance->editingFinished();

        run.app->cfg().frmSerial.autocal_file = trr;
        run.dialogs.files = {pdf};
        certificate(run, [](QList<QLineEdit*> fields) {
            ASSERT_EQ(fields.size(), 4);
            fields[0]->setText(QStringLiteral("ООО Ромашка"));
            fields[3]->setText(QStringLiteral("Петров"));
        });
        QFile written(pdf + QStringLiteral(".pdf"));
        ASSERT_TRUE(written.open(QIODevice::ReadOnly))
            << run.dialogs.shown.join(u'\n').toStdString();
        EXPECT_TRUE(written.read(5) == "%PDF-");
        EXPECT_EQ(run.dialogs.choosers.size(), 1); // the recording in progress, no chooser for it
    }
    CertificateRun again(&settings);
    EXPECT_EQ(again.child<QLineEdit>("refuel_tolerance")->text(), QStringLiteral("3,5"));
    again.app->cfg().frmSerial.autocal_file = trr;
    QString engineer, customer;
    certificate(again, [&](QList<QLineEdit*> fields) {
        customer = fields[0]->text();
        engineer = fields[3]->text();
    });
    EXPECT_EQ(engineer, QStringLiteral("Петров"));
    EXPECT_TRUE(customer.isEmpty()); // a new run, a new customer
}

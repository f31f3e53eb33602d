// A short session on the demo line, frame by frame, against a checked-in
// transcript: any change in what the sensors say shows up as a diff.
// ZORVIK_UPDATE_GOLDEN=1 rewrites the expectation after a deliberate change.
#include "sim/sim_port.h"

#include "sim_test_util.h"

#include "../support/snapshot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

// One exchange-cycle tick per request: write, a second passes, read.
QString run_session() {
    auto time = std::make_shared<ManualSimTime>(3'600'000'000);
    SimSerialPort port(SimLine::demo(), kDemoPortName, time);
    port.OpenPort(kDemoPortName, QStringLiteral("19200,n,8,1"));
    QString transcript;
    auto tick = [&](const QByteArray& frame) {
        port.WritePort(frame);
        transcript += QStringLiteral("> ") + to_hex(frame) + u'\n';
        time->advance_ms(1000);
        const QByteArray reply = port.ReadPort();
        if (!reply.isEmpty()) transcript += QStringLiteral("< ") + to_hex(reply) + u'\n';
    };
    tick(hex("31FFDC"));                                   // network scan
    tick(read_request(5, CMD_READ_ID));                    // identity of the first found
    tick(read_request(5, CMD_READ_STATE));                 // live values
    tick(request(5, CMD_SET_ALARM_LEVEL, 163, hex("14"))); // alarm level 20, no trailer
    tick(read_request(5, CMD_READ_STATE));                 // shows it
    tick(read_request(12, CMD_READ_ID));                   // the newest one
    tick(request(12, CMD_SET_MODE, 176, hex("26A7")));     // trailer and two mode bytes
    tick(request(12, CMD_SET_MODE, 174, hex("26")));       // without trailer: ignored
    tick(read_request(12, CMD_READ_STATE));
    tick(read_request(1, CMD_READ_TABLE));
    return transcript;
}
} // namespace

TEST(SimGolden, ShortSessionMatchesTranscript) {
    const QString path = golden_path(__FILE__, QStringLiteral("demo_session.txt"));
    const QString got = run_session();
    EXPECT_EQ(got, run_session()); // deterministic
    if (qEnvironmentVariableIsSet("ZORVIK_UPDATE_GOLDEN")) {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(got.toUtf8());
    }
    QFile in(path);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly)) << path.toStdString();
    const QString expected = QString::fromUtf8(in.readAll());
    EXPECT_EQ(got.toStdString(), expected.toStdString());
    // The transcript is a conversation, not just an echo of itself.
    EXPECT_TRUE(
        expected.startsWith(QStringLiteral("> 31 FF DC\n< 01 05 0C\n> 31 05 FC 5D\n< 3E 05 FC")));
    EXPECT_TRUE(expected.contains(QStringLiteral("> 31 05 EE 14 A7\n< 3E 05 EE 14 ")));
}

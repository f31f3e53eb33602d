#include "link/port_identity.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(PortIdentity, AnAdapterIsNamedByTheByIdLinkThatLeadsToIt) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString by_id = dir.filePath(QStringLiteral("by-id"));
    ASSERT_TRUE(QDir().mkpath(by_id));
    const QString usb0 = dir.filePath(QStringLiteral("ttyUSB0"));
    const QString usb1 = dir.filePath(QStringLiteral("ttyUSB1"));
    const QString alias = dir.filePath(QStringLiteral("fuel-line")); // a link of the user's own
    for (const QString& f : {usb0, usb1}) {
        QFile file(f);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QFile::link(usb1, alias));
    const QString a = by_id + QStringLiteral("/usb-FTDI_FT232R_A1-if00-port0");
    const QString b = by_id + QStringLiteral("/usb-FTDI_FT232R_B2-if00-port0");
    ASSERT_TRUE(QFile::link(usb1, a));
    ASSERT_TRUE(QFile::link(usb0, b));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("gone")), by_id + QStringLiteral("/x")));

    const QString dev = QStringLiteral("\\\\.\\");
    const struct {
        QString device, stable;
    } rows[] = {
        {usb1, a},
        {usb0, b},
        {dev + usb1, dev + a}, // the prefix stays
        {alias, a},            // through any link
        {a, a},                // already stable
        {dir.filePath(QStringLiteral("ttyUSB7")), dir.filePath(QStringLiteral("ttyUSB7"))},
        {QStringLiteral("tcp://127.0.0.1:4001"), QStringLiteral("tcp://127.0.0.1:4001")},
        {QStringLiteral("Демо-линия"), QStringLiteral("Демо-линия")},
    };
    for (const auto& r : rows)
        EXPECT_EQ(stable_device_name(r.device, by_id), r.stable) << r.device.toStdString();
    // Without the folder every name is as it was.
    EXPECT_EQ(stable_device_name(usb1, dir.filePath(QStringLiteral("none"))), usb1);

    EXPECT_TRUE(same_device(a, alias));
    EXPECT_FALSE(same_device(a, usb0));
    EXPECT_FALSE(same_device(dir.filePath(QStringLiteral("ttyUSB7")),
                             dir.filePath(QStringLiteral("ttyUSB7"))));
}

TEST(PortIdentity, TheNoteSaysWhatIsKnownOnce) {
    const struct {
        QString description, maker, serial, note;
    } rows[] = {
        {"FT232R USB UART", "FTDI", "A9X1Y2Z3", "FT232R USB UART, FTDI, S/N A9X1Y2Z3"},
        {"USB-Serial Controller", "Prolific", "", "USB-Serial Controller, Prolific"},
        {"FTDI USB Serial", "FTDI", "", "FTDI USB Serial"}, // the maker is in the description
        {"", "", "0001", "S/N 0001"},
        {" ", "", "", ""},
    };
    for (const auto& r : rows)
        EXPECT_EQ(port_note(r.description, r.maker, r.serial), r.note)
            << r.description.toStdString();
}

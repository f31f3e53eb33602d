// Every writer of a file the user keeps, on a disk that fills: it says so and
// leaves the file it would have replaced or extended as it was.
#include "../support/file_faults.h"

#include "link/text_files.h"
#include "profiles/profile_file.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

TEST(Writers, AFullDiskIsSaidAndTheOldFileKept) {
    Profile profile;
    profile.serial = 24050012;
    profile.firmware = 176;
    profile.full = 119320;
    profile.table = CalibrationTable{};
    const struct {
        const char* what;
        std::function<bool(const QString& path, QString* why)> write;
    } rows[] = {
        {"profile",
         [&](const QString& p, QString* why) { return write_profile_file(p, profile, why); }},
        {"table",
         [](const QString& p, QString* why) {
             return write_cp1251_lines(p, QStringList(40, QStringLiteral("12345")), why);
         }},
        {"picture", [](const QString& p,
                       QString* why) { return write_whole_file(p, QByteArray(4096, 'p'), why); }},
        {"record", [](const QString& p,
                      QString* why) { return append_and_sync(p, QByteArray(300, 'r'), why); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("kept"));
        const QByteArray old(100, 'o');
        ASSERT_TRUE(write_whole_file(path, old));
        QString why;
        {
            FileSizeLimit full(200);
            EXPECT_FALSE(row.write(path, &why));
        }
        EXPECT_EQ(why, QStringLiteral("файл достиг предельного размера"));
        QFile kept(path);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.read(1000), old);
        // Nothing left beside it either.
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
}

// The guard in front of every file the user names: only a regular file
// within its limit is opened, and a pipe or device is refused without waiting.
#include "link/file_guard.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

TEST(FileGuard, OnlyARegularFileWithinItsLimitIsOpened) {
    QTemporaryDir dir;
    auto make = [&](const char* name, qsizetype size) {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(QByteArray(size, 'x'));
        return f.fileName();
    };
    const QString fifo = dir.filePath("pipe");
    // Nobody ever writes to the pipe: a blocking open would hang here.
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const struct {
        QString path;
        QString why; // empty: opened
    } rows[] = {
        {make("exact", 100), {}},
        {make("empty", 0), {}},
        {make("over", 101), QStringLiteral("файл больше 100 байт")},
        {dir.filePath("gone"), QStringLiteral("файл не найден")},
        {QString(), QStringLiteral("файл не найден")},
        {dir.path(), QStringLiteral("это не файл")},
        {fifo, QStringLiteral("это не файл")},
        {QStringLiteral("/dev/zero"), QStringLiteral("это не файл")},
    };
    for (const auto& row : rows) {
        QFile file;
        QString why;
        const bool opened = open_regular_file(row.path, 100, file, &why);
        EXPECT_EQ(opened, row.why.isEmpty()) << row.path.toStdString();
        EXPECT_EQ(why, row.why) << row.path.toStdString();
        EXPECT_EQ(file.isOpen(), opened) << row.path.toStdString();
        // Bounded: were the guard to let a device through, this must not read for ever.
        if (opened) {
            EXPECT_EQ(file.read(101), QByteArray(file.size(), 'x'));
        }
    }
}

TEST(FileGuard, SaysAFullDiskAndASizeLimitPlainly) {
    const struct {
        int error;
        QString words, said;
    } rows[] = {
        {ENOSPC, QStringLiteral("Unknown error"), QStringLiteral("диск заполнен")},
        {EDQUOT, QStringLiteral("Disk quota exceeded"), QStringLiteral("диск заполнен")},
        {EFBIG, QStringLiteral("File too large"),
         QStringLiteral("файл достиг предельного размера")},
        {EIO, QStringLiteral("Input/output error"), QStringLiteral("Input/output error")},
        {EIO, QStringLiteral("Unknown error"), QString::fromLocal8Bit(std::strerror(EIO))},
    };
    for (const auto& row : rows) EXPECT_EQ(write_error_text(row.error, row.words), row.said);
}

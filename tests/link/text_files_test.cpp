// Files the user names: read only when they are regular files within their
// limit, written only where a whole file can take the name's place.
#include "link/text_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {
bool is_fifo(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
}
} // namespace

TEST(TextFiles, ReadsOnlyARegularFileWithinItsLimit) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe.zvk");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString text = dir.filePath("t.zvk");
    ASSERT_TRUE(write_cp1251_lines(text, {"1", "2"})); // 6 bytes
    QStringList lines;
    QString why;
    EXPECT_TRUE(read_cp1251_lines(text, 6, &lines, &why));
    EXPECT_EQ(lines, (QStringList{"1", "2"}));
    EXPECT_FALSE(read_cp1251_lines(text, 5, &lines, &why));
    EXPECT_EQ(why, QStringLiteral("файл больше 5 байт"));
    // Nobody writes to the pipe: reading it would wait for ever.
    EXPECT_FALSE(read_cp1251_lines(fifo, 6, &lines, &why));
    EXPECT_EQ(why, QStringLiteral("это не файл"));
}

TEST(TextFiles, WritesOnlyWhereAWholeFileCanTakeTheName) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe.zvk");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QDir().mkpath(dir.filePath("folder.zvk")));
    const QString old = dir.filePath("old.zvk");
    ASSERT_TRUE(write_cp1251_lines(old, {"old"}));

    const struct {
        QString path;
        QString why; // what the refusal says; "*": the system's words
    } rows[] = {
        {fifo, QStringLiteral("это не файл")},
        {dir.filePath("folder.zvk"), QStringLiteral("это не файл")},
        {dir.filePath(QString(300, u'x') + ".zvk"), "*"}, // longer than a name may be
        {dir.filePath("no/such/folder.zvk"), "*"},
        {QString(), QStringLiteral("файл не найден")},
        {old, {}},
        {dir.filePath("new.zvk"), {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path.toStdString());
        const QString why = why_not_writable(row.path);
        if (row.why == "*")
            EXPECT_FALSE(why.isEmpty());
        else
            EXPECT_EQ(why, row.why);
        QString error;
        EXPECT_EQ(write_cp1251_lines(row.path, {"new"}, &error), row.why.isEmpty());
        EXPECT_EQ(error, why);
    }
    // The pipe is still a pipe; the check itself left nothing behind.
    EXPECT_TRUE(is_fifo(fifo));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System).size(), 3); // pipe, old, new
}

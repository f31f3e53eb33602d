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
    // A symlink is followed only to a regular file.
    const auto link = [&](const char* name, const QString& to) {
        const QString at = dir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(QFile::link(to, at));
        return at;
    };
    const QString to_old = link("to-old.zvk", old);
    const QString to_fifo = link("to-pipe.zvk", fifo);
    const QString to_device = link("to-null.zvk", QStringLiteral("/dev/null"));
    const QString dangling = link("dangling.zvk", dir.filePath("nowhere/x.zvk"));

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
        {to_fifo, QStringLiteral("это не файл")},
        {to_device, QStringLiteral("это не файл")},
        {dangling, QStringLiteral("ссылка ведёт к файлу, которого нет")},
        {to_old, {}},
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
    // The pipe is still a pipe, the links are still links (the one to a file
    // wrote through it); the check itself left nothing behind.
    EXPECT_TRUE(is_fifo(fifo));
    for (const QString& l : {to_old, to_fifo, to_device, dangling})
        EXPECT_TRUE(QFileInfo(l).isSymLink()) << l.toStdString();
    QFile through(old);
    ASSERT_TRUE(through.open(QIODevice::ReadOnly));
    EXPECT_EQ(through.read(100), QByteArray("new\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System).size(), 7); // + 4 links
}

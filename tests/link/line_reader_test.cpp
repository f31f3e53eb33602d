#include "link/line_reader.h"

#include "../support/qt_printers.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(LineReader, LinesEndsAndOverlongLines) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.log");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QByteArray longline(10000, 'x');
    file.write("one\r\ntwo\n\n" + longline + "\nlast");
    file.close();

    LineReader reader(path);
    ASSERT_TRUE(reader.open());
    QByteArray line;
    QList<QByteArray> lines;
    while (reader.next(&line) == LineReader::Status::Line) lines << line;
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], "one");
    EXPECT_EQ(lines[1], "two");
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3], longline.left(LineReader::kMaxLine - 1)); // the rest is skipped
    EXPECT_EQ(lines[4], "last");
    EXPECT_EQ(reader.next(&line), LineReader::Status::End);

    EXPECT_FALSE(LineReader(dir.filePath("absent")).open());
}

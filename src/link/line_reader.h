#pragma once
// A text file read one line at a time, for files that may be far larger than
// anything we would want to hold whole (a server's log).
#include <QByteArray>
#include <QFile>
#include <QString>

class LineReader {
public:
    // Lines longer than this are cut here; the rest of such a line is skipped.
    static constexpr qint64 kMaxLine = 4096;
    // Read a line at a time, so only the time it takes bounds the size.
    static constexpr qint64 kMaxFile = qint64(1) << 30;

    enum class Status { Line, End, Failed };

    explicit LineReader(const QString& path) : path_(path) {}

    // False when the file cannot be opened for reading, or is no regular file
    // of at most kMaxFile bytes (a pipe or device is refused without waiting).
    bool open();

    // The next line without its end (LF, or CR LF).  End after the last line;
    // Failed when the file cannot be read on.
    Status next(QByteArray* line);

private:
    QString path_;
    QFile file_;
};

#pragma once
// Appends the rows of `zorvik-cli watch` to a CSV file, one row per state
// reply, each on disk (flushed and synced) before the next comes.  A file
// that already holds such a recording is continued; anything else is left
// alone.  A failed write, or the file deleted or moved away meanwhile, stops
// the recording and keeps the rows before it.
#include <QFile>
#include <QString>

#include <memory>

class CsvRecorder {
public:
    // Past this the recording stops rather than fill the disk.
    static constexpr qint64 kMaxBytes = qint64(1) << 30;

    CsvRecorder() = default;
    ~CsvRecorder();
    CsvRecorder(const CsvRecorder&) = delete;
    CsvRecorder& operator=(const CsvRecorder&) = delete;

    // Opens `path` for appending and writes the header to a new or empty
    // file.  Returns the refusal in the user's words, empty when recording.
    QString start(const QString& path);
    void stop();
    bool recording() const { return file_ != nullptr; }
    const QString& path() const { return path_; }
    qint64 rows() const { return rows_; }

    // Writes `row` and a line end and syncs it.  On failure the recording
    // stops, a partly written row is cut off again, and the message is returned.
    QString append(const QString& row);

private:
    std::unique_ptr<QFile> file_;
    QString path_;
    qint64 rows_ = 0;
};

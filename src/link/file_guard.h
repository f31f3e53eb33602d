#pragma once
// The one guard in front of every file the user names, whatever the program
// does with it.
//
// Reading: only a regular file within its size limit is opened.  The name may
// stand for a named pipe or a device (/dev/zero, a FIFO whose writer never
// comes); a plain open() of those blocks or reads for ever, so the file is
// opened without blocking and its kind and size are taken from what was opened.
//
// Writing whole: the new contents go to a temporary file that is renamed into
// place only when every byte is on disk, so a failure leaves the old file as it
// was.  Only a regular file is replaced (a symlink is followed only to one): a
// pipe or a device there would otherwise become a plain file.
//
// Appending: to a regular file only, each record synced before the call
// returns and cut off again when only part of it got through.
//
// Every refusal is said in the same words, for the user, after the path.
#include "i18n/language.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <memory>

class QSaveFile;

namespace file_guard_text {
inline const QString not_found = QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "файл не найден"));
inline const QString not_a_file = QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "это не файл"));
inline const QString cannot_open =
    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "файл не открывается"));
inline const QString dangling_link =
    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "ссылка ведёт к файлу, которого нет"));
inline const QString disk_full = QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "диск заполнен"));
inline const QString size_limit =
    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "файл достиг предельного размера"));
inline const QString gone =
    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "файл удалён или перемещён"));
inline QString too_big(qint64 max_bytes) {
    return fill_text(QT_TRANSLATE_NOOP("Messages", "файл больше %1 байт"),
                     {QString::number(max_bytes)});
}
} // namespace file_guard_text

// Opens `path` read-only into `file` when it is a regular file of at most
// `max_bytes` bytes.  Otherwise returns false with the reason in `why` and
// leaves `file` closed.  Never waits for a pipe's writer or a device.
bool open_regular_file(const QString& path, qint64 max_bytes, QFile& file, QString* why);
// The whole of such a file, read no further than the limit even if it grows
// meanwhile.
bool read_regular_file(const QString& path, qint64 max_bytes, QByteArray* bytes, QString* why);

// Why `path` cannot be written whole, or empty when it can: what is there must
// be a regular file (or a symlink to one), a new name one the system takes, in
// a folder we may write.  Leaves nothing behind; for checking before anything
// is read from a sensor or sent for the file's contents.
QString why_not_writable(const QString& path);
// Writes `bytes` whole or not at all.  False with `why` set when it cannot
// (also when why_not_writable() refuses the path); the old file is then
// untouched.
bool write_whole_file(const QString& path, const QByteArray& bytes, QString* why = nullptr);

// A file written whole in pieces, for what is too long to hold in memory
// first: the pieces go to a temporary file that takes the name only at
// commit(); a failed piece, cancel() or destruction leave the old file as it
// was.
class WholeFileWriter {
public:
    WholeFileWriter();
    ~WholeFileWriter();
    WholeFileWriter(const WholeFileWriter&) = delete;
    WholeFileWriter& operator=(const WholeFileWriter&) = delete;

    // Refuses (with `why`) what why_not_writable() refuses.
    bool open(const QString& path, QString* why);
    // On failure the writer is cancelled.
    bool write(const QByteArray& bytes, QString* why);
    bool commit(QString* why);
    void cancel();
    bool is_open() const { return bool(file_); }

private:
    std::unique_ptr<QSaveFile> file_;
};

// Opens `path` for appending (created when missing) when it is, or becomes, a
// regular file.  The file is unbuffered: what write_synced() reports is what
// the disk took.
bool open_for_append(const QString& path, QFile& file, QString* why);
// Writes `bytes` at the end of `file` and syncs them to disk; on failure the
// file is cut back to its old length (all of the bytes or none) and `why` says
// what went wrong in the user's words ("диск заполнен").
bool write_synced(QFile& file, const QByteArray& bytes, QString* why);
// Opens, appends one record synced, closes.
bool append_and_sync(const QString& path, const QByteArray& bytes, QString* why = nullptr);
// Whether `path` still leads to the open `file`: false once the file or its
// folder was deleted, moved or replaced while we held it open.
bool still_at_path(const QFile& file, const QString& path);

// The user's words for a failed write's system error: a full disk and a file
// size limit said plainly, anything else as the system says it.
QString write_error_text(int system_error, const QString& system_words);

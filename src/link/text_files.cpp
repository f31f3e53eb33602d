#include "link/text_files.h"

#include "link/safe_file.h"
#include "protocol/cp1251.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

QString why_not_writable(const QString& path) {
    if (path.isEmpty()) return QStringLiteral("файл не найден");
    // The new file is renamed into place: a pipe or a device there would be
    // replaced by a plain file (/dev/null, when run as root).
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) return QStringLiteral("это не файл");
    if (!info.exists()) {
        // The temporary file may have no name at all, so the name itself is
        // tried: too long, or a folder that is not there, shows here.
        QFile name(path);
        if (!name.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return name.errorString();
        name.close();
        name.remove();
    }
    QSaveFile probe(path);
    if (!probe.open(QIODevice::WriteOnly)) return probe.errorString();
    probe.cancelWriting();
    return {};
}

bool write_cp1251_lines(const QString& path, const QStringList& lines, QString* error) {
    if (const QString why = why_not_writable(path); !why.isEmpty()) {
        if (error) *error = why;
        return false;
    }
    const QByteArray bytes = cp1251_lines(lines);
    QSaveFile file(path);
    // Unbuffered, and written until the system refuses: a full disk first
    // takes part of the bytes without a word, and only the next write says
    // why (Qt's buffered flush would report "Unknown error").  commit() would
    // still put a short file in place of the old one.
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    for (qsizetype at = 0; ok && at < bytes.size();) {
        const qint64 n = file.write(bytes.constData() + at, bytes.size() - at);
        ok = n > 0;
        at += ok ? n : 0;
    }
    if (!ok) {
        if (error) *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

bool read_cp1251_lines(const QString& path, qint64 max_bytes, QStringList* lines, QString* error) {
    QFile file;
    if (!open_regular_file(path, max_bytes, file, error)) return false;
    // One byte more than allowed: a file that grew since it was opened shows.
    const QByteArray bytes = file.read(max_bytes + 1);
    if (file.error() != QFileDevice::NoError) {
        if (error) *error = file.errorString();
        return false;
    }
    if (bytes.size() > max_bytes) {
        if (error) *error = QStringLiteral("файл больше %1 байт").arg(max_bytes);
        return false;
    }
    *lines = split_lines(from_cp1251(bytes));
    return true;
}

namespace {
// Asks the system to put the file's data on the disk before we go on.
bool sync_to_disk(QFile& file) {
    if (!file.flush()) return false;
#ifdef Q_OS_WIN
    return ::_commit(file.handle()) == 0;
#else
    return ::fdatasync(file.handle()) == 0;
#endif
}
} // namespace

bool append_and_sync(const QString& path, const QByteArray& bytes, QString* error) {
    QFile file(path);
    // Unbuffered: a failed write must not stay behind in a buffer that the
    // close would try again.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        if (error) *error = file.errorString();
        return false;
    }
    const qint64 before = file.size();
    if (file.write(bytes) == bytes.size() && sync_to_disk(file)) return true;
    if (error) *error = file.errorString();
    // A full disk or a size limit may have taken part of it: cut that off,
    // so that a later attempt does not follow half a record.
    file.unsetError();
    file.resize(before);
    return false;
}

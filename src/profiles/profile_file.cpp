#include "profiles/profile_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace {

Error refused(const QString& path, const QString& why) {
    return Error{ErrorKind::BadInput,
                 QStringLiteral("Профиль ") + path + QStringLiteral(" не принят: ") + why};
}

// The file's bytes when it is a regular file of at most kMaxProfileBytes.
// The checks are made on the opened descriptor, so the path cannot be
// swapped for something else between the check and the read.
Result<QByteArray> guarded_bytes(const QString& path) {
    QFile file;
#ifdef Q_OS_UNIX
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return refused(path, QString::fromLocal8Bit(::strerror(errno)));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return refused(path, QStringLiteral("это не обычный файл"));
    }
    if (st.st_size > kMaxProfileBytes) {
        ::close(fd);
        return refused(path, QStringLiteral("файл больше %1 байт").arg(kMaxProfileBytes));
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return refused(path, file.errorString());
    }
#else
    const QFileInfo info(path);
    if (!info.exists()) return refused(path, QStringLiteral("файл не найден"));
    if (!info.isFile()) return refused(path, QStringLiteral("это не обычный файл"));
    if (info.size() > kMaxProfileBytes)
        return refused(path, QStringLiteral("файл больше %1 байт").arg(kMaxProfileBytes));
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) return refused(path, file.errorString());
#endif
    // Read no further than the limit, even if the file grows meanwhile.
    const QByteArray bytes = file.read(kMaxProfileBytes + 1);
    if (file.error() != QFileDevice::NoError) return refused(path, file.errorString());
    if (bytes.size() > kMaxProfileBytes)
        return refused(path, QStringLiteral("файл больше %1 байт").arg(kMaxProfileBytes));
    return bytes;
}

} // namespace

Result<Profile> read_profile_file(const QString& path) {
    const Result<QByteArray> bytes = guarded_bytes(path);
    if (!bytes) return bytes.error();
    const Result<Profile> p = parse_profile(*bytes);
    if (!p) return refused(path, p.error().text);
    return p;
}

bool write_profile_file(const QString& path, const Profile& p, QString* why) {
    const QByteArray bytes = profile_json(p);
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    if (!ok) {
        if (why) *why = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (why) *why = file.errorString();
        return false;
    }
    return true;
}

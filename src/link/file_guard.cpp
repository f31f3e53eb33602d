#include "link/safe_file.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
void say(QString* why, const QString& text) {
    if (why) *why = text;
}
QString too_big(qint64 max_bytes) {
    return QStringLiteral("файл больше %1 байт").arg(max_bytes);
}
} // namespace

bool open_regular_file(const QString& path, qint64 max_bytes, QFile& file, QString* why) {
    if (file.isOpen()) file.close();
    if (path.isEmpty()) {
        say(why, QStringLiteral("файл не найден"));
        return false;
    }
#ifdef Q_OS_UNIX
    // O_NONBLOCK: opening a FIFO returns at once instead of waiting for its
    // writer; O_NOCTTY: a terminal named by mistake does not become ours.
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        say(why, errno == ENOENT ? QStringLiteral("файл не найден")
                                 : QStringLiteral("файл не открывается"));
        return false;
    }
    struct stat st {};
    QString refused;
    if (::fstat(fd, &st) != 0)
        refused = QStringLiteral("файл не открывается");
    else if (!S_ISREG(st.st_mode))
        refused = QStringLiteral("это не файл");
    else if (st.st_size > max_bytes)
        refused = too_big(max_bytes);
    if (!refused.isEmpty()) {
        ::close(fd);
        say(why, refused);
        return false;
    }
    // A regular file never blocks; reads from here on are ordinary ones.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        say(why, QStringLiteral("файл не открывается"));
        return false;
    }
    return true;
#else
    // No pipes or devices among plain paths here: the kind and size are
    // checked first, and again once the file is open.
    const QFileInfo info(path);
    if (!info.exists()) {
        say(why, QStringLiteral("файл не найден"));
        return false;
    }
    if (!info.isFile()) {
        say(why, QStringLiteral("это не файл"));
        return false;
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) {
        say(why, QStringLiteral("файл не открывается"));
        return false;
    }
    if (file.size() > max_bytes) {
        file.close();
        say(why, too_big(max_bytes));
        return false;
    }
    return true;
#endif
}

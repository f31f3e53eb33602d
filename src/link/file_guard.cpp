#include "link/file_guard.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace T = file_guard_text;

namespace {

bool refuse(QString* why, const QString& text) {
    if (why) *why = text;
    return false;
}

// Writes all of `bytes` to an unbuffered device, as much as the system takes
// each time; the error number of the write that failed, 0 when all went.
int write_all(QFileDevice& file, const QByteArray& bytes) {
    for (qsizetype at = 0; at < bytes.size();) {
        errno = 0;
        const qint64 n = file.write(bytes.constData() + at, bytes.size() - at);
        if (n <= 0) return errno != 0 ? errno : EIO;
        at += n;
    }
    return 0;
}

#ifdef Q_OS_UNIX
// What is at `path`, and where a symlink there leads.
struct Target {
    bool exists = false; // something is there, a dangling symlink included
    bool dangling = false;
    bool regular = false; // it is, or leads to, a regular file
};
Target target_of(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    Target t;
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0) return t;
    t.exists = true;
    if (S_ISLNK(st.st_mode) && ::stat(name.constData(), &st) != 0) {
        t.dangling = errno == ENOENT;
        return t;
    }
    t.regular = S_ISREG(st.st_mode);
    return t;
}
#endif

} // namespace

bool open_regular_file(const QString& path, qint64 max_bytes, QFile& file, QString* why) {
    if (file.isOpen()) file.close();
    if (path.isEmpty()) return refuse(why, T::not_found);
#ifdef Q_OS_UNIX
    // O_NONBLOCK: opening a FIFO returns at once instead of waiting for its
    // writer; O_NOCTTY: a terminal named by mistake does not become ours.
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return refuse(why, errno == ENOENT ? T::not_found : T::cannot_open);
    struct stat st {};
    QString refused;
    if (::fstat(fd, &st) != 0)
        refused = T::cannot_open;
    else if (!S_ISREG(st.st_mode))
        refused = T::not_a_file;
    else if (st.st_size > max_bytes)
        refused = T::too_big(max_bytes);
    if (!refused.isEmpty()) {
        ::close(fd);
        return refuse(why, refused);
    }
    // A regular file never blocks; reads from here on are ordinary ones.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return refuse(why, T::cannot_open);
    }
    return true;
#else
    // No pipes or devices among plain paths here: the kind and size are
    // checked first, and again once the file is open.
    const QFileInfo info(path);
    if (!info.exists()) return refuse(why, T::not_found);
    if (!info.isFile()) return refuse(why, T::not_a_file);
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) return refuse(why, T::cannot_open);
    if (file.size() > max_bytes) {
        file.close();
        return refuse(why, T::too_big(max_bytes));
    }
    return true;
#endif
}

bool read_regular_file(const QString& path, qint64 max_bytes, QByteArray* bytes, QString* why) {
    QFile file;
    if (!open_regular_file(path, max_bytes, file, why)) return false;
    // One byte more than allowed: a file that grew since it was opened shows.
    *bytes = file.read(max_bytes + 1);
    if (file.error() != QFileDevice::NoError) return refuse(why, file.errorString());
    if (bytes->size() > max_bytes) return refuse(why, T::too_big(max_bytes));
    return true;
}

QString why_not_writable(const QString& path) {
    if (path.isEmpty()) return T::not_found;
#ifdef Q_OS_UNIX
    const Target t = target_of(path);
    if (t.dangling) return T::dangling_link;
    if (t.exists && !t.regular) return T::not_a_file;
    const bool exists = t.exists;
#else
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) return T::not_a_file;
    const bool exists = info.exists();
#endif
    if (!exists) {
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

bool write_whole_file(const QString& path, const QByteArray& bytes, QString* why) {
    WholeFileWriter file;
    return file.open(path, why) && file.write(bytes, why) && file.commit(why);
}

WholeFileWriter::WholeFileWriter() = default;

WholeFileWriter::~WholeFileWriter() {
    cancel();
}

bool WholeFileWriter::open(const QString& path, QString* why) {
    cancel();
    if (const QString refused = why_not_writable(path); !refused.isEmpty())
        return refuse(why, refused);
    file_ = std::make_unique<QSaveFile>(path);
    // Unbuffered: a buffered flush at commit() can fail unseen, and the short
    // temporary file would then still be renamed over the old one.
    if (!file_->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        const QString words = file_->errorString();
        file_.reset();
        return refuse(why, words);
    }
    return true;
}

bool WholeFileWriter::write(const QByteArray& bytes, QString* why) {
    if (!file_) return refuse(why, T::cannot_open);
    if (const int err = write_all(*file_, bytes); err != 0) {
        const QString words = write_error_text(err, file_->errorString());
        cancel();
        return refuse(why, words);
    }
    return true;
}

bool WholeFileWriter::commit(QString* why) {
    if (!file_) return refuse(why, T::cannot_open);
    const bool ok = file_->commit();
    const QString words = ok ? QString() : file_->errorString();
    file_.reset();
    return ok || refuse(why, words);
}

void WholeFileWriter::cancel() {
    if (file_) file_->cancelWriting();
    file_.reset();
}

bool open_for_append(const QString& path, QFile& file, QString* why) {
    if (file.isOpen()) file.close();
    if (path.isEmpty()) return refuse(why, T::not_found);
#ifdef Q_OS_UNIX
    // O_CREAT would make the file a dangling symlink names, somewhere else.
    if (target_of(path).dangling) return refuse(why, T::dangling_link);
    // Opened without blocking (a FIFO in the file's place would hang us), then
    // checked to be a regular file before a byte is written.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDWR | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
    if (fd < 0) return refuse(why, QString::fromLocal8Bit(std::strerror(errno)));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return refuse(why, T::not_a_file);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered,
                   QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return refuse(why, file.errorString());
    }
    return true;
#else
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) return refuse(why, T::not_a_file);
    file.setFileName(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered))
        return refuse(why, file.errorString());
    return true;
#endif
}

bool write_synced(QFile& file, const QByteArray& bytes, QString* why) {
    const qint64 before = file.size();
    int err = write_all(file, bytes);
    QString words = err != 0 ? file.errorString() : QString();
    if (err == 0 && !file.flush()) {
        err = EIO;
        words = file.errorString();
    }
#ifdef Q_OS_UNIX
    if (err == 0 && ::fsync(file.handle()) != 0) {
        err = errno;
        words = QString::fromLocal8Bit(std::strerror(err));
    }
#endif
    if (err == 0) return true;
    // Whole records only: what part of this one reached the disk goes again.
    file.unsetError();
    file.resize(before);
    return refuse(why, write_error_text(err, words));
}

bool append_and_sync(const QString& path, const QByteArray& bytes, QString* why) {
    QFile file;
    return open_for_append(path, file, why) && write_synced(file, bytes, why);
}

bool still_at_path(const QFile& file, const QString& path) {
#ifdef Q_OS_UNIX
    struct stat held {
    }, named{};
    if (::fstat(file.handle(), &held) != 0 || held.st_nlink == 0) return false;
    if (::stat(QFile::encodeName(path).constData(), &named) != 0) return false;
    return held.st_dev == named.st_dev && held.st_ino == named.st_ino;
#else
    return QFileInfo::exists(path) && file.isOpen();
#endif
}

QString write_error_text(int system_error, const QString& system_words) {
    switch (system_error) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return T::disk_full;
    case EFBIG:
        return T::size_limit;
    default:
        break;
    }
    if (system_error != 0 &&
        (system_words.isEmpty() || system_words == QLatin1String("Unknown error")))
        return QString::fromLocal8Bit(std::strerror(system_error));
    return system_words;
}

#include "trends/csv_recorder.h"

#include "protocol/watch_row.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
QString not_started(const QString& why) {
    return QStringLiteral("Запись не начата: ") + why;
}
QString system_error() {
    return QString::fromLocal8Bit(std::strerror(errno));
}
} // namespace

CsvRecorder::~CsvRecorder() {
    stop();
}

QString CsvRecorder::start(const QString& path) {
    stop();
    const QByteArray header = kWatchHeader.toUtf8() + '\n';
    auto file = std::make_unique<QFile>(path);
    QByteArray head; // the start of what the file holds already
    char last = '\n';
    qint64 size = 0;
#ifdef Q_OS_UNIX
    // Opened without blocking (a FIFO put in its place would hang the window),
    // then checked to be a regular file before a byte is read or written.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDWR | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) return not_started(path + QStringLiteral(": ") + system_error());
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return not_started(path + QStringLiteral(" не является обычным файлом."));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    size = st.st_size;
    if (size > 0) {
        head.resize(header.size());
        const ssize_t n = ::pread(fd, head.data(), size_t(head.size()), 0);
        head.resize(n > 0 ? qsizetype(n) : 0);
        if (::pread(fd, &last, 1, size - 1) != 1) last = '\n';
    }
    if (!file->open(fd, QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered,
                    QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return not_started(path + QStringLiteral(": ") + file->errorString());
    }
#else
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return not_started(path + QStringLiteral(" не является обычным файлом."));
    if (!file->open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered))
        return not_started(path + QStringLiteral(": ") + file->errorString());
    size = file->size();
    if (size > 0) {
        file->seek(0);
        head = file->read(header.size());
        file->seek(size - 1);
        file->getChar(&last);
    }
#endif
    if (size >= kMaxBytes) return not_started(path + QStringLiteral(" больше 1 ГБ."));
    if (size > 0 && head != header)
        return not_started(path + QStringLiteral(" содержит не запись показаний."));

    file_ = std::move(file);
    path_ = path;
    rows_ = 0;
    // A new file gets the header; a recording cut off mid-row gets its row ended.
    QByteArray opening = size == 0 ? header : last != '\n' ? QByteArray("\n") : QByteArray();
    if (!opening.isEmpty()) {
        const QString error = write_synced(opening);
        if (!error.isEmpty()) {
            stop();
            return not_started(error);
        }
    }
    return {};
}

void CsvRecorder::stop() {
    if (file_) file_->close();
    file_.reset();
}

QString CsvRecorder::append(const QString& row) {
    if (!file_) return {};
    const QByteArray line = row.toUtf8() + '\n';
    QString error;
    if (file_->size() + line.size() > kMaxBytes)
        error = path_ + QStringLiteral(": файл достиг 1 ГБ");
    else
        error = write_synced(line);
    if (error.isEmpty()) {
        ++rows_;
        return {};
    }
    stop();
    return QStringLiteral("Запись в CSV остановлена: ") + error +
           QStringLiteral(". Записанное сохранено.");
}

QString CsvRecorder::write_synced(const QByteArray& bytes) {
    const qint64 before = file_->size();
    bool ok = file_->write(bytes) == bytes.size() && file_->flush();
    QString error = ok ? QString() : file_->errorString();
#ifdef Q_OS_UNIX
    if (ok && ::fsync(file_->handle()) != 0) {
        ok = false;
        error = system_error();
    }
#endif
    if (ok) return {};
    // Whole rows only: what part of this one reached the disk goes again.
    file_->resize(before);
    return path_ + QStringLiteral(": ") + error;
}

#include "trends/csv_recorder.h"

#include "link/file_guard.h"
#include "protocol/watch_row.h"

namespace {
QString not_started(const QString& why) {
    return QStringLiteral("Запись не начата: ") + why;
}
} // namespace

CsvRecorder::~CsvRecorder() {
    stop();
}

QString CsvRecorder::start(const QString& path) {
    stop();
    const QByteArray header = kWatchHeader.toUtf8() + '\n';
    auto file = std::make_unique<QFile>();
    QString why;
    if (!open_for_append(path, *file, &why)) return not_started(path + QStringLiteral(": ") + why);
    const qint64 size = file->size();
    if (size >= kMaxBytes) return not_started(path + QStringLiteral(" больше 1 ГБ."));
    // The start of what the file holds already, and its last byte.
    QByteArray head;
    char last = '\n';
    if (size > 0) {
        file->seek(0);
        head = file->read(header.size());
        file->seek(size - 1);
        if (!file->getChar(&last)) last = '\n';
    }
    if (size > 0 && head != header)
        return not_started(path + QStringLiteral(" содержит не запись показаний."));

    file_ = std::move(file);
    path_ = path;
    rows_ = 0;
    // A new file gets the header; a recording cut off mid-row gets its row ended.
    QByteArray opening = size == 0 ? header : last != '\n' ? QByteArray("\n") : QByteArray();
    if (!opening.isEmpty() && !write_synced(*file_, opening, &why)) {
        stop();
        return not_started(path + QStringLiteral(": ") + why);
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
    QString why;
    // A folder deleted under us would take every later row with it, unseen.
    if (!still_at_path(*file_, path_))
        why = file_guard_text::gone;
    else if (file_->size() + line.size() > kMaxBytes)
        why = QStringLiteral("файл достиг 1 ГБ");
    else if (write_synced(*file_, line, &why))
        why.clear();
    if (why.isEmpty()) {
        ++rows_;
        return {};
    }
    stop();
    return QStringLiteral("Запись в CSV остановлена: ") + path_ + QStringLiteral(": ") + why +
           QStringLiteral(". Записанное сохранено.");
}

#include "trends/csv_recorder.h"

#include "i18n/language.h"
#include "link/file_guard.h"
#include "protocol/watch_row.h"

namespace {
QString not_started(const QString& why) {
    return fill_text(QT_TRANSLATE_NOOP("Messages", "Запись не начата: %1"), {why});
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
    if (!open_for_append(path, *file, &why))
        return not_started(fill_text(QT_TRANSLATE_NOOP("Messages", "%1: %2"), {path, why}));
    const qint64 size = file->size();
    if (size >= kMaxBytes)
        return not_started(fill_text(QT_TRANSLATE_NOOP("Messages", "%1 больше 1 ГБ."), {path}));
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
        return not_started(
            fill_text(QT_TRANSLATE_NOOP("Messages", "%1 содержит не запись показаний."), {path}));

    file_ = std::move(file);
    path_ = path;
    rows_ = 0;
    // A new file gets the header; a recording cut off mid-row gets its row ended.
    QByteArray opening = size == 0 ? header : last != '\n' ? QByteArray("\n") : QByteArray();
    if (!opening.isEmpty() && !write_synced(*file_, opening, &why)) {
        stop();
        return not_started(fill_text(QT_TRANSLATE_NOOP("Messages", "%1: %2"), {path, why}));
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
        why = QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "файл достиг 1 ГБ"));
    else if (write_synced(*file_, line, &why))
        why.clear();
    if (why.isEmpty()) {
        ++rows_;
        return {};
    }
    stop();
    return fill_text(
        QT_TRANSLATE_NOOP("Messages", "Запись в CSV остановлена: %1: %2. Записанное сохранено."),
        {path_, why});
}

#include "tables/platform_files.h"

#include "link/safe_file.h"
#include "link/text_files.h"

#include <QSaveFile>

namespace {
Error unreadable(const QString& path, const QString& why) {
    return Error{ErrorKind::BadInput,
                 QStringLiteral("Не удалось прочитать файл ") + path + QStringLiteral(": ") + why};
}
Error in_file(const QString& path, const Error& e) {
    return Error{e.kind, path + QStringLiteral(": ") + e.text};
}
} // namespace

Result<RecordedPoints> read_recording(const QString& path) {
    QStringList lines;
    QString why;
    if (!read_cp1251_lines(path, kRecordingMaxBytes, &lines, &why)) return unreadable(path, why);
    Result<RecordedPoints> r = recorded_points(lines);
    if (!r) return in_file(path, r.error());
    return r;
}

Result<CalibrationTable> read_table_file(const QString& path) {
    QStringList lines;
    QString why;
    if (!read_cp1251_lines(path, kTableFileMaxBytes, &lines, &why)) return unreadable(path, why);
    const Result<QStringList> cells = zvk_cells_from_lines(lines);
    if (!cells) return in_file(path, cells.error());
    if (cells->isEmpty())
        return Error{ErrorKind::BadInput, QStringLiteral("Файл таблицы пуст: ") + path};
    Result<CalibrationTable> t = CalibrationTable::from_texts(*cells);
    if (!t) return in_file(path, t.error());
    return t;
}

Result<std::vector<TablePoint>> read_platform_file(const QString& path, PlatformFormat f) {
    QFile file;
    QString why;
    if (!open_regular_file(path, kPlatformFileMaxBytes, file, &why)) return unreadable(path, why);
    // The guard checked the size when it opened; a file growing since is cut.
    const QByteArray bytes = file.read(kPlatformFileMaxBytes + 1);
    if (bytes.size() > kPlatformFileMaxBytes)
        return unreadable(path, QStringLiteral("файл больше %1 байт").arg(kPlatformFileMaxBytes));
    if (file.error() != QFileDevice::NoError) return unreadable(path, file.errorString());
    Result<std::vector<TablePoint>> points = read_platform_table(bytes, f);
    if (!points) return in_file(path, points.error());
    return points;
}

bool save_bytes_whole(const QString& path, const QByteArray& bytes, QString* why) {
    if (QString reason = why_not_writable(path); !reason.isEmpty()) {
        *why = reason;
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *why = file.errorString();
        return false;
    }
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            *why = file.errorString();
            file.cancelWriting();
            return false;
        }
        done += n;
    }
    if (!file.commit()) {
        *why = file.errorString();
        return false;
    }
    return true;
}

#include "link/text_files.h"

#include "protocol/cp1251.h"

bool write_cp1251_lines(const QString& path, const QStringList& lines, QString* error) {
    return write_whole_file(path, cp1251_lines(lines), error);
}

bool read_cp1251_lines(const QString& path, qint64 max_bytes, QStringList* lines, QString* error) {
    QByteArray bytes;
    if (!read_regular_file(path, max_bytes, &bytes, error)) return false;
    *lines = split_lines(from_cp1251(bytes));
    return true;
}

#pragma once
// Windows-1251 text files: written whole or not at all, read line by line,
// through the file guard (which also appends records synced).
#include "link/file_guard.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Writes the lines, each followed by CR LF, whole or not at all.  False with
// `error` set when it cannot, also when why_not_writable() refuses the path.
bool write_cp1251_lines(const QString& path, const QStringList& lines, QString* error = nullptr);
// Reads a Windows-1251 text file of at most `max_bytes` (a regular file, opened
// without blocking: see open_regular_file); lines may end in CR LF, LF or CR.
// False when the file cannot be read.
bool read_cp1251_lines(const QString& path, qint64 max_bytes, QStringList* lines,
                       QString* error = nullptr);

#pragma once
// Windows-1251 text files: written whole or not at all, read line by line,
// appended record by record with each record on disk before the call returns.
#include <QByteArray>
#include <QString>
#include <QStringList>

// Why `path` cannot be written whole, or empty when it can: what is there must
// be a regular file (a pipe or a device would be replaced by one), a new name
// one the system takes, in a folder we may write.  Leaves nothing behind; for
// checking before anything is sent for the file's contents.
QString why_not_writable(const QString& path);
// Writes the lines, each followed by CR LF, whole or not at all (a temporary
// file renamed into place).  False with `error` set when it cannot, also when
// why_not_writable() refuses the path.
bool write_cp1251_lines(const QString& path, const QStringList& lines, QString* error = nullptr);
// Reads a Windows-1251 text file of at most `max_bytes` (a regular file, opened
// without blocking: see open_regular_file); lines may end in CR LF, LF or CR.
// False when the file cannot be read.
bool read_cp1251_lines(const QString& path, qint64 max_bytes, QStringList* lines,
                       QString* error = nullptr);
// Appends bytes and makes sure they are on disk before returning; on failure
// the file is cut back to its old length (all of the bytes or none).
bool append_and_sync(const QString& path, const QByteArray& bytes, QString* error = nullptr);

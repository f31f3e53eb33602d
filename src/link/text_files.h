#pragma once
// Windows-1251 text files: written whole or not at all, read line by line,
// appended record by record with each record on disk before the call returns.
#include <QByteArray>
#include <QString>
#include <QStringList>

// Writes the lines, each followed by CR LF, whole or not at all (a temporary
// file renamed into place).  False with `error` set when it cannot.
bool write_cp1251_lines(const QString& path, const QStringList& lines, QString* error = nullptr);
// Reads a Windows-1251 text file; lines may end in CR LF, LF or CR.  False when
// the file cannot be read.
bool read_cp1251_lines(const QString& path, QStringList* lines, QString* error = nullptr);
// Appends bytes and makes sure they are on disk before returning; on failure
// the file is cut back to its old length (all of the bytes or none).
bool append_and_sync(const QString& path, const QByteArray& bytes, QString* error = nullptr);

#pragma once
// Windows-1251 text, the code page of every file the program writes and reads
// (run log, table and calibration files, manifest).  Our own table keeps the
// program independent of which codecs the Qt build carries.
#include <QByteArray>
#include <QString>
#include <QStringList>

// Characters without a Windows-1251 code become '?'.
QByteArray to_cp1251(const QString& text);
QString from_cp1251(const QByteArray& bytes);

// The lines in Windows-1251, each followed by CR LF.
QByteArray cp1251_lines(const QStringList& lines);
// Text split into lines ending in CR LF, LF or CR; a last line without an end
// counts, an empty one after the last end does not.
QStringList split_lines(const QString& text);

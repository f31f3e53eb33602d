#pragma once
// "читать из файла": steps through a telematics server's log and shows each
// sensor answer in it as if it had come over the local line.
#include <QString>

struct Configurator;

inline const QString kNoSuchFile = QStringLiteral("Нет такого файла");
inline const QString kNextRecord = QStringLiteral("след. запись");
inline const QString kNoMoreRecords = QStringLiteral("больше записей нет");
// Said when a port has been opened while the log is being read: live
// answers would overwrite the replayed ones at once.
inline const QString kReadingStopped = QStringLiteral("Порт открыт: чтение из файла прервано");

// The `rdf` button.  One replayed answer per "след. запись" box; the port and
// the run log are left alone.
void rdf_Click(Configurator& c);

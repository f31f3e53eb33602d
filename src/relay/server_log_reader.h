#pragma once
// "читать из файла": steps through a telematics server's log and shows each
// sensor answer in it as if it had come over the local line.
#include <QByteArray>
#include <QString>

#include <functional>

struct Configurator;
class Dialogs;

inline const QString kNoSuchFile =
    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Нет такого файла"));
inline const QString kNextRecord = QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "след. запись"));
inline const QString kNoMoreRecords =
    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "больше записей нет"));
// Said when a port has been opened while the log is being read: live
// answers would overwrite the replayed ones at once.
inline const QString kReadingStopped =
    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Порт открыт: чтение из файла прервано"));

// The `rdf` button.  One replayed answer per "след. запись" box; the port and
// the run log are left alone.
void rdf_Click(Configurator& c);

enum class LogReading { Done, Stopped, Failed };
// Calls `each` with every sensor answer of the server log at `path`, in order,
// until it returns false (Stopped).  The first line is the server's heading.
// A log that cannot be read, holds no line at all, or holds an answer that is
// no hexadecimal is refused with kNoSuchFile (Failed).
LogReading read_server_log(const QString& path, Dialogs& dialogs,
                           const std::function<bool(const QByteArray& answer)>& each);

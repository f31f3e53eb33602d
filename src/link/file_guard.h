#pragma once
// Opening a file the user named, before anything is read from it: only a
// regular file within its size limit is opened.  The name may stand for a
// named pipe or a device (/dev/zero, a FIFO whose writer never comes); a plain
// open() of those blocks or reads for ever, so the file is opened without
// blocking and its kind and size are taken from what was opened.
#include <QFile>
#include <QString>

// Opens `path` read-only into `file` when it is a regular file of at most
// `max_bytes` bytes.  Otherwise returns false with the reason for the user in
// `why` ("файл не найден", "это не файл", "файл больше N байт", ...) and
// leaves `file` closed.  Never waits for a pipe's writer or a device.
bool open_regular_file(const QString& path, qint64 max_bytes, QFile& file, QString* why);

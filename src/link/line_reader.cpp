#include "link/line_reader.h"

#include "link/file_guard.h"

bool LineReader::open() {
    return open_regular_file(path_, kMaxFile, file_, nullptr);
}

LineReader::Status LineReader::next(QByteArray* line) {
    line->clear();
    if (file_.atEnd()) return file_.error() == QFileDevice::NoError ? Status::End : Status::Failed;
    // readLine stops after kMaxLine - 1 bytes or at a line end, whichever comes first.
    QByteArray chunk = file_.readLine(kMaxLine);
    if (chunk.isEmpty() && file_.error() != QFileDevice::NoError) return Status::Failed;
    bool ended = chunk.endsWith('\n');
    *line = chunk;
    while (!ended && !file_.atEnd()) {
        chunk = file_.readLine(kMaxLine);
        if (chunk.isEmpty())
            return file_.error() == QFileDevice::NoError ? Status::Line : Status::Failed;
        ended = chunk.endsWith('\n');
    }
    if (line->endsWith('\n')) line->chop(1);
    if (line->endsWith('\r')) line->chop(1);
    return Status::Line;
}

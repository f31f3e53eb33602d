#include "protocol/server_log.h"

std::optional<QString> server_log_answer(const QString& line) {
    const qsizetype q = line.indexOf(QLatin1String("485="));
    if (q < 0) return std::nullopt;
    // The second character of the answer must be the "E" of 3E; a line with
    // another count of characters after the marker is not an answer.
    const qsizetype answer = q + 7;
    if (answer + 1 >= line.size() || line[answer + 1] != u'E') return std::nullopt;
    return line.mid(answer);
}

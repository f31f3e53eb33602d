#include "protocol/watch_row.h"

#include <QStringList>

#include <optional>

namespace {
template <class T> QString cell(const std::optional<T>& v) {
    return v ? QString::number(*v) : QString();
}
} // namespace

QString watch_row(const StateReply& r, const QDateTime& time) {
    const QString when = time.isValid() ? time.toString(Qt::ISODate) : QString();
    return QStringList{
        when,          cell(r.address),     cell(r.level),        cell(r.current),
        cell(r.empty), cell(r.full),        cell(r.temperature),  cell(r.coefficient),
        cell(r.mode),  cell(r.alarm_level), cell(r.extended_mode)}
        .join(u',');
}

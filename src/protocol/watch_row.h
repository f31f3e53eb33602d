#pragma once
// The CSV of `watch` (and of replayed state answers): a header, then one row
// per state reply.
#include "protocol/replies.h"

#include <QDateTime>
#include <QString>

inline const QString kWatchHeader = QStringLiteral(
    "time,address,level,current,empty,full,temperature,coefficient,mode,alarm,extended");

// A row for `reply`; `time` is left empty when invalid (an answer taken from
// a log has no time of ours).  Fields the reply does not carry stay empty.
QString watch_row(const StateReply& reply, const QDateTime& time);

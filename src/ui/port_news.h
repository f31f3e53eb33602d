#pragma once
// What the user is told when the open port goes away and when it is back
// (the window's status line, the run log, an unattended run's stderr).
#include "i18n/language.h"

#include <QString>

inline const char* const kPortLost =
    QT_TRANSLATE_NOOP("Messages", "Порт %1 потерян, ожидание его возвращения…");
inline const char* const kPortBack = QT_TRANSLATE_NOOP("Messages", "Порт %1 снова открыт");

inline QString port_lost_text(const QString& item) {
    return fill_text(kPortLost, {item});
}

inline QString port_back_text(const QString& item) {
    return fill_text(kPortBack, {item});
}

// The loss that `text` says is over, or empty when it says no return.
inline QString loss_ended_by(const QString& text) {
    const QStringList parts = QString::fromUtf8(kPortBack).split(QStringLiteral("%1"));
    const QString head = parts.value(0), tail = parts.value(1);
    if (!text.startsWith(head) || !text.endsWith(tail)) return {};
    return port_lost_text(text.mid(head.size(), text.size() - head.size() - tail.size()));
}

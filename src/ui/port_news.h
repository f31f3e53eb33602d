#pragma once
// What the user is told when the open port goes away and when it is back
// (the window's status line, the run log, an unattended run's stderr).
#include <QString>

inline QString port_lost_text(const QString& item) {
    return QStringLiteral("Порт ") + item + QStringLiteral(" потерян, ожидание его возвращения…");
}

inline QString port_back_text(const QString& item) {
    return QStringLiteral("Порт ") + item + QStringLiteral(" снова открыт");
}

// The loss that `text` says is over, or empty when it says no return.
inline QString loss_ended_by(const QString& text) {
    const QString head = QStringLiteral("Порт "), tail = QStringLiteral(" снова открыт");
    if (!text.startsWith(head) || !text.endsWith(tail)) return {};
    return port_lost_text(text.mid(head.size(), text.size() - head.size() - tail.size()));
}

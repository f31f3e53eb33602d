#pragma once
// The main window's status line: shows what the program says through a
// StatusHold, so a refusal stays readable, and gives the refused control the
// reason as its tooltip (shown at once beside it) while it is held.
#include "ui/status_hold.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

class QLabel;
class QTimer;
class QWidget;

class StatusLine : public QObject {
    Q_OBJECT
public:
    // `window` holds the controls whose use counts as an operation; call
    // before anything else connects to their clicks, so that an operation
    // starts before its own refusal arrives.
    StatusLine(QWidget* window, QLabel* label);

    void said(const QString& text, Colour colour);
    const StatusHold& hold() const { return hold_; }

private:
    void operated(const QString& name);
    void show();

    StatusHold hold_;
    QElapsedTimer clock_;
    QLabel* label_;
    QWidget* window_;
    QTimer* timer_;
    QPointer<QWidget> marked_;
    QString marked_tip_;
};

#pragma once
// What the status line shows.  The exchange cycle rewrites the line every
// second ("Датчик подключен"), which wiped a refusal before it could be read;
// a refusal or failure stays shown until the user starts the next operation
// or kHoldMs have passed, and names the control that asked for it.
#include "ui/controls.h"

#include <QString>

#include <cstdint>

class StatusHold {
public:
    static constexpr int64_t kHoldMs = 10000;
    struct Line {
        QString text;
        Colour colour = kButtonText;
    };

    // The program set the line; `now_ms` is any monotonic clock.
    void said(int64_t now_ms, const QString& text, Colour colour);
    // The user started an operation with the control `name`.
    void operated(int64_t now_ms, const QString& name);
    // Time passed; true when the shown line changed.
    bool tick(int64_t now_ms);

    const Line& shown() const { return held_ ? failure_ : latest_; }
    bool holding() const { return held_; }
    // The control the held failure answers, empty when it answers none.
    const QString& refused() const { return refused_; }
    // Refusals and failures: red, or a request refused before it went out.
    static bool is_failure(const QString& text, Colour colour);

private:
    Line latest_;
    Line failure_;
    bool held_ = false;
    int64_t held_since_ = 0;
    QString operated_;
    int64_t operated_at_ = 0;
    QString refused_;
};

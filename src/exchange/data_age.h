#pragma once
// How old the live values are.  They are fresh while every tick hears the
// selected sensor's state; a tick without an answer, a change of address or a
// closed port makes them stale until the next state reply.  The window greys
// stale values and says how old they are; the status line keeps its own texts.
#include <QDateTime>
#include <QString>

#include <functional>

struct Configurator;

class DataAge {
public:
    bool stale() const { return stale_; }
    // When the last state reply was heard; invalid before the first one and
    // after a change of address or port.
    const QDateTime& heard_at() const { return heard_at_; }
    // What the window shows beside stale values; empty while they are fresh.
    QString note(const QDateTime& now) const;

    void heard(const QDateTime& at);
    void missed();
    // A new sensor or no line: the old values are not its values.
    void forget();

    // Runs on every change of stale().
    std::function<void()> on_change;

private:
    void set_stale(bool s);
    bool stale_ = true;
    QDateTime heard_at_;
};

// Lets `c.data_age` follow the exchange: state replies, unanswered ticks,
// address changes, the port opened and closed.  Call after wire_exchange and
// wire_connection.
void wire_data_age(Configurator& c);

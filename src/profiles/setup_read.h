#pragma once
// Reading a sensor's setup, the same in the window and on the terminal:
// identity, state and, when asked for and the firmware has one, the table,
// one request at a time, the driver sending each and handing back its reply.
#include "profiles/profile_plan.h"

class SetupRead {
public:
    SetupRead(uint8_t address, bool with_table);

    struct Step {
        QByteArray request;
        uint8_t code = 0; // the reply that answers it
        QString record;   // the run-log record that goes before it, if any
    };
    // The request to send now; none once the setup is read.
    std::optional<Step> next() const;
    // The reply to next(), already known to carry its code.
    void take(const QByteArray& reply);
    // Replies taken so far.
    int taken() const { return taken_; }
    // The setup, or what is wrong with the replies.
    Result<SensorSetup> result() const;

private:
    uint8_t address_;
    bool with_table_;
    int taken_ = 0;
    QByteArray identity_, state_, table_;
};

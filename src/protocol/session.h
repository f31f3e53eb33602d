#pragma once
// Talking to one sensor without a window: send a request, get the typed reply
// or an error.  For code that runs off the exchange cycle (the command-line
// tool, the firmware worker); it blocks its caller.
#include "protocol/replies.h"
#include "protocol/result.h"

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <functional>
#include <optional>

class SerialPort;

class Session {
public:
    // How long a sensor has to answer.  The exchange cycle gives it a whole
    // second; a session gives it the same, but ends as soon as a complete
    // frame is there.
    static constexpr int kAnswerMs = 1000;

    explicit Session(SerialPort& port) : port_(port) {}

    // Every frame sent and every answer received, for a transcript or a log.
    std::function<void(const QByteArray& sent)> on_sent;
    std::function<void(const QByteArray& received)> on_received;

    // Sends `request` and reads until a frame with a good CRC is there, or the
    // answer time has passed.  Errors: WriteFailed, NoAnswer, and for what
    // did arrive NotFramed or BadCrc.
    Result<QByteArray> exchange(const QByteArray& request);

    // As exchange(), and the reply must carry `expected_code`.  A refusal
    // comes back as WrongPassword or FrequencyMode, anything else as
    // UnexpectedCode.
    Result<QByteArray> ask(const QByteArray& request, uint8_t expected_code);

    // The network scan: one byte per sensor, in the order they came.
    Result<QList<uint8_t>> scan();
    Result<IdentityReply> read_identity(uint8_t address);
    Result<StateReply> read_state(uint8_t address);
    Result<CalibrationTable> read_table(uint8_t address);

private:
    QByteArray collect(bool until_frame);
    std::optional<Error> lost() const;

    SerialPort& port_;
};

// The text a user reads for an error of a sensor exchange.
QString describe(const Error& error, uint8_t address);

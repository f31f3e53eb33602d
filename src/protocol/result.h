#pragma once
// Errors as values: what went wrong, as a kind code can act on and a text
// the user can read.  Nothing in the protocol layer shows or logs anything.
#include <QString>

#include <optional>
#include <utility>

enum class ErrorKind {
    OutOfRange,     // a value the encoding cannot carry
    BadInput,       // text that is not what it should be (hex, a number, a file)
    ShortReply,     // fewer bytes than the reply's layout needs
    NotFramed,      // no reply start byte
    BadCrc,         // the CRC byte does not match
    UnexpectedCode, // a reply to something else
    NoAnswer,       // nothing came back in time
    WrongPassword,  // the sensor refused: password not presented
    FrequencyMode,  // the sensor is in frequency output mode
    WriteFailed,    // the port took fewer bytes than asked
    PortClosed,     // no port to talk through
    Cancelled,      // the caller gave up
};

struct Error {
    ErrorKind kind;
    QString text;
};

// A value or the error that kept it from being made.
template <class T> class Result {
public:
    Result(T value) : value_(std::move(value)) {}
    Result(Error error) : error_(std::move(error)) {}

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const { return *value_; }
    T& value() { return *value_; }
    const T& operator*() const { return *value_; }
    const T* operator->() const { return &*value_; }
    // Only meaningful when !ok().
    const Error& error() const { return error_; }

private:
    std::optional<T> value_;
    Error error_{ErrorKind::BadInput, {}};
};

#pragma once
// Line settings text such as "19200,n,8,1", parsed once for the real port
// and the simulated one.
#include <QString>

#include <cstdint>
#include <optional>

struct LineSettings {
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };

    int32_t baud = 19200;
    Parity parity = Parity::None;
    int data_bits = 8;
    StopBits stop_bits = StopBits::One;

    // What the sensors speak: 19200 baud, 8 data bits, no parity, 1 stop bit.
    bool is_sensor_line() const {
        return baud == 19200 && parity == Parity::None && data_bits == 8 &&
               stop_bits == StopBits::One;
    }
};

inline const QString kSensorLineSettings = QStringLiteral("19200,n,8,1");

// Baud, parity (n e o m s, either case), data bits 5-8, stop bits 1, 1.5 or 2,
// separated by commas; blanks around each field are allowed.  Nothing when
// the text does not say all four.
std::optional<LineSettings> parse_line_settings(const QString& text);

#pragma once
// The numeric input rule shared by every operation, and decimal display.
//
// A number is: optional blanks, an optional sign (+ or -), digits with at most
// one decimal separator (the system's, or "."), optional blanks.  No exponents,
// no digit grouping.  It is rounded to the nearest whole number, halves to
// even (2.5 -> 2, 3.5 -> 4, -0.5 -> 0).  Anything else is not a number.
#include <QLocale>
#include <QString>

#include <cstdint>
#include <optional>

std::optional<int64_t> parse_whole_number(const QString& text,
                                          const QLocale& locale = QLocale::system());

inline bool fits_byte(int64_t v) {
    return v >= 0 && v <= 255;
}
inline bool fits_int16(int64_t v) {
    return v >= -32768 && v <= 32767;
}
inline bool fits_int32(int64_t v) {
    return v >= INT32_MIN && v <= INT32_MAX;
}

// Rounds half to even, as the program's arithmetic does everywhere.
int64_t round_half_even(double v);

// A value with its fraction, in the system's decimal separator, without digit
// grouping: 3.96 -> "3,96" under a Russian locale.
QString decimal_text(double v, const QLocale& locale = QLocale::system());

#pragma once
// What every fuzz target shares: a broken invariant stops the run at once, and
// the input as text in the forms the parsers see.
#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>

// A check that survives release builds: says which invariant broke, then
// traps, and libFuzzer saves the input.
#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "broken invariant at %s:%d: %s\n", __FILE__, __LINE__, #cond);    \
            __builtin_trap();                                                                      \
        }                                                                                          \
    } while (0)

inline QByteArray fuzz_bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}
// Input as UTF-8 text (invalid sequences become U+FFFD, as Qt reads them).
inline QString fuzz_text(const uint8_t* data, size_t size) {
    return QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

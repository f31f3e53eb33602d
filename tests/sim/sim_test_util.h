#pragma once
// Small helpers shared by the simulated-line tests: request frames as the
// configurator builds them, and a plain POSIX client for pseudo-terminals.
#include "protocol/codes.h"
#include "protocol/frame_codec.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <initializer_list>

inline QByteArray bytes(std::initializer_list<int> list) {
    QByteArray b;
    for (int v : list) b.append(static_cast<char>(v));
    return b;
}

inline QByteArray hex(const char* h) {
    return QByteArray::fromHex(h);
}

// A request as the configurator sends it to a sensor of `version`: the
// trailer after the command byte when the request changes the sensor and the
// version wants it, then the payload and the CRC.
inline QByteArray request(uint8_t address, uint8_t cmd, int version, const QByteArray& payload = {},
                          bool changing = true) {
    QByteArray f = bytes({kRequestStart, address, cmd});
    if (changing && needs_trailer(version)) f.append(write_trailer());
    f.append(payload);
    return Control_summ(f);
}

inline QByteArray read_request(uint8_t address, uint8_t cmd) {
    return request(address, cmd, 0, {}, false);
}

inline uint8_t at(const QByteArray& b, int position) { // 1-based, as the protocol counts
    return static_cast<uint8_t>(b[position - 1]);
}

inline uint32_t le(const QByteArray& b, int position, int width) {
    uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i) v = (v << 8) | at(b, position + i);
    return v;
}

// A client that opens a serial device with open(), sets it raw and talks with
// write() and read(); no Qt in the way.
class PosixClient {
public:
    explicit PosixClient(const QString& path);
    ~PosixClient();
    bool ok() const { return fd_ >= 0; }
    // Writes `frame` and collects what comes back until `quiet_ms` pass
    // without a byte or `total_ms` in all.
    QByteArray exchange(const QByteArray& frame, int quiet_ms = 60, int total_ms = 1500);
    QByteArray read_for(int quiet_ms, int total_ms);
    // What the last read or write reported: true once the line has failed.
    bool failed() const { return failed_; }
    ssize_t write_raw(const QByteArray& data);

private:
    int fd_ = -1;
    bool failed_ = false;
};

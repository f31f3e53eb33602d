#include "protocol/frame_codec.h"

uint8_t crc(uint8_t data, uint8_t& running) {
    static constexpr uint8_t bit_constant[8] = {0x5E, 0xBC, 0x61, 0xC2, 0x9D, 0x23, 0x46, 0x8C};
    const uint8_t f = data ^ running;
    uint8_t result = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (f & (1u << bit)) result ^= bit_constant[bit];
    running = result;
    return result;
}

uint8_t crc8(const QByteArray& bytes) {
    uint8_t running = 0;
    for (char c : bytes) crc(static_cast<uint8_t>(c), running);
    return running;
}

QByteArray Control_summ(const QByteArray& request) {
    QByteArray frame = request;
    frame.append(static_cast<char>(crc8(request)));
    return frame;
}

bool reply_crc_ok(const QByteArray& reply) {
    if (reply.isEmpty()) return false;
    return crc8(reply.left(reply.size() - 1)) == static_cast<uint8_t>(reply.back());
}

QByteArray Long_to_string(uint32_t value) {
    QByteArray out(4, '\0');
    for (int i = 3; i >= 0; --i) {
        out[i] = static_cast<char>(value % 256);
        value /= 256;
    }
    return out;
}

namespace {
int hex_value(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    return -1;
}
bool is_blank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}
} // namespace

std::optional<QByteArray> parse_hex(const QString& text) {
    QByteArray out;
    int acc = 0;
    bool high = true;
    for (QChar c : text) {
        if (is_blank(c)) continue;
        const int v = hex_value(c);
        if (v < 0) return std::nullopt;
        if (high)
            acc = v * 16;
        else
            out.append(static_cast<char>(acc + v));
        high = !high;
    }
    return out;
}

std::optional<uint32_t> read_be(const QByteArray& bytes, int pos, int width) {
    if (pos < 1 || width < 1 || width > 4 || pos + width - 1 > bytes.size()) return std::nullopt;
    uint32_t v = 0;
    for (int k = 0; k < width; ++k) v = v << 8 | uint8_t(bytes[pos - 1 + k]);
    return v;
}

std::optional<uint32_t> read_le(const QByteArray& bytes, int pos, int width) {
    if (pos < 1 || width < 1 || width > 4 || pos + width - 1 > bytes.size()) return std::nullopt;
    uint32_t v = 0;
    for (int k = width - 1; k >= 0; --k) v = v << 8 | uint8_t(bytes[pos - 1 + k]);
    return v;
}

QString to_hex(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

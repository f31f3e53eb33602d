// Frame codec and hexadecimal text: CRC, envelope, byte readers, parse_hex and
// to_hex, each against a small reference or its own inverse.
#include "fuzz_support.h"

#include "protocol/frame_codec.h"

namespace {

// Bitwise Dallas/Maxim CRC-8, written out apart from the codec's table-free step.
uint8_t reference_crc8(const QByteArray& bytes) {
    uint8_t c = 0;
    for (char ch : bytes) {
        uint8_t b = uint8_t(ch);
        for (int i = 0; i < 8; ++i) {
            const bool mix = ((c ^ b) & 1) != 0;
            c >>= 1;
            if (mix) c ^= 0x8C;
            b >>= 1;
        }
    }
    return c;
}

int hex_value(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// parse_hex as its header describes it.
std::optional<QByteArray> reference_parse_hex(const QString& text) {
    QByteArray out;
    int high = -1;
    for (QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n') continue;
        const int v = hex_value(c);
        if (v < 0) return std::nullopt;
        if (high < 0) {
            high = v;
        } else {
            out.append(char(high * 16 + v));
            high = -1;
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzz_bytes(data, size);

    // CRC: the codec against the reference, the envelope verifies, one flipped
    // bit in the last byte is always seen.
    FUZZ_CHECK(crc8(bytes) == reference_crc8(bytes));
    const QByteArray framed = Control_summ(bytes);
    FUZZ_CHECK(framed.size() == bytes.size() + 1 && framed.startsWith(bytes));
    FUZZ_CHECK(reply_crc_ok(framed));
    QByteArray spoilt = framed;
    spoilt[spoilt.size() - 1] = char(spoilt.back() ^ (1 << (size % 8)));
    FUZZ_CHECK(!reply_crc_ok(spoilt));
    FUZZ_CHECK(reply_crc_ok(bytes) ==
               (!bytes.isEmpty() && crc8(bytes.chopped(1)) == uint8_t(bytes.back())));

    // Byte readers: inside the array they agree with each other read backwards,
    // outside it they give nothing.
    if (size >= 2) {
        const int pos = 1 + data[0] % 8;
        const int width = 1 + data[1] % 4;
        const auto be = read_be(bytes, pos, width);
        const auto le = read_le(bytes, pos, width);
        const bool inside = pos - 1 + width <= bytes.size();
        FUZZ_CHECK(be.has_value() == inside && le.has_value() == inside);
        if (inside) {
            uint32_t b = 0, l = 0;
            for (int k = 0; k < width; ++k) {
                b = (b << 8) | uint8_t(bytes[pos - 1 + k]);
                l |= uint32_t(uint8_t(bytes[pos - 1 + k])) << (8 * k);
            }
            FUZZ_CHECK(*be == b && *le == l);
        }
        uint32_t v = 0;
        for (size_t k = 0; k < 4 && k < size; ++k) v = (v << 8) | data[k];
        v &= 0x7FFFFFFF;
        const QByteArray four = Long_to_string(v);
        FUZZ_CHECK(four.size() == 4 && read_be(four, 1, 4) == v);
    }

    // Hexadecimal: the bytes written out read back the same; any text parses
    // as the reference says, and what it gives writes out again as its digits.
    const QString hex = to_hex(bytes);
    FUZZ_CHECK(hex.size() == (bytes.isEmpty() ? 0 : 3 * bytes.size() - 1));
    FUZZ_CHECK(parse_hex(hex) == bytes);
    const QString text = fuzz_text(data, size);
    const auto parsed = parse_hex(text);
    FUZZ_CHECK(parsed == reference_parse_hex(text));
    if (parsed) FUZZ_CHECK(parse_hex(to_hex(*parsed)) == parsed);
    const QString latin = QString::fromLatin1(bytes);
    FUZZ_CHECK(parse_hex(latin) == reference_parse_hex(latin));
    return 0;
}

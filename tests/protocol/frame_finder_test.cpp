// Frames found in a line's bytes by structure and CRC, however the bytes are
// split on their way in; what each is, in words.
#include "protocol/frame_codec.h"
#include "protocol/frame_finder.h"

#include "../support/qt_printers.h"

#include <gtest/gtest.h>

namespace {
QByteArray frame(const char* hex_without_crc) {
    return Control_summ(QByteArray::fromHex(hex_without_crc));
}

// Level 812, 21 °C, then raw, empty, full, coefficient; `extra` bytes of
// configuration (0 to 3).
QByteArray state(int extra) {
    const QByteArray hex =
        QByteArray("3E05F0152C03") + QByteArray(28, '1') + QByteArray("000102").left(extra * 2);
    return frame(hex.constData());
}

// A 24-byte state reply whose first 21 bytes happen to end in their own CRC.
QByteArray tricky_state() {
    QByteArray b = state(3).chopped(1);
    b[20] = char(crc8(b.left(20)));
    return Control_summ(b);
}

struct Expect {
    FrameKind kind;
    QByteArray bytes;
};
} // namespace

TEST(FrameFinder, CutsAStreamHoweverItComes) {
    const std::vector<Expect> expected = {
        {FrameKind::Noise, QByteArray::fromHex("0011")},
        {FrameKind::Request, frame("3105F0")},
        {FrameKind::Reply, state(3)},
        {FrameKind::Reply, tricky_state()},
        {FrameKind::Request, frame("310CF55AC396")}, // with the write trailer
        {FrameKind::Reply, state(0)},                // an old sensor's short state reply
        {FrameKind::Request, frame("31FF")},         // the scan
        {FrameKind::Noise, QByteArray::fromHex("050C")},
        {FrameKind::Reply, frame("3E05FD")},
        {FrameKind::Request, frame("3105F208")},         // mode without the trailer
        {FrameKind::Noise, QByteArray::fromHex("3E05")}, // a reply cut short
        {FrameKind::Reply, frame("3E05EE0F")},
        {FrameKind::Reply, frame("3E0CF2011A")}, // a mode reply with the extended byte
    };
    QByteArray stream;
    for (const Expect& e : expected) stream += e.bytes;
    const std::vector<int> chunks[] = {{int(stream.size())}, {1}, {3}, {7, 2}, {23, 1, 5}};
    for (const auto& sizes : chunks) {
        FrameFinder finder;
        std::vector<LineFrame> got;
        int64_t t = 0;
        for (qsizetype at = 0, i = 0; at < stream.size(); ++i) {
            const int n = sizes[size_t(i) % sizes.size()];
            finder.feed(stream.mid(at, n), t, got);
            at += n;
            t += 10'000;
        }
        finder.flush(got);
        ASSERT_EQ(got.size(), expected.size()) << sizes[0];
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].kind, expected[i].kind) << i << " " << sizes[0];
            EXPECT_EQ(got[i].bytes, expected[i].bytes) << i << " " << sizes[0];
        }
    }
}

TEST(FrameFinder, SaysWhatAFrameIs) {
    const struct {
        FrameKind kind;
        QByteArray bytes;
        const char* text;
    } rows[] = {
        {FrameKind::Request, frame("3105F0"), "запрос 5: состояние"},
        {FrameKind::Request, frame("31FF"), "запрос: поиск датчиков"},
        {FrameKind::Reply, state(3), "ответ 5: уровень 812, 21 °C"},
        {FrameKind::Reply, frame("3E0CFC18277001B000"), "ответ 12: С/Н 24127256, версия 1.7.6."},
        {FrameKind::Reply, frame("3E05FE01F4"), "ответ 5: частотный режим, 500 Гц"},
        {FrameKind::Reply, frame("3E0510"), "ответ 5: код 10"},
        {FrameKind::Noise, QByteArray::fromHex("00"), "шум"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(describe_frame({r.kind, r.bytes, 0}), QString::fromUtf8(r.text)) << r.text;
}

#pragma once
// Frames found in the bytes of a line by their structure: a request starts
// with 0x31, a reply with 0x3E, the command code gives the possible lengths,
// and the CRC-8 decides.  Bytes that make no frame are noise.  For a listener
// that never talks (it cannot know which firmware asked, so a request may or
// may not carry the write trailer) and for the line statistics.
#include <QByteArray>
#include <QString>

#include <climits>
#include <cstdint>
#include <vector>

enum class FrameKind { Request, Reply, Noise };

struct LineFrame {
    FrameKind kind = FrameKind::Noise;
    QByteArray bytes;
    int64_t t_us = 0; // when its first byte came
    bool operator==(const LineFrame&) const = default;
};

// The whole lengths a frame of these first three bytes may have, shortest
// first; empty when no such frame exists.  The scan request (31 FF and its
// CRC) is 3 bytes.
std::vector<int> frame_lengths(uint8_t start, uint8_t address, uint8_t code);

// Whether `bytes` is one whole frame of a possible length with a good CRC.
bool is_whole_frame(const QByteArray& bytes);

// What a frame is, in the engineer's words ("запрос 5: состояние",
// "ответ 5: уровень 812, 21 °C", "шум").
QString describe_frame(const LineFrame& frame);

// Cuts a stream into frames as the bytes come.  A frame is given out once it
// is whole and what follows cannot be more of it (the next frame begins, or
// it has the longest length its code allows); flush() gives out what is left.
class FrameFinder {
public:
    // Bytes kept at most while no frame is found: more is noise anyway.
    static constexpr int kMaxPending = 512;

    // `t_us`: when the last of `bytes` had come.  The ones before it are
    // timed a byte's wire time apart, so a frame in the middle of a chunk
    // gets its own time; times never go back.
    void feed(const QByteArray& bytes, int64_t t_us, std::vector<LineFrame>& out);
    // The line has gone quiet: what is left is cut now.
    void flush(std::vector<LineFrame>& out);
    bool empty() const { return buffer_.isEmpty() && noise_.isEmpty(); }

private:
    // Cuts what can be cut; `final`: nothing more will come.
    void cut(bool final, std::vector<LineFrame>& out);
    void emit_noise(std::vector<LineFrame>& out);

    QByteArray buffer_;
    std::vector<int64_t> times_; // of each byte of buffer_
    QByteArray noise_;
    int64_t noise_t_ = 0;
    int64_t last_t_ = INT64_MIN;
};

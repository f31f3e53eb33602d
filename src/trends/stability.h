#pragma once
// How much the raw reading moves: its spread (largest less smallest) over the
// last few state replies.  Only informs; nothing of the sensor's own
// stability display depends on it.
#include <QString>

#include <cstdint>
#include <deque>

class Stability {
public:
    static constexpr int kDefaultReplies = 10;

    explicit Stability(int replies = kDefaultReplies);

    void add(uint32_t current);
    // A gap in the replies: what came before it is another moment.
    void clear() { recent_.clear(); }

    int replies() const { return replies_; }
    // The last `replies()` readings have come.
    bool ready() const { return int(recent_.size()) == replies_; }
    uint32_t spread() const;
    // Within 1/2500 of the reading, the sensor's own tolerance of 1/5000 either way.
    bool steady() const;
    // "стабильно, разброс 12" / "меняется, разброс 830"; empty until ready.
    QString hint() const;

private:
    int replies_;
    std::deque<uint32_t> recent_;
};

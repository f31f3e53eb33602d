#include "sim/rom_bootloader.h"

namespace {
QByteArray one(uint8_t b) {
    return QByteArray(1, static_cast<char>(b));
}
} // namespace

RomBootloader::RomBootloader() : memory_(static_cast<qsizetype>(kFlashEnd), '\0') {
    // Something that is not the new image, so that a skipped block shows.
    for (uint32_t a = kFlashStart; a < kFlashEnd; ++a)
        memory_[a] = static_cast<char>(0xA5 ^ (a & 0xFF));
    for (uint32_t a = kDataStart; a < kDataEnd; ++a) memory_[a] = static_cast<char>(0x5A);
}

void RomBootloader::restart() {
    state_ = State::WaitSync;
    frame_.clear();
    data_erased_ = false;
}

QByteArray RomBootloader::memory(uint32_t address, int length) const {
    if (address >= static_cast<uint32_t>(memory_.size())) return {};
    return memory_.mid(static_cast<qsizetype>(address), length);
}

void RomBootloader::poke(uint32_t address, const QByteArray& bytes) {
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (address + i < static_cast<uint32_t>(memory_.size())) memory_[address + i] = bytes[i];
}

bool RomBootloader::inside_memory(uint32_t first, uint32_t end) {
    auto inside = [&](uint32_t lo, uint32_t hi) { return first >= lo && end <= hi; };
    return inside(kDataStart, kDataEnd) || inside(kOptionStart, kOptionEnd) ||
           inside(kFlashStart, kFlashEnd);
}

std::vector<RomBootloader::Answer> RomBootloader::hear(const QByteArray& bytes) {
    std::vector<Answer> out;
    for (char c : bytes) {
        if (silent()) break;
        if (std::optional<Answer> a = step(static_cast<uint8_t>(c))) out.push_back(std::move(*a));
    }
    return out;
}

bool RomBootloader::would_answer(const QByteArray& bytes) const {
    RomBootloader probe(*this); // the memory is shared until written, and is not
    probe.probing_ = true;
    return !probe.hear(bytes).empty();
}

std::optional<RomBootloader::Answer> RomBootloader::step(uint8_t b) {
    const Answer ack{one(kAck), 0}, nack{one(kNack), 0};
    switch (state_) {
    case State::Started:
        return std::nullopt;
    case State::WaitSync:
        // Until it has seen the synchronisation byte the part hears nothing else.
        if (b != kSync) return std::nullopt;
        state_ = State::Command;
        return ack;
    case State::Command:
        // A host that missed our acknowledge synchronises again; say yes again.
        if (b == kSync) return ack;
        command_ = b;
        state_ = State::CommandCheck;
        return std::nullopt;
    case State::CommandCheck:
        if (b != static_cast<uint8_t>(~command_)) {
            state_ = State::Command;
            return nack;
        }
        switch (command_) {
        case kCmdErase:
            state_ = State::EraseCode;
            return ack;
        case kCmdRead:
            if (read_protected_) {
                state_ = State::Command;
                return nack;
            }
            [[fallthrough]];
        case kCmdWrite:
            frame_.clear();
            state_ = State::Address;
            return ack;
        case kCmdGo:
            state_ = State::Started;
            return ack;
        default:
            state_ = State::Command;
            return nack;
        }
    case State::EraseCode:
        erase_code_ = b;
        state_ = State::EraseCheck;
        return std::nullopt;
    case State::EraseCheck: {
        state_ = State::Command;
        if (b != static_cast<uint8_t>(~erase_code_)) return nack;
        if (erase_code_ == kEraseAll) {
            for (uint32_t a = kFlashStart; a < kFlashEnd && !probing_; ++a)
                memory_[a] = static_cast<char>(kErased);
            return Answer{one(kAck), kEraseAllUs};
        }
        if (erase_code_ == kEraseData) {
            for (uint32_t a = kDataStart; a < kDataEnd && !probing_; ++a)
                memory_[a] = static_cast<char>(kErased);
            data_erased_ = true;
            return Answer{one(kAck), kEraseDataUs};
        }
        return nack;
    }
    case State::Address: {
        frame_.append(static_cast<char>(b));
        if (frame_.size() < 5) return std::nullopt;
        uint8_t x = 0;
        uint32_t a = 0;
        for (int i = 0; i < 4; ++i) {
            const uint8_t v = static_cast<uint8_t>(frame_[i]);
            x ^= v;
            a = (a << 8) | v;
        }
        frame_.clear();
        if (x != b || !inside_memory(a, a + 1)) {
            state_ = State::Command;
            return nack;
        }
        address_ = a;
        state_ = command_ == kCmdRead ? State::ReadCount : State::DataCount;
        return ack;
    }
    case State::DataCount:
        if (b > 127) { // the part takes at most one 128-byte block at a time
            state_ = State::Command;
            return nack;
        }
        count_ = b + 1;
        frame_ = one(b);
        state_ = State::Data;
        return std::nullopt;
    case State::Data: {
        if (frame_.size() < count_ + 1) {
            frame_.append(static_cast<char>(b));
            return std::nullopt;
        }
        uint8_t x = 0;
        for (char c : frame_) x ^= static_cast<uint8_t>(c);
        state_ = State::Command;
        const uint32_t end = address_ + static_cast<uint32_t>(count_);
        if (x != b || !inside_memory(address_, end) || refuse_at_ == address_) return nack;
        for (int i = 0; i < count_ && !probing_; ++i)
            memory_[address_ + static_cast<uint32_t>(i)] = frame_[1 + i];
        ++frames_written_;
        if (count_ == 128 && silent_after_ > 0) --silent_after_;
        return Answer{one(kAck), count_ == 128 ? kBlockWriteUs : kWordWriteUs};
    }
    case State::ReadCount:
        read_count_ = b;
        state_ = State::ReadCountCheck;
        return std::nullopt;
    case State::ReadCountCheck: {
        state_ = State::Command;
        const int n = read_count_ + 1;
        if (b != static_cast<uint8_t>(~read_count_) ||
            !inside_memory(address_, address_ + static_cast<uint32_t>(n)))
            return nack;
        QByteArray bytes = one(kAck);
        bytes.append(memory(address_, n));
        return Answer{bytes, 0};
    }
    }
    return std::nullopt;
}

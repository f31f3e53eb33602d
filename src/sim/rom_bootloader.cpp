#include "sim/rom_bootloader.h"

RomBootloader::RomBootloader() : memory_(0x10000, '\0') {
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

bool RomBootloader::writable(uint32_t first, uint32_t end) {
    auto inside = [&](uint32_t lo, uint32_t hi) { return first >= lo && end <= hi; };
    return inside(kDataStart, kDataEnd) || inside(kOptionStart, kOptionEnd) ||
           inside(kFlashStart, kFlashEnd);
}

std::vector<RomBootloader::Answer> RomBootloader::hear(const QByteArray& bytes) {
    std::vector<Answer> out;
    for (char c : bytes) {
        bool answered = false;
        const Answer a = step(static_cast<uint8_t>(c), answered);
        if (answered) out.push_back(a);
    }
    return out;
}

RomBootloader::Answer RomBootloader::step(uint8_t b, bool& answered) {
    answered = true;
    const Answer ack{kAck, 0}, nack{kNack, 0};
    switch (state_) {
    case State::Started:
        answered = false;
        return ack;
    case State::WaitSync:
        // Until it has seen the synchronisation byte the part hears nothing else.
        if (b != kSync) {
            answered = false;
            return ack;
        }
        state_ = State::Command;
        return ack;
    case State::Command:
        // A host that missed our acknowledge synchronises again; say yes again.
        if (b == kSync) return ack;
        command_ = b;
        state_ = State::CommandCheck;
        answered = false;
        return ack;
    case State::CommandCheck:
        if (b != static_cast<uint8_t>(~command_)) {
            state_ = State::Command;
            return nack;
        }
        switch (command_) {
        case kCmdErase:
            state_ = State::EraseCode;
            return ack;
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
        answered = false;
        return ack;
    case State::EraseCheck: {
        state_ = State::Command;
        if (b != static_cast<uint8_t>(~erase_code_)) return nack;
        if (erase_code_ == kEraseAll) {
            for (uint32_t a = kFlashStart; a < kFlashEnd; ++a)
                memory_[a] = static_cast<char>(kErased);
            return {kAck, kEraseAllUs};
        }
        if (erase_code_ == kEraseData) {
            for (uint32_t a = kDataStart; a < kDataEnd; ++a)
                memory_[a] = static_cast<char>(kErased);
            data_erased_ = true;
            return {kAck, kEraseDataUs};
        }
        return nack;
    }
    case State::Address: {
        frame_.append(static_cast<char>(b));
        if (frame_.size() < 5) {
            answered = false;
            return ack;
        }
        uint8_t x = 0;
        uint32_t a = 0;
        for (int i = 0; i < 4; ++i) {
            const uint8_t v = static_cast<uint8_t>(frame_[i]);
            x ^= v;
            a = (a << 8) | v;
        }
        frame_.clear();
        if (x != b || !writable(a, a + 1)) {
            state_ = State::Command;
            return nack;
        }
        address_ = a;
        state_ = State::DataCount;
        return ack;
    }
    case State::DataCount:
        if (b > 127) { // the part takes at most one 128-byte block at a time
            state_ = State::Command;
            return nack;
        }
        count_ = b + 1;
        frame_ = QByteArray(1, static_cast<char>(b));
        state_ = State::Data;
        answered = false;
        return ack;
    case State::Data: {
        if (frame_.size() < count_ + 1) {
            frame_.append(static_cast<char>(b));
            answered = false;
            return ack;
        }
        uint8_t x = 0;
        for (char c : frame_) x ^= static_cast<uint8_t>(c);
        state_ = State::Command;
        if (x != b || !writable(address_, address_ + static_cast<uint32_t>(count_))) return nack;
        for (int i = 0; i < count_; ++i)
            memory_[address_ + static_cast<uint32_t>(i)] = frame_[1 + i];
        ++frames_written_;
        return {kAck, count_ == 128 ? kBlockWriteUs : kWordWriteUs};
    }
    }
    answered = false;
    return ack;
}

#pragma once
// The sensor microcontroller's ROM bootloader, as far as the firmware upload
// uses it: synchronisation, erase, write memory, read memory and go, each
// command byte checked by its complement and each address and data frame by
// its XOR.  It reads the bytes as a stream, so a frame may arrive in any
// number of pieces.
#include <QByteArray>

#include <cstdint>
#include <optional>
#include <vector>

class RomBootloader {
public:
    static constexpr uint8_t kSync = 0x7F;
    static constexpr uint8_t kAck = 0x79;
    static constexpr uint8_t kNack = 0x1F;
    static constexpr uint8_t kCmdErase = 0x43;
    static constexpr uint8_t kCmdWrite = 0x31;
    static constexpr uint8_t kCmdRead = 0x11;
    static constexpr uint8_t kCmdGo = 0x21;
    static constexpr uint8_t kEraseAll = 0xFF;  // program memory
    static constexpr uint8_t kEraseData = 0xEE; // data memory: the calibrations

    // Memory map of the part: a 64 KiB flash, so that a 32 KiB program fits
    // above either sensor type's program start.
    static constexpr uint32_t kDataStart = 0x4000, kDataEnd = 0x4400; // 8 blocks
    static constexpr uint32_t kOptionStart = 0x4800, kOptionEnd = 0x4880;
    static constexpr uint32_t kFlashStart = 0x8000, kFlashEnd = 0x18000;
    static constexpr uint8_t kErased = 0x00;

    // How long the part is busy before it answers, in microseconds.
    static constexpr int kEraseAllUs = 30'000;
    static constexpr int kEraseDataUs = 10'000;
    static constexpr int kBlockWriteUs = 8'000; // a whole 128-byte block
    static constexpr int kWordWriteUs = 6'000;  // anything shorter

    struct Answer {
        QByteArray bytes; // an acknowledge or refusal, and after a read the memory
        int busy_us;      // time the part works before it sends them
    };

    RomBootloader();

    // Power-up into the bootloader: waits for the synchronisation byte.  The
    // memory keeps what was written.
    void restart();
    // Bytes heard on the line; the answers, in order.
    std::vector<Answer> hear(const QByteArray& bytes);
    // Whether the part would answer once it has heard `bytes`, without
    // hearing them: it knows its frames by their length, so it needs no pause
    // on the line to tell that one has ended.
    bool would_answer(const QByteArray& bytes) const;
    // True once go has been acknowledged: the part runs its program.
    bool started() const { return state_ == State::Started; }
    bool synchronised() const { return state_ != State::WaitSync && state_ != State::Started; }

    QByteArray memory(uint32_t address, int length) const;
    // For tests: memory changed behind the loader's back.
    void poke(uint32_t address, const QByteArray& bytes);
    bool data_memory_erased() const { return data_erased_; }
    int frames_written() const { return frames_written_; }

    // Faults.  A data frame for `address` is refused (the flash there is
    // worn out) until cleared.
    void refuse_write_at(std::optional<uint32_t> address) { refuse_at_ = address; }
    // The memory is protected against reading: the read command is refused.
    void protect_read(bool on) { read_protected_ = on; }
    // After `blocks` more 128-byte blocks the part answers nothing more, as
    // when its supply fails; negative: never.
    void go_silent_after(int blocks) { silent_after_ = blocks; }
    bool silent() const { return silent_after_ == 0; }

private:
    enum class State {
        WaitSync,
        Command,
        CommandCheck,
        EraseCode,
        EraseCheck,
        Address,
        DataCount,
        Data,
        ReadCount,
        ReadCountCheck,
        Started
    };
    std::optional<Answer> step(uint8_t b);
    static bool inside_memory(uint32_t first, uint32_t end);

    State state_ = State::WaitSync;
    uint8_t command_ = 0;
    uint8_t erase_code_ = 0;
    uint8_t read_count_ = 0;
    QByteArray frame_;
    uint32_t address_ = 0;
    int count_ = 0;
    QByteArray memory_;
    bool data_erased_ = false;
    int frames_written_ = 0;
    std::optional<uint32_t> refuse_at_;
    int silent_after_ = -1;
    bool read_protected_ = false;
    bool probing_ = false; // a copy asked what it would do: the memory stays
};

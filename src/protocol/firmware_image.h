#pragma once
// The firmware image file (*.cri): a 64-byte header, then 128-byte blocks,
// block k holding the memory from 0x4000 + 128 k on.  The first blocks are the
// data memory (the calibrations), the program begins at a block fixed by the
// sensor type and starts with 0x23.  Checked as a whole before an upload
// touches the sensor.
#include "protocol/result.h"

#include <QByteArray>

#include <array>
#include <cstdint>
#include <vector>

// Where the sensor type keeps its program and data memory.
struct FlashLayout {
    int first_program_block;
    uint32_t program_start;
    int data_blocks; // data-memory blocks written with a calibration reset
};
inline constexpr FlashLayout kZorvikLayout{160, 0x9000, 8};
inline constexpr FlashLayout kPelgarLayout{148, 0x8A00, 1};

inline constexpr int kImageHeaderSize = 64;
inline constexpr int kImageBlockSize = 128;
inline constexpr uint32_t kImageBase = 0x4000;      // the address of block 0
inline constexpr uint8_t kProgramMarker = 0x23;     // first byte of the program
inline constexpr qsizetype kImageMaxSize = 1 << 20; // larger is no image of ours

// One byte of the header and where it goes.
struct HeaderByte {
    uint32_t address;
    uint8_t value;
};

// A block an upload writes.  `number` counts from the first program block
// (which is 0; data-memory blocks are negative), as the user is told.
struct ImageBlock {
    int index;
    int number;
    uint32_t address;
    QByteArray data; // always 128 bytes
};

struct FirmwareImage {
    QByteArray header;              // 64 bytes
    std::vector<QByteArray> blocks; // 128 bytes each; a short last one padded with 0x00

    // Header bytes 19 to 22, for 0x4803, 0x4805, 0x4807 and 0x4809.
    std::array<HeaderByte, 4> header_bytes() const;
    // The blocks an upload writes, in order: with `with_data_memory` the
    // data-memory blocks first, then every block from the first program block
    // to the end.  The blocks between are never written.
    std::vector<ImageBlock> blocks_to_write(const FlashLayout& layout, bool with_data_memory) const;
};

// Checks `file` as an image for `layout`: the header and at least the first
// program block must be there, and that block must begin with 0x23.  The
// error text is for the user.
Result<FirmwareImage> parse_firmware_image(const QByteArray& file, const FlashLayout& layout);

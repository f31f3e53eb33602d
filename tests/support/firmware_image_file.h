#pragma once
// Firmware image files for the upload tests: a header with recognisable bytes
// 19 to 22, data-memory and gap blocks, and `program_blocks` blocks from the
// first program block on, the first beginning with 0x23.  `tail` cuts the last
// block short.
#include "protocol/firmware_image.h"

#include <QByteArray>

inline QByteArray firmware_image_file(const FlashLayout& layout, int program_blocks,
                                      int tail = kImageBlockSize) {
    QByteArray file(kImageHeaderSize, '\0');
    for (int i = 19; i <= 22; ++i) file[i] = char(0xA0 + i);
    const int blocks = layout.first_program_block + program_blocks;
    for (int k = 0; k < blocks; ++k) {
        QByteArray block(kImageBlockSize, '\0');
        for (int i = 0; i < kImageBlockSize; ++i) block[i] = char((k * 131 + i * 7 + 3) & 0xFF);
        if (k == layout.first_program_block) block[0] = char(kProgramMarker);
        if (k == blocks - 1) block.truncate(tail);
        file.append(block);
    }
    return file;
}

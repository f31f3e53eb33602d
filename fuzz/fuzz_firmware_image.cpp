// Firmware images and the bootloader frames that carry them.  An image is
// accepted exactly when it is long enough, not too long and its program starts
// with 0x23; its blocks are the file cut in 128 bytes and padded; the blocks an
// upload writes are in order at their addresses.  Written through the
// bootloader frames into the simulated ROM bootloader, a block reads back as it
// was, whatever pieces the bytes arrive in.
//
// Input: a flags byte, the 64 header bytes, then the program; the blocks
// between header and program are filled from the input as well.
#include "fuzz_support.h"

#include "protocol/bootloader.h"
#include "protocol/firmware_image.h"
#include "sim/rom_bootloader.h"

namespace {

uint8_t xor_of(const QByteArray& b) {
    uint8_t x = 0;
    for (char c : b) x ^= uint8_t(c);
    return x;
}

void check_frames(const QByteArray& bytes, uint32_t address) {
    const QByteArray a = bootloader::address_frame(address);
    FUZZ_CHECK(a.size() == 5 && xor_of(a) == 0);
    FUZZ_CHECK(uint32_t(uint8_t(a[0])) << 24 == (address & 0xFF000000u));
    const QByteArray d = bootloader::data_frame(bytes);
    if (bytes.isEmpty() || bytes.size() > bootloader::kMaxWrite) {
        FUZZ_CHECK(d.isEmpty());
    } else {
        FUZZ_CHECK(d.size() == bytes.size() + 2 && uint8_t(d[0]) == bytes.size() - 1);
        FUZZ_CHECK(d.mid(1, bytes.size()) == bytes && xor_of(d) == 0);
    }
    const int count = int(address % 300);
    const QByteArray r = bootloader::read_count_frame(count);
    if (count < 1 || count > bootloader::kMaxRead)
        FUZZ_CHECK(r.isEmpty());
    else
        FUZZ_CHECK(r.size() == 2 && uint8_t(r[0]) == count - 1 && uint8_t(r[0] ^ r[1]) == 0xFF);
}

// Feeds `bytes` to the loader in pieces cut by `cuts`; every answer acknowledges.
bool feed(RomBootloader& rom, const QByteArray& bytes, uint8_t cuts) {
    qsizetype at = 0;
    int k = 0;
    while (at < bytes.size()) {
        const qsizetype n = 1 + ((cuts >> (k++ % 8)) & 1 ? 0 : bytes.size());
        for (const auto& answer : rom.hear(bytes.mid(at, n)))
            if (answer.bytes != QByteArray(1, char(bootloader::kAck))) return false;
        at += n;
    }
    return true;
}

void check_image(const QByteArray& file, const FlashLayout& layout, uint8_t cuts) {
    const qsizetype needed =
        kImageHeaderSize + qsizetype(layout.first_program_block) * kImageBlockSize + 1;
    const auto image = parse_firmware_image(file, layout);
    const bool acceptable = file.size() >= needed && file.size() <= kImageMaxSize &&
                            uint8_t(file[needed - 1]) == kProgramMarker;
    FUZZ_CHECK(image.ok() == acceptable);
    if (!image) {
        FUZZ_CHECK(!image.error().text.isEmpty());
        return;
    }
    FUZZ_CHECK(image->header == file.left(kImageHeaderSize));
    const qsizetype body = file.size() - kImageHeaderSize;
    FUZZ_CHECK(qsizetype(image->blocks.size()) == (body + kImageBlockSize - 1) / kImageBlockSize);
    QByteArray joined;
    for (const QByteArray& b : image->blocks) {
        FUZZ_CHECK(b.size() == kImageBlockSize);
        joined += b;
    }
    FUZZ_CHECK(joined.left(body) == file.mid(kImageHeaderSize));
    FUZZ_CHECK(joined.mid(body).count('\0') == joined.size() - body);
    for (size_t k = 0; k < 4; ++k) FUZZ_CHECK(image->header_bytes()[k].address == 0x4803 + 2 * k);

    const int n = int(image->blocks.size());
    for (bool with_data : {false, true}) {
        const auto blocks = image->blocks_to_write(layout, with_data);
        const int data = with_data ? std::min(layout.data_blocks, n) : 0;
        FUZZ_CHECK(int(blocks.size()) == data + n - layout.first_program_block);
        int last = -1;
        for (const ImageBlock& b : blocks) {
            FUZZ_CHECK(b.index > last && b.number == b.index - layout.first_program_block);
            FUZZ_CHECK(b.address == kImageBase + uint32_t(kImageBlockSize * b.index));
            FUZZ_CHECK(b.data == image->blocks[size_t(b.index)]);
            last = b.index;
        }
        FUZZ_CHECK(blocks[size_t(data)].address == layout.program_start);
        FUZZ_CHECK(uint8_t(blocks[size_t(data)].data[0]) == kProgramMarker);
    }

    // An upload of the first few blocks, with the data memory, through the loader.
    static const RomBootloader fresh; // copies share its memory until written
    RomBootloader rom = fresh;
    QByteArray wire = bootloader::sync() + bootloader::erase_command() + bootloader::erase_data();
    const auto blocks = image->blocks_to_write(layout, true);
    std::vector<const ImageBlock*> sent;
    for (const ImageBlock& b : blocks) {
        if (sent.size() == 3 || b.address + kImageBlockSize > RomBootloader::kFlashEnd) break;
        wire += bootloader::write_command() + bootloader::address_frame(b.address) +
                bootloader::data_frame(b.data);
        sent.push_back(&b);
    }
    FUZZ_CHECK(feed(rom, wire, cuts));
    FUZZ_CHECK(rom.data_memory_erased() && rom.frames_written() == int(sent.size()));
    for (const ImageBlock* b : sent) FUZZ_CHECK(rom.memory(b->address, kImageBlockSize) == b->data);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t flags = data[0];
    const QByteArray input = fuzz_bytes(data + 1, size - 1);
    uint32_t address = 0;
    for (size_t k = 1; k < 5 && k < size; ++k) address = address << 8 | data[k];
    check_frames(input.left(160), address);

    const FlashLayout& layout = (flags & 1) ? kPelgarLayout : kZorvikLayout;
    // The file as it came, and built around it to reach the program check.
    check_image(input, layout, flags);
    const QByteArray header = input.left(kImageHeaderSize).leftJustified(kImageHeaderSize, '\xFF');
    QByteArray filler = input.mid(kImageHeaderSize, 256);
    if (filler.isEmpty()) filler = QByteArray(1, '\x5A');
    QByteArray middle;
    const qsizetype middle_size = qsizetype(layout.first_program_block) * kImageBlockSize;
    while (middle.size() < middle_size) middle += filler;
    middle.truncate(middle_size);
    QByteArray program = input.mid(kImageHeaderSize + 256);
    if (flags & 2) program.prepend(char(kProgramMarker));
    check_image(header + middle + program, layout, flags);
    return 0;
}

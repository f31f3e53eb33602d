#include "protocol/firmware_image.h"
#include "i18n/language.h"

// Erased flash reads 0x00 on this part, so padding with it writes nothing new.
static constexpr char kPad = '\0';

std::array<HeaderByte, 4> FirmwareImage::header_bytes() const {
    std::array<HeaderByte, 4> out{};
    for (int i = 0; i < 4; ++i)
        out[size_t(i)] = {0x4803u + 2u * uint32_t(i), uint8_t(header.at(19 + i))};
    return out;
}

std::vector<ImageBlock> FirmwareImage::blocks_to_write(const FlashLayout& layout,
                                                       bool with_data_memory) const {
    std::vector<ImageBlock> out;
    for (int k = 0; k < int(blocks.size()); ++k) {
        const bool data = with_data_memory && k < layout.data_blocks;
        if (!data && k < layout.first_program_block) continue;
        out.push_back({k, k - layout.first_program_block,
                       kImageBase + uint32_t(kImageBlockSize) * uint32_t(k), blocks[size_t(k)]});
    }
    return out;
}

Result<FirmwareImage> parse_firmware_image(const QByteArray& file, const FlashLayout& layout) {
    if (file.size() > kImageMaxSize)
        return Error{ErrorKind::BadInput,
                     QString::fromUtf8(
                         QT_TRANSLATE_NOOP("Messages", "Файл слишком велик для образа прошивки."))};
    const qsizetype needed =
        kImageHeaderSize + qsizetype(layout.first_program_block) * kImageBlockSize + 1;
    if (file.size() < needed)
        return Error{ErrorKind::BadInput,
                     QString::fromUtf8(QT_TRANSLATE_NOOP(
                         "Messages", "Файл короче образа прошивки: в нём нет начала программы."))};
    if (uint8_t(file.at(needed - 1)) != kProgramMarker)
        return Error{ErrorKind::BadInput,
                     QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", " Файл поврежден "))};

    FirmwareImage image;
    image.header = file.left(kImageHeaderSize);
    for (qsizetype at = kImageHeaderSize; at < file.size(); at += kImageBlockSize) {
        QByteArray block = file.mid(at, kImageBlockSize);
        if (block.size() < kImageBlockSize) block.append(kImageBlockSize - block.size(), kPad);
        image.blocks.push_back(block);
    }
    return image;
}

// Bootloader frames and the firmware image file.
#include "protocol/bootloader.h"
#include "protocol/firmware_image.h"

#include "../support/firmware_image_file.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {
QByteArray hex(const char* h) {
    return QByteArray::fromHex(h);
}
} // namespace

TEST(BootloaderFrames, MatchTheirVectors) {
    using namespace bootloader;
    struct Row {
        QByteArray got;
        QByteArray want; // empty: no frame for that input
    };
    const Row rows[] = {
        {bootloader::sync(), hex("7F")},
        {erase_command(), hex("43BC")},
        {erase_program(), hex("FF00")},
        {erase_data(), hex("EE11")},
        {write_command(), hex("31CE")},
        {read_command(), hex("11EE")},
        {go_command(), hex("21DE")},
        {address_frame(0x4000), hex("0000400040")},
        {address_frame(0x9000), hex("0000900090")},
        {address_frame(0x8A00), hex("00008A008A")},
        {address_frame(0x9080), hex("0000908010")},
        {address_frame(0x4803), hex("000048034B")},
        {address_frame(0x4805), hex("000048054D")},
        {address_frame(0x4807), hex("000048074F")},
        {address_frame(0x4809), hex("0000480941")},
        {address_frame(0x12345678), hex("1234567808")},
        {byte_frame(0xB3), hex("00B3B3")},
        {byte_frame(0x00), hex("000000")},
        {data_frame(QByteArray(128, '\0')), hex("7F") + QByteArray(128, '\0') + hex("7F")},
        {data_frame(hex("11223344")), hex("0311223344 47")},
        {data_frame(QByteArray()), {}},
        {data_frame(QByteArray(129, '\1')), {}},
        {read_count_frame(128), hex("7F80")},
        {read_count_frame(1), hex("00FF")},
        {read_count_frame(256), hex("FF00")},
        {read_count_frame(0), {}},
        {read_count_frame(257), {}},
    };
    for (const Row& r : rows) EXPECT_EQ(r.got.toHex(' '), r.want.toHex(' '));
}

TEST(FirmwareImage, OnlyAWholeImageWithItsProgramMarkIsTaken) {
    const QByteArray zorvik = firmware_image_file(kZorvikLayout, 2);
    QByteArray unmarked = zorvik;
    unmarked[kImageHeaderSize + 160 * kImageBlockSize] = '\x24';
    struct Row {
        const char* what;
        QByteArray file;
        FlashLayout layout;
        QString error; // empty: taken
    };
    const QString kShort =
        QStringLiteral("Файл короче образа прошивки: в нём нет начала программы.");
    const Row rows[] = {
        {"empty", {}, kZorvikLayout, kShort},
        {"header only", zorvik.left(kImageHeaderSize), kZorvikLayout, kShort},
        {"no program block", zorvik.left(kImageHeaderSize + 160 * kImageBlockSize), kZorvikLayout,
         kShort},
        {"program mark only",
         zorvik.left(kImageHeaderSize + 160 * kImageBlockSize + 1),
         kZorvikLayout,
         {}},
        {"damaged", unmarked, kZorvikLayout, QStringLiteral(" Файл поврежден ")},
        // A Zorvik image has no program mark where a Pelgar program begins.
        {"other type", zorvik, kPelgarLayout, QStringLiteral(" Файл поврежден ")},
        {"too large", zorvik + QByteArray(kImageMaxSize, '\0'), kZorvikLayout,
         QStringLiteral("Файл слишком велик для образа прошивки.")},
        {"whole", zorvik, kZorvikLayout, {}},
    };
    for (const Row& r : rows) {
        const Result<FirmwareImage> got = parse_firmware_image(r.file, r.layout);
        EXPECT_EQ(got.ok() ? QString() : got.error().text, r.error) << r.what;
    }
}

TEST(FirmwareImage, ShortLastBlockIsPaddedWithErasedFlash) {
    const auto image =
        parse_firmware_image(firmware_image_file(kZorvikLayout, 2, 5), kZorvikLayout);
    ASSERT_TRUE(image.ok());
    ASSERT_EQ(image->blocks.size(), 162u);
    const QByteArray last = image->blocks.back();
    const QByteArray file = firmware_image_file(kZorvikLayout, 2, 5);
    EXPECT_EQ(last, file.right(5) + QByteArray(123, '\0'));
}

TEST(FirmwareImage, BlocksToWriteFollowTheSensorTypeAndTheCalibrationReset) {
    auto plan = [](const FlashLayout& layout, bool reset) {
        const auto image = parse_firmware_image(firmware_image_file(layout, 2), layout);
        QStringList out;
        for (const ImageBlock& b : image->blocks_to_write(layout, reset))
            out.append(QStringLiteral("%1@%2#%3").arg(b.index).arg(b.address, 0, 16).arg(b.number));
        return out.join(u' ');
    };
    EXPECT_EQ(plan(kZorvikLayout, false), "160@9000#0 161@9080#1");
    EXPECT_EQ(plan(kPelgarLayout, false), "148@8a00#0 149@8a80#1");
    // Block 0 at 0x4000, blocks 1 to 147 never written, 148 at 0x8A00.
    EXPECT_EQ(plan(kPelgarLayout, true), "0@4000#-148 148@8a00#0 149@8a80#1");
    EXPECT_EQ(plan(kZorvikLayout, true),
              "0@4000#-160 1@4080#-159 2@4100#-158 3@4180#-157 4@4200#-156 5@4280#-155 "
              "6@4300#-154 7@4380#-153 160@9000#0 161@9080#1");

    const auto image = parse_firmware_image(firmware_image_file(kZorvikLayout, 1), kZorvikLayout);
    QStringList header;
    for (const HeaderByte& h : image->header_bytes())
        header.append(QStringLiteral("%1=%2").arg(h.address, 0, 16).arg(h.value, 0, 16));
    EXPECT_EQ(header.join(u' '), "4803=b3 4805=b4 4807=b5 4809=b6");
}

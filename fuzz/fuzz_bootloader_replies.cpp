// The firmware upload reading the ROM bootloader's replies.  The simulated
// loader hears every frame the upload sends; the input decides, frame by
// frame, whether its honest answer reaches the upload, is lost, is a refusal
// or comes after a stray byte.  With every answer honest the upload is done
// and the memory holds the image; an upload that is not done never starts the
// program; one that is done has written every block.
//
// Input: a flags byte (bit 0 resets the calibrations, bit 1 verifies), then
// one byte per frame the upload sends.
#include "fuzz_support.h"

#include "fake_serial_port.h"
#include "firmware/upload_engine.h"
#include "protocol/bootloader.h"
#include "sim/rom_bootloader.h"

namespace {

class LoaderLine final : public FakeSerialPort {
public:
    void DiscardInput() override { incoming.clear(); }
};

const FirmwareImage& image() {
    static const FirmwareImage image = [] {
        QByteArray file(kImageHeaderSize, '\x11');
        for (int k = 0; k < kPelgarLayout.first_program_block + 2; ++k)
            file += QByteArray(kImageBlockSize, char(k));
        file[kImageHeaderSize + kPelgarLayout.first_program_block * kImageBlockSize] =
            char(kProgramMarker);
        return parse_firmware_image(file, kPelgarLayout).value();
    }();
    return image;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 512) return 0;
    const uint8_t flags = data[0];
    static const RomBootloader fresh;
    RomBootloader rom = fresh;
    LoaderLine port;
    port.set_open(true);
    size_t frame = 0;
    bool altered = false;
    port.responder = [&](const QByteArray& written) -> QByteArray {
        QByteArray honest;
        for (const auto& a : rom.hear(written)) honest += a.bytes;
        const uint8_t how = 1 + frame < size ? data[1 + frame] : 0;
        ++frame;
        switch (how % 8) {
        case 5:
            altered = altered || !honest.isEmpty();
            return QByteArray();
        case 6:
            altered = true;
            return QByteArray(1, char(bootloader::kNack));
        case 7:
            altered = true;
            return QByteArray(1, char(how)) + honest;
        default:
            return honest;
        }
    };

    UploadSettings settings;
    settings.layout = kPelgarLayout;
    settings.reset_calibration = flags & 1;
    settings.verify = flags & 2;
    // Long enough that a busy machine never misses the first attempt; the
    // input runs out of lost answers long before.
    settings.sync_timeout_ms = 2000;
    const std::atomic<bool> cancel{false};
    const UploadOutcome out = run_upload(port, image(), settings, {}, cancel);

    FUZZ_CHECK(out.result != UploadResult::Cancelled);
    if (!altered) FUZZ_CHECK(out.result == UploadResult::Done);
    // The program starts only after a whole upload.
    FUZZ_CHECK(rom.started() == (out.result == UploadResult::Done));
    if (out.result == UploadResult::Done) {
        FUZZ_CHECK(!out.block.has_value());
        for (const ImageBlock& b :
             image().blocks_to_write(kPelgarLayout, settings.reset_calibration))
            FUZZ_CHECK(rom.memory(b.address, kImageBlockSize) == b.data);
        FUZZ_CHECK(rom.data_memory_erased() == settings.reset_calibration);
    }
    // Bounded: a frame a block and a few more, never a runaway.
    FUZZ_CHECK(port.writes.size() < 4096);
    return 0;
}

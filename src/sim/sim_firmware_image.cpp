#include "sim/sim_firmware_image.h"

#include "protocol/firmware_image.h"

#include <QFileInfo>
#include <QSaveFile>

namespace {
constexpr int kProgramBlocks = 24; // 3 KiB of program: an upload of a few seconds
}

QByteArray sim_firmware_image() {
    const FlashLayout& layout = kZorvikLayout;
    QByteArray file(kImageHeaderSize, '\0');
    // The four header bytes an upload writes to the option bytes.
    const char options[] = {char(0x00), char(0xAA), char(0x00), char(0x55)};
    for (int i = 0; i < 4; ++i) file[19 + i] = options[i];
    const int blocks = layout.first_program_block + kProgramBlocks;
    for (int k = 0; k < blocks; ++k) {
        QByteArray block(kImageBlockSize, '\0');
        // Recognisable contents: a read-back that mixes blocks up shows.
        for (int i = 0; i < kImageBlockSize; ++i) block[i] = char((k * 37 + i * 11 + 5) & 0xFF);
        if (k == layout.first_program_block) block[0] = char(kProgramMarker);
        file.append(block);
    }
    return file;
}

bool write_sim_firmware_image(const QString& path, QString& error) {
    // Never replaces a device or a pipe with a plain file.
    if (QFileInfo(path).exists() && !QFileInfo(path).isFile()) {
        error = QStringLiteral("cannot write %1: not a regular file").arg(path);
        return false;
    }
    const QByteArray bytes = sim_firmware_image();
    QSaveFile out(path);
    // Unbuffered, so that a short write shows here rather than unseen at commit().
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        out.write(bytes) != bytes.size() || !out.commit()) {
        error = QStringLiteral("cannot write %1: %2").arg(path, out.errorString());
        out.cancelWriting();
        return false;
    }
    return true;
}

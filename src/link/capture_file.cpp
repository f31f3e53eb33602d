#include "link/capture_file.h"

#include "link/text_files.h"
#include "protocol/cp1251.h"

#include <QtEndian>

namespace {
void put32(QByteArray& b, uint32_t v) {
    char le[4];
    qToLittleEndian(v, le);
    b.append(le, 4);
}
void put16(QByteArray& b, uint16_t v) {
    char le[2];
    qToLittleEndian(v, le);
    b.append(le, 2);
}
} // namespace

QByteArray CaptureFile::pcap_header() {
    QByteArray h;
    put32(h, kPcapMagic);
    put16(h, 2); // version 2.4
    put16(h, 4);
    put32(h, 0); // times in UTC
    put32(h, 0);
    put32(h, kSnapLength);
    put32(h, kLinkTypeUser0);
    return h;
}

QByteArray CaptureFile::pcap_record(const QByteArray& bytes, int64_t epoch_us) {
    const QByteArray data = bytes.left(kSnapLength);
    QByteArray r;
    put32(r, uint32_t(epoch_us / 1'000'000));
    put32(r, uint32_t(epoch_us % 1'000'000));
    put32(r, uint32_t(data.size()));
    put32(r, uint32_t(bytes.size()));
    r.append(data);
    return r;
}

bool CaptureFile::open(const QString& path, Format format, QString* why) {
    cancel();
    const QString refused = why_not_writable(path);
    if (!refused.isEmpty()) {
        if (why) *why = refused;
        return false;
    }
    file_ = std::make_unique<QSaveFile>(path);
    // Unbuffered: each write is the system's, so a failed one is seen at once.
    if (!file_->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (why) *why = file_->errorString();
        file_.reset();
        return false;
    }
    format_ = format;
    return format == Format::Text || write_all(pcap_header(), why);
}

bool CaptureFile::write_all(const QByteArray& bytes, QString* why) {
    if (!file_) return false;
    qsizetype at = 0;
    while (at < bytes.size()) {
        const qint64 n = file_->write(bytes.constData() + at, bytes.size() - at);
        if (n <= 0) {
            if (why) *why = file_->errorString();
            cancel();
            return false;
        }
        at += n;
    }
    return true;
}

bool CaptureFile::add_frame(const QByteArray& bytes, int64_t epoch_us, QString* why) {
    return write_all(pcap_record(bytes, epoch_us), why);
}

bool CaptureFile::add_line(const QString& line, QString* why) {
    return write_all(to_cp1251(line) + "\r\n", why);
}

bool CaptureFile::commit(QString* why) {
    if (!file_) return false;
    const bool ok = file_->commit();
    if (!ok && why) *why = file_->errorString();
    file_.reset();
    return ok;
}

void CaptureFile::cancel() {
    if (file_) file_->cancelWriting();
    file_.reset();
}

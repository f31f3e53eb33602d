#include "link/capture_file.h"

#include "link/file_guard.h"
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
    if (!file_.open(path, why)) return false;
    format_ = format;
    return format == Format::Text || file_.write(pcap_header(), why);
}

bool CaptureFile::add_frame(const QByteArray& bytes, int64_t epoch_us, QString* why) {
    return file_.write(pcap_record(bytes, epoch_us), why);
}

bool CaptureFile::add_line(const QString& line, QString* why) {
    return file_.write(to_cp1251(line) + "\r\n", why);
}

bool CaptureFile::commit(QString* why) {
    return file_.commit(why);
}

void CaptureFile::cancel() {
    file_.cancel();
}

#pragma once
// Frames of a line saved for later: a pcap file (link type USER0, one packet a
// frame, stamped with the time of its first byte), which Wireshark opens, or
// plain text.  Written through a temporary file that takes the name only when
// the capture is committed, so a file named is whole or untouched; records go
// out as they come, so a long capture holds no memory.
#include "link/file_guard.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

class CaptureFile {
public:
    static constexpr uint32_t kPcapMagic = 0xA1B2C3D4; // microsecond stamps
    static constexpr uint32_t kLinkTypeUser0 = 147;
    static constexpr uint32_t kSnapLength = 65535;

    enum class Format { Pcap, Text };

    // Refuses (with `why`) a target that is not a regular file or cannot be
    // written; writes the pcap header.
    bool open(const QString& path, Format format, QString* why);
    // One frame: its bytes and when its first byte came (microseconds since
    // the epoch).
    bool add_frame(const QByteArray& bytes, int64_t epoch_us, QString* why);
    // A line of text (Text only), in Windows-1251 as every text file of ours;
    // CR LF is added.
    bool add_line(const QString& line, QString* why);
    bool commit(QString* why);
    // Gives the file up: the target stays as it was.
    void cancel();
    bool is_open() const { return file_.is_open(); }

    // The bytes of the pcap header and of one record (little-endian).
    static QByteArray pcap_header();
    static QByteArray pcap_record(const QByteArray& bytes, int64_t epoch_us);

private:
    WholeFileWriter file_;
    Format format_ = Format::Pcap;
};

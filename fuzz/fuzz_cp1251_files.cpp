// Windows-1251 text and the files made of it: bytes decode and encode back
// (the one unassigned byte becomes "?"), lines split as the reference does,
// and what is written whole reads back line for line.
#include "fuzz_support.h"

#include "link/text_files.h"
#include "protocol/cp1251.h"

#include <QFileInfo>
#include <QTemporaryDir>

namespace {
constexpr qint64 kAnySize = qint64(1) << 20; // the inputs are far smaller

QStringList reference_split(const QString& text) {
    QStringList lines;
    QString current;
    bool open = false; // characters since the last line end
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        if (text[i] == u'\r' || text[i] == u'\n') {
            lines.append(current);
            current.clear();
            open = false;
        } else {
            current.append(text[i]);
            open = true;
        }
    }
    if (open) lines.append(current);
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    FUZZ_CHECK(dir.isValid());
    const QByteArray bytes = fuzz_bytes(data, size);

    // Bytes to text and back.
    const QString text = from_cp1251(bytes);
    FUZZ_CHECK(text.size() == bytes.size());
    QByteArray expected = bytes;
    expected.replace('\x98', '?');
    FUZZ_CHECK(to_cp1251(text) == expected);
    // Text to bytes and back: what has a code survives, the rest is "?".
    const QString utf = fuzz_text(data, size);
    const QByteArray encoded = to_cp1251(utf);
    FUZZ_CHECK(encoded.size() == utf.size());
    const QString decoded = from_cp1251(encoded);
    for (qsizetype i = 0; i < utf.size(); ++i)
        FUZZ_CHECK(decoded[i] == utf[i] || (encoded[i] == '?' && decoded[i] == u'?'));

    const QStringList lines = split_lines(text);
    FUZZ_CHECK(lines == reference_split(text));
    for (const QString& l : lines) FUZZ_CHECK(!l.contains(u'\r') && !l.contains(u'\n'));
    // Lines joined with CR LF split back into themselves (as far as they have codes).
    QStringList coded;
    for (const QString& l : lines) coded.append(from_cp1251(to_cp1251(l)));
    FUZZ_CHECK(split_lines(from_cp1251(cp1251_lines(lines))) == coded);

    // Through a file: written whole, read back; an append lands in full.
    const QString path = dir.filePath(QStringLiteral("lines.txt"));
    QString error;
    FUZZ_CHECK(write_cp1251_lines(path, lines, &error));
    QStringList back;
    FUZZ_CHECK(read_cp1251_lines(path, kAnySize, &back, &error));
    FUZZ_CHECK(back == coded);
    const qint64 before = QFileInfo(path).size();
    FUZZ_CHECK(append_and_sync(path, bytes, &error));
    FUZZ_CHECK(QFileInfo(path).size() == before + bytes.size());
    FUZZ_CHECK(read_cp1251_lines(path, kAnySize, &back, &error));
    FUZZ_CHECK(back == split_lines(from_cp1251(cp1251_lines(lines) + bytes)));
    return 0;
}

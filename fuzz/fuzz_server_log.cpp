// Server logs: the answer in a log line, and "читать из файла" stepping
// through a whole log on the configurator with the fakes.  The reader shows
// one record for each line after the heading that carries a hex answer, stops
// at the first answer that is no hex, never touches the port or the run log,
// and leaves no replay behind.
#include "fuzz_support.h"

#include "configurator_rig.h"
#include "protocol/server_log.h"
#include "relay/server_log_reader.h"

namespace {

QByteArray file_bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Lines stay below the reader's cut so the reference needs no cutting.
    if (size > 4000) return 0;
    const QByteArray bytes = fuzz_bytes(data, size);

    // The expected messages: a record per answer, then the end (or the stop).
    QStringList expected;
    const QList<QByteArray> raw_lines = bytes.split('\n');
    // A file without a single line is no server log.
    bool stopped = bytes.isEmpty();
    if (stopped) expected.append(kNoSuchFile);
    for (qsizetype i = 1; i < raw_lines.size() && !stopped; ++i) {
        QByteArray line = raw_lines[i];
        if (i == raw_lines.size() - 1 && line.isEmpty()) break; // after the last line end
        if (line.endsWith('\r')) line.chop(1);
        const QString text = from_cp1251(line);
        const auto answer = server_log_answer(text);
        if (!answer) continue;
        FUZZ_CHECK(answer->size() >= 2 && (*answer)[1] == u'E' && text.endsWith(*answer));
        FUZZ_CHECK(text.indexOf(QLatin1String("485=")) + 7 == text.size() - answer->size());
        const auto hex = parse_hex(*answer);
        if (!hex || hex->isEmpty()) {
            expected.append(kNoSuchFile);
            stopped = true;
        } else {
            expected.append(kNextRecord);
        }
    }
    if (!stopped) expected.append(kNoMoreRecords);

    ConfiguratorRig rig;
    const QString path = rig.dir.filePath(QStringLiteral("server.log"));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    const QByteArray log_before = file_bytes(rig.c.log.path());
    rig.dialogs.files.push_back(path);
    rdf_Click(rig.c);

    QStringList shown;
    for (const QString& m : rig.dialogs.texts())
        if (m == kNextRecord || m == kNoMoreRecords || m == kNoSuchFile) shown.append(m);
    FUZZ_CHECK(shown == expected);
    FUZZ_CHECK(!rig.f.replay_mode && !rig.c.exchange.tick_running());
    FUZZ_CHECK(rig.port.writes.empty() && !rig.port.IsOpen());
    FUZZ_CHECK(file_bytes(rig.c.log.path()) == log_before);
    return 0;
}

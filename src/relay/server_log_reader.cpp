#include "relay/server_log_reader.h"

#include "exchange/configurator.h"
#include "exchange/exchange_cycle.h"
#include "link/line_reader.h"
#include "protocol/cp1251.h"
#include "protocol/serial_port.h"
#include "protocol/server_log.h"
#include "relay/conv_str.h"
#include "ui/dialogs.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

// The chooser opens where the last log was read, else in the program's folder.
QString start_folder(const MainForm& f) {
    if (!f.server_log_file.isEmpty()) return QFileInfo(f.server_log_file).absolutePath();
    return QCoreApplication::applicationDirPath();
}

bool port_in_use(Configurator& c) {
    return c.port.IsOpen() || c.exchange.tick_running();
}

} // namespace

LogReading read_server_log(const QString& path, Dialogs& dialogs,
                           const std::function<bool(const QByteArray& answer)>& each) {
    LineReader file(path);
    if (!file.open()) {
        dialogs.message(kNoSuchFile);
        return LogReading::Failed;
    }
    QByteArray line;
    // The first line is the server's heading; a file without any line is no
    // server log, however it came to be empty.
    LineReader::Status status = file.next(&line);
    if (status != LineReader::Status::Line) {
        dialogs.message(kNoSuchFile);
        return LogReading::Failed;
    }
    while ((status = file.next(&line)) == LineReader::Status::Line) {
        const std::optional<QString> hex = server_log_answer(from_cp1251(line));
        if (!hex) continue;
        // At most what one read of the port gives.
        const QByteArray answer = conv_str(*hex, dialogs).left(SerialPort::kMaxChunk);
        if (answer.isEmpty()) {
            dialogs.message(kNoSuchFile);
            return LogReading::Failed;
        }
        if (!each(answer)) return LogReading::Stopped;
    }
    if (status == LineReader::Status::Failed) {
        dialogs.message(kNoSuchFile);
        return LogReading::Failed;
    }
    return LogReading::Done;
}

void rdf_Click(Configurator& c) {
    MainForm& f = c.frmSerial;
    const QString path =
        c.dialogs.open_file(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Открыть")),
                            QStringLiteral("tbl Files (*.log)"), start_folder(f));
    if (path.isEmpty()) return;
    // Kept apart from `chosen_file`, so that reading a log never changes
    // which firmware image or calibration file the other buttons use.
    f.server_log_file = path;

    const LogReading read = read_server_log(path, c.dialogs, [&c, &f](const QByteArray& answer) {
        if (port_in_use(c)) {
            c.dialogs.message(kReadingStopped);
            return false;
        }
        f.replay_reply = answer;
        f.replay_mode = true;
        TMRComm_Timer(c);
        f.replay_mode = false; // the tick clears it; a replay must never outlive it
        c.dialogs.message(kNextRecord);
        return true;
    });
    if (read == LogReading::Done) c.dialogs.message(kNoMoreRecords);
}

#include "relay/server_log_reader.h"

#include "exchange/exchange_cycle.h"
#include "link/line_reader.h"
#include "protocol/cp1251.h"
#include "protocol/serial_port.h"
#include "protocol/server_log.h"
#include "relay/conv_str.h"
#include "ui/configurator.h"
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
    return c.port.is_open() || c.frmSerial.tick_running;
}

} // namespace

void rdf_Click(Configurator& c) {
    MainForm& f = c.frmSerial;
    const QString path = c.dialogs.open_file(QStringLiteral("Открыть"),
                                             QStringLiteral("tbl Files (*.log)"), start_folder(f));
    if (path.isEmpty()) return;
    // Kept apart from `chosen_file`, so that reading a log never changes
    // which firmware image or calibration file the other buttons use.
    f.server_log_file = path;

    LineReader file(path);
    if (!file.open()) {
        c.dialogs.message(kNoSuchFile);
        return;
    }
    QByteArray line;
    // The first line is the server's heading.  A file without any line simply
    // holds no records.
    LineReader::Status status = file.next(&line);
    if (status == LineReader::Status::Line) {
        while ((status = file.next(&line)) == LineReader::Status::Line) {
            const std::optional<QString> hex = server_log_answer(from_cp1251(line));
            if (!hex) continue;
            // At most what one read of the port gives.
            const QByteArray answer = conv_str(*hex, c.dialogs).left(SerialPort::kMaxChunk);
            if (answer.isEmpty()) {
                c.dialogs.message(kNoSuchFile);
                return;
            }
            if (port_in_use(c)) {
                c.dialogs.message(kReadingStopped);
                return;
            }
            f.replay_reply = answer;
            f.replay_mode = true;
            TMRComm_Timer(c);
            f.replay_mode = false; // the tick clears it; a replay must never outlive it
            c.dialogs.message(kNextRecord);
        }
    }
    if (status == LineReader::Status::Failed) {
        c.dialogs.message(kNoSuchFile);
        return;
    }
    c.dialogs.message(kNoMoreRecords);
}

#pragma once
// zorvik-cli and zorvik-sim as a script runs them: each run with a run-log
// folder of its own, its status, output and log records collected.
#include "cli/cli_command_line.h"
#include "protocol/cp1251.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <string>

inline QString bin(const char* name) {
    QString dir = qEnvironmentVariable("ZORVIK_BIN_DIR");
    if (dir.isEmpty()) dir = QCoreApplication::applicationDirPath();
    return QDir(dir).filePath(QString::fromLatin1(name));
}

inline QByteArray read_file(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool write_file(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// What one run did.
struct Outcome {
    int status = -1;
    QString out, err;
    QStringList log; // the messages of its run-log records, in order
    int log_files = 0;
};

// Starts zorvik-cli with a run-log folder of its own.
inline void start_cli(QProcess& p, const QStringList& args, const QString& log_dir) {
    QDir(log_dir).removeRecursively();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kLogDirVariable), log_dir);
    p.setProcessEnvironment(env);
    p.start(bin("zorvik-cli"), args);
}

// Waits up to `timeout_ms` for the run to end and collects what it did.
inline Outcome finish_cli(QProcess& p, const QString& log_dir, int timeout_ms = 20000) {
    Outcome o;
    if (!p.waitForFinished(timeout_ms)) {
        p.kill();
        p.waitForFinished(5000);
        o.err = QStringLiteral("did not finish");
        return o;
    }
    o.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    o.out = QString::fromUtf8(p.readAllStandardOutput());
    o.err = QString::fromUtf8(p.readAllStandardError());
    const QStringList files = QDir(log_dir).entryList({QStringLiteral("*.log")}, QDir::Files);
    o.log_files = int(files.size());
    if (files.size() == 1) {
        static const QRegularExpression record(QStringLiteral("^\"\\d\\d:\\d\\d:\\d\\d : (.*)\"$"));
        const QStringList lines =
            from_cp1251(read_file(QDir(log_dir).filePath(files[0]))).split(QStringLiteral("\r\n"));
        for (const QString& line : lines)
            if (const auto m = record.match(line); m.hasMatch()) o.log << m.captured(1);
    }
    return o;
}

// Runs zorvik-cli with stdin that is no terminal.
inline Outcome run_cli(const QStringList& args, const QString& log_dir) {
    QProcess p;
    start_cli(p, args, log_dir);
    p.closeWriteChannel();
    return finish_cli(p, log_dir);
}

// Whether `wanted` appear in `log` in this order (others may stand between).
inline bool in_order(const QStringList& log, const QStringList& wanted) {
    qsizetype at = 0;
    for (const QString& w : wanted) {
        while (at < log.size() && log[at] != w) ++at;
        if (at == log.size()) return false;
        ++at;
    }
    return true;
}

inline std::string show(const Outcome& o) {
    return QStringLiteral("status %1\n--- out\n%2--- err\n%3--- log\n%4\n")
        .arg(o.status)
        .arg(o.out, o.err, o.log.join(u'\n'))
        .toStdString();
}

// zorvik-sim serving `sensors` (ADDR:VERSION...) at `link` while it lives.
class ZorvikSim {
public:
    explicit ZorvikSim(const QString& link, const QStringList& sensors,
                       const QStringList& options = {}) {
        QStringList args = QStringList{QStringLiteral("--link"), link} + options;
        for (const QString& s : sensors) args << QStringLiteral("--sensor") << s;
        process_.start(bin("zorvik-sim"), args);
        ready_ = process_.waitForStarted(10000) && process_.waitForReadyRead(10000) &&
                 QString::fromLocal8Bit(process_.readLine()).trimmed() == link;
    }
    ~ZorvikSim() {
        process_.terminate();
        if (!process_.waitForFinished(10000)) process_.kill();
    }
    ZorvikSim(const ZorvikSim&) = delete;
    ZorvikSim& operator=(const ZorvikSim&) = delete;
    bool ready() const { return ready_; }

private:
    QProcess process_;
    bool ready_ = false;
};

#include "link/run_log.h"

#include "link/clock.h"
#include "link/text_files.h"
#include "protocol/cp1251.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

QString RunLog::date_time_text(const QDateTime& t) {
    return t.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

QString RunLog::time_text(const QDateTime& t) {
    return t.toString(QStringLiteral("HH:mm:ss"));
}

QString RunLog::file_name_for(const QDateTime& start) {
    QString name = date_time_text(start);
    name.remove(u'.');
    name.remove(u':');
    name.replace(u' ', u'_');
    return name + QStringLiteral(".log");
}

namespace {
bool folder_usable(const QString& folder) {
    if (!QDir().mkpath(folder)) return false;
    QTemporaryFile probe(folder + QStringLiteral("/.probe-XXXXXX"));
    return probe.open();
}

// /bin and /usr/bin are one folder where /bin is a link to /usr/bin.
bool same_folder(const QString& a, const QString& b) {
    const QString real_a = QFileInfo(a).canonicalFilePath();
    const QString real_b = QFileInfo(b).canonicalFilePath();
    if (!real_a.isEmpty() && !real_b.isEmpty()) return real_a == real_b;
    return QDir::cleanPath(a) == QDir::cleanPath(b);
}
} // namespace

QString RunLog::choose_folder(const QString& program_dir, const QString& user_data_dir,
                              const QString& installed_dir) {
    const QString user_folder = QDir(user_data_dir).filePath(QStringLiteral("log"));
    if (!installed_dir.isEmpty() && !user_data_dir.isEmpty() &&
        same_folder(program_dir, installed_dir))
        return user_folder;
    const QString beside = QDir(program_dir).filePath(QStringLiteral("log"));
    if (folder_usable(beside)) return beside;
    if (user_data_dir.isEmpty()) return beside;
    // The last one tried, so that the failure can name it.
    return user_folder;
}

bool RunLog::create(const QString& folder, QString* error) {
    const QDateTime start = clock_.now();
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        if (error) *error = QStringLiteral("Path not found: ") + folder;
        return false;
    }
    const QString name = file_name_for(start);
    QString path = QDir(folder).filePath(name);
    QFile file(path);
    bool opened = false;
    // NewOnly fails on an existing file, so two runs never share one, even
    // when they start together.
    static constexpr int kMaxSameSecond = 1000;
    for (int n = 1; n <= kMaxSameSecond && !opened; ++n) {
        if (n > 1) {
            path = QDir(folder).filePath(name.chopped(4) + u'_' + QString::number(n) +
                                         QStringLiteral(".log"));
            file.setFileName(path);
        }
        opened = file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
        if (!opened && !file.exists()) break; // not a name clash: no point going on
    }
    if (!opened) {
        if (error) *error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    const QByteArray record =
        "\"" + to_cp1251(QStringLiteral("Start: ") + date_time_text(start)) + "\r\n\"\r\n";
    if (file.write(record) != record.size() || !file.flush()) {
        if (error) *error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    file.close();
    path_ = path;
    start_record_ = record;
    held_.clear();
    lost_ = 0;
    failing_ = false;
    return true;
}

namespace {
QByteArray record(const QDateTime& t, const QString& message) {
    return "\"" + to_cp1251(RunLog::time_text(t) + QStringLiteral(" : ") + message) + "\"\r\n";
}
} // namespace

bool RunLog::str_to_log(const QString& message) {
    if (path_.isEmpty()) return false;
    held_.push_back(record(clock_.now(), message));
    if (held_.size() > size_t(kMaxHeld)) {
        held_.pop_front();
        ++lost_;
    }
    QString error;
    if (write_held(&error)) {
        failing_ = false;
        return true;
    }
    if (!failing_) {
        failing_ = true;
        if (on_unwritable) on_unwritable(error);
    }
    return false;
}

bool RunLog::write_held(QString* error) {
    const QString folder = QFileInfo(path_).absolutePath();
    if (!QDir(folder).exists() && !QDir().mkpath(folder)) {
        *error = QStringLiteral("Path not found: ") + folder;
        return false;
    }
    bool fresh = false;
    {
        // Fails fast on a file or folder we may not write, before the held
        // records are put together.
        QFile file(path_);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
            *error = file.errorString();
            return false;
        }
        // Deleted (and so made again just now), or emptied by a write that
        // never got onto the disk: the file starts over with the start record.
        fresh = file.size() == 0;
    }
    QByteArray bytes = fresh ? start_record_ : QByteArray();
    if (lost_ > 0)
        bytes += record(clock_.now(),
                        QStringLiteral("Потеряно записей журнала: ") + QString::number(lost_));
    for (const QByteArray& r : held_) bytes += r;
    if (!append_and_sync(path_, bytes, error)) return false;
    held_.clear();
    lost_ = 0;
    return true;
}

#pragma once
// The run log: one Windows-1251 file per run, every record a quoted string
// followed by CR LF, complete on disk after each record.
//
// A disk that fills, a folder that turns read-only or a file someone deletes
// loses nothing: records that cannot be written are kept in memory (at most
// kMaxHeld, the oldest going first) and written, in order, with the first
// record that can be.  A file that has gone is made again, starting with the
// start record.  The caller hears once, each time records begin to pile up.
#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <deque>
#include <functional>

class Clock;

class RunLog {
public:
    static constexpr int kMaxHeld = 10'000;

    explicit RunLog(const Clock& clock) : clock_(clock) {}

    // "06122026_180216.log" for a start at 06.12.2026 18:02:16.  Always the
    // day.month.year form: a locale's date may contain "/".
    static QString file_name_for(const QDateTime& start);
    static QString date_time_text(const QDateTime& t); // "06.12.2026 18:02:16"
    static QString time_text(const QDateTime& t);      // "18:02:16"

    // The folder for logs: "log" beside the program when that can be created
    // and written, otherwise "log" in the per-user data folder (the one that
    // is then tried, and named when it fails too).  A program that runs from
    // `installed_dir`, the folder it was installed to (/usr/bin), always logs
    // in the per-user folder: even where it could write beside itself (root),
    // a log folder there belongs to no package and outlives the program.
    static QString choose_folder(const QString& program_dir, const QString& user_data_dir,
                                 const QString& installed_dir = {});

    // Creates the folder if missing and this run's file with its start
    // record.  It never touches an existing file: a run that starts in the
    // same second as another (two windows, the command-line tool in a script)
    // gets "_2", "_3" ... added to its name.  False with `error` set on failure.
    bool create(const QString& folder, QString* error = nullptr);

    // Appends one record "time : message".  False when it is held in memory
    // (or no log was created).
    bool str_to_log(const QString& message);

    // Runs when a record cannot be written and records start to be held,
    // with the system's reason; again only after the log has been written.
    std::function<void(const QString& reason)> on_unwritable;
    // Records waiting in memory for the file.
    int held() const { return int(held_.size()); }

    QString path() const { return path_; }

private:
    bool write_held(QString* error);

    const Clock& clock_;
    QString path_;
    QByteArray start_record_;
    std::deque<QByteArray> held_;
    int64_t lost_ = 0;     // records dropped from the front of held_
    bool failing_ = false; // the last attempt to write failed
};

#pragma once
// The run log: one Windows-1251 file per run, every record a quoted string
// followed by CR LF, complete on disk after each record.
#include <QDateTime>
#include <QString>

#include <cstdint>

class Clock;

class RunLog {
public:
    explicit RunLog(const Clock& clock) : clock_(clock) {}

    // "06122026_180216.log" for a start at 06.12.2026 18:02:16.  Always the
    // day.month.year form: a locale's date may contain "/".
    static QString file_name_for(const QDateTime& start);
    static QString date_time_text(const QDateTime& t); // "06.12.2026 18:02:16"
    static QString time_text(const QDateTime& t);      // "18:02:16"

    // The folder for logs: "log" beside the program when that can be created
    // and written, otherwise "log" in the per-user data folder (the one that
    // is then tried, and named when it fails too).
    static QString choose_folder(const QString& program_dir, const QString& user_data_dir);

    // Creates the folder if missing and this run's file (truncating one of the
    // same name) with its start record.  False with `error` set on failure.
    bool create(const QString& folder, QString* error = nullptr);
    // As create(), but never touches an existing file: a run that starts in
    // the same second as another gets "_2", "_3" ... added to its name.  For
    // runs that follow one another quickly (the command-line tool in a script).
    bool create_unique(const QString& folder, QString* error = nullptr);

    // Appends one record "time : message".  Returns false when it could not write.
    bool str_to_log(const QString& message);

    QString path() const { return path_; }

private:
    bool start_file(const QString& folder, bool unique, QString* error);

    const Clock& clock_;
    QString path_;
};

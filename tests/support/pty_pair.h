#pragma once
// A pseudo-terminal pair standing in for a serial line: the code under test
// opens slave_path() as its serial device, the test plays the far end on the
// master side.  Both sides are raw, so bytes pass unchanged.
#include <QByteArray>
#include <QString>

class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return master_ >= 0; }
    int master_fd() const { return master_; }
    QString slave_path() const { return slave_path_; }
    // A descriptor of the slave side, to look at its settings.
    int slave_fd() const { return slave_; }

    // The far end sends `data`, all of it.  Safe to call from another thread.
    bool write(const QByteArray& data);
    // What the near end sent: returns once `count` bytes have come or
    // `timeout_ms` have passed, whichever is first.
    QByteArray read(int count, int timeout_ms);
    // Everything that arrives until the line stays quiet for `quiet_ms`.
    QByteArray read_until_quiet(int quiet_ms);
    // The far end goes away, as when a USB adapter is pulled.
    void close_master();

private:
    int master_ = -1;
    int slave_ = -1; // kept open so the master never sees the line hang up
    QString slave_path_;
};

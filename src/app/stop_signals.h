#pragma once
// SIGTERM, SIGINT and SIGHUP (kill, Ctrl+C, a terminal or remote shell that
// went away) end the program the way closing the main window does, so the
// port is closed and the run log records it.  The handler only writes a byte
// to a pipe; the callback runs later on the user-interface thread.  A second
// signal, once the first has been taken, has its old effect (a program stuck
// in shutdown can still be stopped).  One instance at a time; does nothing
// where there are no such signals.
#include <QObject>

#include <functional>

class QSocketNotifier;

class StopSignals : public QObject {
public:
    explicit StopSignals(std::function<void()> on_stop, QObject* parent = nullptr);
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // False when the handlers could not be installed.
    bool active() const { return notifier_ != nullptr; }

private:
    void take();
    void restore();

    std::function<void()> on_stop_;
    QSocketNotifier* notifier_ = nullptr;
    bool restored_ = true;
};

#pragma once
// "Монитор линии": what the line does while the program works on it.  The
// counts an address (the same as zorvik-cli diag prints), what they mean, and
// the frames sent and received, the last 10,000, with pause, a filter by
// address and saving as text or pcap.  The monitor is the port's tap: it
// only watches the cycle's own traffic and never adds a request.  "Только
// слушать" stops the cycle and listens, as zorvik-cli listen does.
#include "exchange/line_monitor.h"

#include <QWidget>

#include <functional>
#include <memory>

struct Configurator;
class Dialogs;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class QTableWidget;
class QTimer;
class FrameTableModel;

class LineMonitorWindow : public QWidget {
    Q_OBJECT
public:
    // Installs the monitor on the program's port; call after the exchange
    // cycle is wired.
    LineMonitorWindow(Configurator& c, Dialogs& dialogs, QWidget* parent = nullptr);
    ~LineMonitorWindow() override;

    LineMonitor& monitor() { return *monitor_; }
    // Reads the counts and the new frames now (the timers do it on their own).
    void refresh();
    void set_paused(bool paused);
    // -1: every address.
    void set_address_filter(int address);
    void set_listening(bool on);
    bool listening() const { return listening_; }
    // Writes the frames shown; false with the reason.
    bool save(const QString& path, bool pcap, QString* why);

    QTableWidget* stats_table() const { return stats_; }
    QTableView* frame_view() const { return frames_view_; }
    QLabel* hints_label() const { return hints_; }

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void take_frames();
    void show_stats();
    void watch_port();
    void listen_step();
    void choose_file();

    Configurator& c_;
    Dialogs& dialogs_;
    std::shared_ptr<LineMonitor> monitor_ = std::make_shared<LineMonitor>();
    // Tap times are on the steady clock; the list and the files want the wall clock's.
    int64_t steady0_ = 0;
    qint64 wall0_ms_ = 0;
    uint64_t seen_ = 0;
    bool paused_ = false;
    bool listening_ = false;
    bool cycle_was_on_ = false;
    bool read_pending_ = false;
    bool was_open_ = false;
    bool fitted_ = false;
    std::function<void()> cycle_tick_; // the exchange cycle's own tick

    QTableWidget* stats_;
    QLabel* hints_;
    QComboBox* filter_;
    QPushButton* pause_;
    QCheckBox* listen_;
    QPushButton* save_;
    QTableView* frames_view_;
    FrameTableModel* model_;
    QTimer* stats_timer_;
    QTimer* frame_timer_;
};

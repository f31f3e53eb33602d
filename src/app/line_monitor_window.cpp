#include "app/line_monitor_window.h"

#include "app/screen_fit.h"

#include "exchange/configurator.h"
#include "exchange/line_diagnosis.h"
#include "link/capture_file.h"
#include "protocol/frame_finder.h"
#include "protocol/serial_port.h"
#include "ui/dialogs.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>

namespace {
int64_t steady_now_us() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// The address and command of a frame; -1 where it has none (noise, the
// 3-byte scan request).
int frame_address(const LineFrame& f) {
    return f.kind == FrameKind::Noise || f.bytes.size() < 2 ? -1 : uint8_t(f.bytes[1]);
}
int frame_command(const LineFrame& f) {
    return f.kind == FrameKind::Noise || f.bytes.size() < 4 ? -1 : uint8_t(f.bytes[2]);
}
} // namespace

// The frames shown: the last kFrameLimit, filtered by address.
class FrameTableModel final : public QAbstractTableModel {
public:
    enum Column { Time, Direction, Address, Command, Hex, Decoded, Columns };

    explicit FrameTableModel(QObject* parent) : QAbstractTableModel(parent) {}

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(shown_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : Columns;
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        static const char* const names[] = {QT_TRANSLATE_NOOP("LineMonitor", "Время"),
                                            QT_TRANSLATE_NOOP("LineMonitor", "Направление"),
                                            QT_TRANSLATE_NOOP("LineMonitor", "Адрес"),
                                            QT_TRANSLATE_NOOP("LineMonitor", "Команда"),
                                            QT_TRANSLATE_NOOP("LineMonitor", "Байты"),
                                            QT_TRANSLATE_NOOP("LineMonitor", "Что это")};
        if (o != Qt::Horizontal || role != Qt::DisplayRole || section >= Columns) return {};
        return QCoreApplication::translate("LineMonitor", names[section]);
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || size_t(index.row()) >= shown_.size()) return {};
        const Row& r = all_[shown_[size_t(index.row())]];
        // A long reply is cut in its cell; the whole of it under the pointer.
        if (role == Qt::ToolTipRole && index.column() == Hex)
            return QString::fromLatin1(r.frame.bytes.toHex(' ').toUpper());
        if (role != Qt::DisplayRole) return {};
        switch (index.column()) {
        case Time:
            return r.time;
        case Direction:
            return r.out ? QCoreApplication::translate("LineMonitor", "передано")
                         : QCoreApplication::translate("LineMonitor", "принято");
        case Address:
            return r.address < 0 ? QString() : QString::number(r.address);
        case Command:
            return r.command < 0
                       ? QString()
                       : QStringLiteral("%1").arg(r.command, 2, 16, QChar(u'0')).toUpper();
        case Hex:
            return QString::fromLatin1(r.frame.bytes.toHex(' ').toUpper());
        case Decoded:
            return r.decoded;
        default:
            return {};
        }
    }

    struct Row {
        bool out = false;
        LineFrame frame;
        int address = -1, command = -1;
        QString time, decoded;
        int64_t epoch_us = 0;
    };

    void add(std::vector<Row>&& rows) {
        if (rows.empty()) return;
        beginResetModel();
        for (Row& r : rows) {
            all_.push_back(std::move(r));
            if (all_.size() > size_t(LineMonitor::kFrameLimit)) all_.pop_front();
        }
        select();
        endResetModel();
    }
    void set_filter(int address) {
        beginResetModel();
        filter_ = address;
        select();
        endResetModel();
    }
    template <class F> void for_each_shown(F&& f) const {
        for (size_t i : shown_) f(all_[i]);
    }

private:
    void select() {
        shown_.clear();
        for (size_t i = 0; i < all_.size(); ++i)
            if (filter_ < 0 || all_[i].address == filter_) shown_.push_back(i);
    }

    std::deque<Row> all_;
    std::vector<size_t> shown_;
    int filter_ = -1;
};

LineMonitorWindow::LineMonitorWindow(Configurator& c, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), c_(c), dialogs_(dialogs), steady0_(steady_now_us()),
      wall0_ms_(QDateTime::currentMSecsSinceEpoch()) {
    setObjectName(QStringLiteral("line_monitor"));
    setWindowTitle(QCoreApplication::translate("LineMonitor", "Монитор линии"));

    stats_ = new QTableWidget(0, 9, this);
    stats_->setObjectName(QStringLiteral("line_stats"));
    stats_->setHorizontalHeaderLabels({QCoreApplication::translate("LineMonitor", "Адрес"),
                                       QCoreApplication::translate("LineMonitor", "Запросов"),
                                       QCoreApplication::translate("LineMonitor", "Ответов"),
                                       QCoreApplication::translate("LineMonitor", "Без ответа"),
                                       QCoreApplication::translate("LineMonitor", "Ошибка CRC"),
                                       QCoreApplication::translate("LineMonitor", "Непонятых"),
                                       QCoreApplication::translate("LineMonitor", "p50, мс"),
                                       QCoreApplication::translate("LineMonitor", "p95, мс"),
                                       QCoreApplication::translate("LineMonitor", "max, мс")});
    stats_->verticalHeader()->hide();
    stats_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    stats_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    stats_->horizontalHeader()->setStretchLastSection(true);
    stats_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    // The header and four addresses stay in sight on a small screen.
    stats_->setMinimumHeight((fontMetrics().height() + 6) * 5);

    hints_ = new QLabel(this);
    hints_->setObjectName(QStringLiteral("line_hints"));
    hints_->setWordWrap(true);
    hints_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    filter_ = new QComboBox(this);
    filter_->setObjectName(QStringLiteral("monitor_filter"));
    filter_->addItem(QCoreApplication::translate("LineMonitor", "Все адреса"), -1);
    for (int a = 0; a <= 255; ++a) filter_->addItem(QString::number(a), a);
    pause_ = new QPushButton(QCoreApplication::translate("LineMonitor", "Пауза"), this);
    pause_->setObjectName(QStringLiteral("monitor_pause"));
    pause_->setCheckable(true);
    listen_ = new QCheckBox(QCoreApplication::translate("LineMonitor", "Только слушать"), this);
    listen_->setObjectName(QStringLiteral("listen_only"));
    save_ = new QPushButton(QCoreApplication::translate("LineMonitor", "Сохранить…"), this);
    save_->setObjectName(QStringLiteral("monitor_save"));

    model_ = new FrameTableModel(this);
    frames_view_ = new QTableView(this);
    frames_view_->setObjectName(QStringLiteral("monitor_frames"));
    frames_view_->setModel(model_);
    frames_view_->verticalHeader()->hide();
    frames_view_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    frames_view_->horizontalHeader()->setStretchLastSection(true);
    frames_view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    const int em = fontMetrics().horizontalAdvance(u'M');
    // Wide enough for the time, the direction and the headers at any scale.
    const QFontMetrics header(frames_view_->horizontalHeader()->font());
    const auto fit = [&](int col, const QString& widest) {
        frames_view_->setColumnWidth(
            col,
            std::max(fontMetrics().horizontalAdvance(widest),
                     header.horizontalAdvance(
                         model_->headerData(col, Qt::Horizontal, Qt::DisplayRole).toString())) +
                em);
    };
    fit(0, QStringLiteral("00:00:00.000"));
    fit(1, QCoreApplication::translate("LineMonitor", "передано"));
    fit(2, QStringLiteral("255"));
    fit(3, QStringLiteral("FF"));
    frames_view_->setColumnWidth(4, em * 20);

    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QCoreApplication::translate("LineMonitor", "Адрес:"), this));
    controls->addWidget(filter_);
    controls->addWidget(pause_);
    controls->addWidget(listen_);
    controls->addStretch(1);
    controls->addWidget(save_);

    auto* top = new QWidget(this);
    auto* tv = new QVBoxLayout(top);
    tv->setContentsMargins(0, 0, 0, 0);
    tv->addWidget(stats_);
    tv->addWidget(hints_);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(top);
    split->addWidget(frames_view_);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 2);

    auto* v = new QVBoxLayout(this);
    v->addWidget(split, 1);
    v->addLayout(controls);

    connect(filter_, &QComboBox::currentIndexChanged, this,
            [this] { model_->set_filter(filter_->currentData().toInt()); });
    connect(pause_, &QPushButton::toggled, this, [this](bool on) { set_paused(on); });
    connect(listen_, &QCheckBox::toggled, this, [this](bool on) { set_listening(on); });
    connect(save_, &QPushButton::clicked, this, [this] { choose_file(); });

    // The cycle does not tick while the window listens, whoever enables its timer.
    cycle_tick_ = c_.frmSerial.TMRComm.on_timer;
    c_.frmSerial.TMRComm.on_timer = [this] {
        if (!listening_ && cycle_tick_) cycle_tick_();
    };
    c_.port.SetTap(monitor_);
    was_open_ = c_.port.IsOpen();

    stats_timer_ = new QTimer(this);
    stats_timer_->setInterval(1000);
    connect(stats_timer_, &QTimer::timeout, this, [this] { show_stats(); });
    // Watches the port even while hidden: the counts begin when it opens.
    frame_timer_ = new QTimer(this);
    frame_timer_->setInterval(50);
    connect(frame_timer_, &QTimer::timeout, this, [this] {
        watch_port();
        if (listening_) listen_step();
        if (isVisible()) take_frames();
    });
    frame_timer_->start();
    resize(em * 72, fontMetrics().height() * 34);
}

LineMonitorWindow::~LineMonitorWindow() {
    if (read_pending_) c_.port.CancelRead();
    c_.port.SetTap(nullptr);
    c_.frmSerial.TMRComm.on_timer = cycle_tick_;
}

void LineMonitorWindow::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    // The first time on a screen: as much as a small one leaves.
    if (!fitted_) fit_to_screen(*this, size());
    fitted_ = true;
    monitor_->keep_frames(true);
    refresh();
    stats_timer_->start();
}

void LineMonitorWindow::hideEvent(QHideEvent* e) {
    QWidget::hideEvent(e);
    stats_timer_->stop();
    monitor_->keep_frames(false);
}

void LineMonitorWindow::watch_port() {
    // The counts are of the line open now: they start over once a port has
    // closed (a closed port has no traffic, so nothing of the next is lost).
    const bool open = c_.port.IsOpen();
    if (was_open_ && !open) monitor_->reset();
    was_open_ = open;
}

void LineMonitorWindow::refresh() {
    watch_port();
    take_frames();
    show_stats();
}

void LineMonitorWindow::show_stats() {
    const LineReport report = monitor_->report();
    stats_->setRowCount(int(report.addresses.size()));
    int row = 0;
    for (const AddressStats& s : report.addresses) {
        const QString cells[] = {
            QString::number(s.address),        QString::number(s.sent),
            QString::number(s.answered),       QString::number(s.silent),
            QString::number(s.badcrc),         QString::number(s.other),
            QString::number(s.p50_ms, 'f', 1), QString::number(s.p95_ms, 'f', 1),
            QString::number(s.max_ms, 'f', 1)};
        for (int col = 0; col < 9; ++col) {
            auto* item = stats_->item(row, col);
            if (!item) stats_->setItem(row, col, item = new QTableWidgetItem);
            item->setText(cells[col]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        }
        ++row;
    }
    QStringList hints = line_hints(report);
    for (QString& h : hints)
        if (h.startsWith(u"hint: ")) h.remove(0, 6);
    hints_->setText(hints.isEmpty() ? QCoreApplication::translate("LineMonitor", "Замечаний нет.")
                                    : hints.join(u'\n'));
}

void LineMonitorWindow::take_frames() {
    if (paused_) return;
    monitor_->idle(steady_now_us()); // the last reply is cut once the line is quiet
    std::vector<FrameTableModel::Row> rows;
    for (MonitorFrame& m : monitor_->frames_after(seen_)) {
        seen_ = m.seq;
        FrameTableModel::Row r;
        r.out = m.out;
        r.address = frame_address(m.frame);
        r.command = frame_command(m.frame);
        r.epoch_us = wall0_ms_ * 1000 + (m.frame.t_us - steady0_);
        r.time = QDateTime::fromMSecsSinceEpoch(r.epoch_us / 1000).toString(u"HH:mm:ss.zzz");
        r.decoded = describe_frame(m.frame);
        r.frame = std::move(m.frame);
        rows.push_back(std::move(r));
    }
    if (rows.empty()) return;
    model_->add(std::move(rows));
    frames_view_->scrollToBottom();
}

void LineMonitorWindow::set_paused(bool paused) {
    paused_ = paused;
    if (pause_->isChecked() != paused) pause_->setChecked(paused);
    if (!paused) take_frames();
}

void LineMonitorWindow::set_address_filter(int address) {
    filter_->setCurrentIndex(address < 0 ? 0 : address + 1);
}

void LineMonitorWindow::set_listening(bool on) {
    if (listen_->isChecked() != on) listen_->setChecked(on); // comes back here
    if (on == listening_) return;
    Timer& cycle = c_.frmSerial.TMRComm;
    listening_ = on;
    if (on) {
        cycle_was_on_ = cycle.enabled();
        cycle.set_enabled(false);
        monitor_->settle();
        return;
    }
    if (read_pending_) c_.port.CancelRead();
    read_pending_ = false;
    monitor_->flush_frames();
    if (cycle_was_on_ && c_.port.IsOpen()) cycle.set_enabled(true);
}

void LineMonitorWindow::listen_step() {
    // One read at a time, and none while the cycle's last read still runs.
    if (read_pending_ || !c_.port.IsOpen() || c_.exchange.tick_running()) return;
    read_pending_ = true;
    // The tap takes the bytes as they come; the read only empties the port.
    c_.port.ReadAsync([this](const QByteArray&) { read_pending_ = false; });
}

bool LineMonitorWindow::save(const QString& path, bool pcap, QString* why) {
    CaptureFile file;
    if (!file.open(path, pcap ? CaptureFile::Format::Pcap : CaptureFile::Format::Text, why))
        return false;
    bool ok = true;
    model_->for_each_shown([&](const FrameTableModel::Row& r) {
        if (!ok) return;
        ok = pcap ? file.add_frame(r.frame.bytes, r.epoch_us, why)
                  : file.add_line(r.time + u"  " +
                                      QString::fromLatin1(r.frame.bytes.toHex(' ').toUpper()) +
                                      u"  " + r.decoded,
                                  why);
    });
    if (ok) return file.commit(why);
    file.cancel();
    return false;
}

void LineMonitorWindow::choose_file() {
    const QString text = QCoreApplication::translate("LineMonitor", "Текст (*.txt)"),
                  pcap = QStringLiteral("pcap (*.pcap)");
    QString chosen;
    const QString path =
        dialogs_.save_file_of(QCoreApplication::translate("LineMonitor", "Сохранить кадры"),
                              text + u";;" + pcap, QString(), &chosen);
    if (path.isEmpty()) return;
    QString why;
    if (!save(path, chosen == pcap, &why))
        dialogs_.message(
            QCoreApplication::translate("LineMonitor", "Не удалось записать файл %1: %2")
                .arg(path, why),
            MsgIcon::Exclamation);
}

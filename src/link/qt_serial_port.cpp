#include "link/qt_serial_port.h"

#include "link/threaded_port.h"
#include "protocol/line_settings.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <deque>
#include <future>
#include <limits>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif
#ifdef Q_OS_UNIX
#include <poll.h>
#include <sys/ioctl.h>
#endif

namespace {

#ifdef Q_OS_WIN
constexpr int kInvalidParameter = ERROR_INVALID_PARAMETER;
int last_system_error() {
    const int e = int(::GetLastError());
    return e ? e : kInvalidParameter;
}
#else
constexpr int kInvalidParameter = EINVAL;
int last_system_error() {
    return errno ? errno : kInvalidParameter;
}
#endif

// The device as the system knows it.  "\\.\" is the Win32 form of a device
// name; QSerialPort wants COMn there, and on Linux the prefix means nothing.
QString system_name(const QString& device) {
    QString name = device;
    if (name.startsWith(QLatin1String("\\\\.\\"))) name = name.mid(4);
#ifndef Q_OS_WIN
    if (!name.startsWith(u'/') && !name.startsWith(QLatin1String("./")) &&
        !name.startsWith(QLatin1String("../")))
        name = QLatin1String("/dev/") + name;
    // A symlink and its target must share one lock file, or two programs
    // could open the same line through different names.
    const QFileInfo info(name);
    if (info.isSymLink()) {
        const QString target = info.canonicalFilePath();
        if (!target.isEmpty()) name = target;
    }
#endif
    return name;
}

QSerialPort::Parity qt_parity(LineSettings::Parity p) {
    switch (p) {
    case LineSettings::Parity::Even:
        return QSerialPort::EvenParity;
    case LineSettings::Parity::Odd:
        return QSerialPort::OddParity;
    case LineSettings::Parity::Mark:
        return QSerialPort::MarkParity;
    case LineSettings::Parity::Space:
        return QSerialPort::SpaceParity;
    case LineSettings::Parity::None:
        break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits qt_stop_bits(LineSettings::StopBits s) {
    switch (s) {
    case LineSettings::StopBits::OneAndHalf:
        return QSerialPort::OneAndHalfStop;
    case LineSettings::StopBits::Two:
        return QSerialPort::TwoStop;
    case LineSettings::StopBits::One:
        break;
    }
    return QSerialPort::OneStop;
}

OpenFailure open_failure(QSerialPort::SerialPortError error, const QString& name) {
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return OpenFailure::NoSuchDevice;
    case QSerialPort::OpenError:
        return OpenFailure::Busy;
    case QSerialPort::PermissionError: {
#ifdef Q_OS_WIN
        Q_UNUSED(name);
        return OpenFailure::Busy; // Windows says "access denied" for a port in use
#else
        // Qt reports a port held by someone else (lock file, exclusive tty)
        // as a permission error too; the file's own rights tell them apart.
        const QFileInfo info(name);
        if (!info.exists()) return OpenFailure::NoSuchDevice;
        return info.isReadable() && info.isWritable() ? OpenFailure::Busy
                                                      : OpenFailure::NoPermission;
#endif
    }
    default:
        return OpenFailure::Other;
    }
}

struct OpenResult {
    bool ok = false;
    OpenFailure failure = OpenFailure::None;
    QString message; // shown by the caller, on its own thread
};

} // namespace

// Owns the QSerialPort; every member runs in the I/O thread.
class QtSerialPortIo : public PortIo, private ReadQueue::Source {
public:
    explicit QtSerialPortIo(std::atomic<bool>& lost)
        : PortIo(static_cast<ReadQueue::Source&>(*this)), port_(new QSerialPort(this)),
          lost_(lost) {
        QObject::connect(port_, &QSerialPort::readyRead, this, [this] { on_ready_read(); });
        QObject::connect(port_, &QSerialPort::errorOccurred, this,
                         [this](QSerialPort::SerialPortError e) { on_error(e); });
    }

    OpenResult open(const QString& device, const QString& settings) {
        close();
        OpenResult r;
        const QString name = system_name(device);
        port_->setPortName(name);
        if (!port_->open(QIODevice::ReadWrite)) {
            r.failure = open_failure(port_->error(), name);
            port_->clearError();
            return r;
        }
        // There are no timeouts to set here: QSerialPort reads without any, and
        // the read timing lives in this class.
        const std::optional<LineSettings> line = parse_line_settings(settings);
        if (!line) {
            port_->close();
            r.failure = OpenFailure::Setup;
            r.message = QLatin1String("Unable to build Comm DCB ") + settings +
                        QLatin1String(" Error: ") + QString::number(kInvalidParameter);
            return r;
        }
        errno = 0;
#ifndef Q_OS_WIN
        // termios knows no one-and-a-half stop bits, and QSerialPort would
        // quietly use one.
        const bool refused = line->stop_bits == LineSettings::StopBits::OneAndHalf;
#else
        const bool refused = false;
#endif
        if (refused || !port_->setBaudRate(line->baud) ||
            !port_->setDataBits(QSerialPort::DataBits(line->data_bits)) ||
            !port_->setParity(qt_parity(line->parity)) ||
            !port_->setStopBits(qt_stop_bits(line->stop_bits)) ||
            !port_->setFlowControl(QSerialPort::NoFlowControl)) {
            const int error = last_system_error();
            port_->close();
            port_->clearError();
            r.failure = OpenFailure::Setup;
            r.message = QLatin1String("Unable to set Comm DCB ") + settings +
                        QLatin1String(" Error: ") + QString::number(error);
            return r;
        }
        // An all-zero device-control block leaves DTR and RTS low.  A pty has
        // no modem lines, so a refusal here is no reason to give up.
        port_->setDataTerminalReady(false);
        port_->setRequestToSend(false);
        port_->clearError();
        baud_ = line->baud;
        failed_ = false;
        lost_ = false;
        stale_ = 0;
        watching_ = true;
        ++session_;
        r.ok = true;
        return r;
    }

    void close() {
        watching_ = false;
        lost_ = false;
        if (port_->isOpen()) port_->close();
        seen_ = 0;
        port_->clearError();
        failed_ = false;
        stale_ = 0;
        queue_.clear();
    }

    void flush() {
        if (usable()) port_->flush();
    }

    // Everything received and not yet read goes; a running read keeps what
    // it has and ends with it.
    void discard() {
        if (!usable() || queue_.reading()) return;
        catch_up();
        port_->clear(QSerialPort::Input);
        port_->readAll();
        seen_ = 0;
        stale_ = 0;
    }

    qint64 waiting() const {
        return port_->isOpen() ? port_->bytesAvailable() : 0;
    }

    uint16_t write(const QByteArray& data) {
        // A request's answer comes after it: what the last read left behind
        // belongs to no request still to come.  Left in place it would stand
        // in front of every later reply (after a burst of noise, for many
        // ticks).  A read still running keeps its bytes.
        if (!queue_.reading()) drop_stale();
        qsizetype total = 0;
        for (qsizetype at = 0; at < data.size() && usable(); at += SerialPort::kMaxChunk) {
            const QByteArray piece = data.mid(at, SerialPort::kMaxChunk);
            const qsizetype n = piece.size();
            if (port_->write(piece) != n) break;
            const qint64 budget = write_budget_ms(n);
            QElapsedTimer clock;
            clock.start();
            while (port_->bytesToWrite() > 0 && usable()) {
                const qint64 left = budget - clock.elapsed();
                if (left <= 0 || !port_->waitForBytesWritten(int(left))) break;
            }
            // What did not get out in time is dropped, as a timed-out write
            // on Windows drops it; the caller sees the short count.
            const qint64 unsent = port_->bytesToWrite();
            if (unsent > 0) port_->clear(QSerialPort::Output);
            total += n - unsent;
            if (unsent > 0) break;
        }
        tap_wrote(data.left(total));
        return uint16_t(total);
    }

#ifdef Q_OS_UNIX
    // The quiet is counted from when the last bytes came in, and the wait is
    // a poll on the device itself: the frame goes out within microseconds of
    // the turnaround's end, and a byte the system holds is seen at once.
    int write_when_quiet(const QByteArray& data, std::chrono::microseconds quiet,
                         QByteArray& heard) {
        if (!usable()) return 0;
        if (queue_.reading()) return -1; // the line is in use
        const auto due = last_in_ + quiet;
        for (;;) {
            if (waiting() > 0 || kernel_waiting() > 0) {
                if (waiting() == 0 && !port_->waitForReadyRead(0)) port_->clearError();
                catch_up();
                heard = port_->read(SerialPort::kMaxChunk);
                consumed(heard.size());
                stale_ = std::max<qint64>(0, stale_ - heard.size());
                return -1;
            }
            const auto now = std::chrono::steady_clock::now();
            if (now >= due) break;
            const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(due - now);
            const timespec ts{time_t(left.count() / 1'000'000'000),
                              long(left.count() % 1'000'000'000)};
            pollfd p{int(port_->handle()), POLLIN, 0};
            if (::ppoll(&p, 1, &ts, nullptr) < 0 && errno != EINTR) break;
            if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) break; // the write finds out
        }
        return int(write(data));
    }
#endif

    // Reads run one after another; `id` lets an asynchronous one be cancelled.
    // `want` > 0: the read ends once that many bytes are there, or after
    // `timeout_ms`, without the pause rule.
private:
    // What the reads are taken from.
    bool readable() const override {
        return usable();
    }
    qint64 available() const override {
        return port_->bytesAvailable();
    }
    QByteArray take(int most) override {
        if (!port_->isOpen()) return {};
        catch_up();
        const QByteArray data = port_->read(most);
        consumed(data.size());
        return data;
    }
#ifdef Q_OS_UNIX
    // Later Qt versions read a hung-up line as nothing, without an error.
    bool found_gone() override {
        if (!hung_up()) return false;
        lose_device();
        return true;
    }
#endif
    void read_ended(const QByteArray& data) override {
        if (data.isEmpty()) flush();
        stale_ = waiting() + kernel_waiting();
    }

    bool usable() const {
        return port_->isOpen() && !failed_;
    }

#ifdef Q_OS_UNIX
    // Whether the system has hung the line up (far end gone, adapter pulled).
    bool hung_up() const {
        pollfd p{int(port_->handle()), POLLIN, 0};
        return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL));
    }
#endif

    // 10 ms plus 1 ms a byte is the time a Windows driver gets to take the
    // bytes.  Here a full kernel queue empties at line speed, so the time the
    // bytes need on the wire is added: a slow but working line must not count
    // as a failed write (four of those close the link).
    qint64 write_budget_ms(qsizetype n) const {
        return 10 + n + (n * 10 * 1000 + baud_ - 1) / baud_;
    }

    void on_ready_read() {
        last_in_ = std::chrono::steady_clock::now();
        catch_up();
        trim();
        queue_.arrived();
    }

    // The tap hears what has come in since it last heard; `seen_` counts the
    // bytes at the front of QSerialPort's buffer it has had.  Run before
    // anything is taken out, since Qt may take bytes in without a readyRead
    // of its own while one is being handled.
    void catch_up() {
        if (!tapped() || !port_->isOpen()) return;
        const qint64 there = port_->bytesAvailable();
        if (there > seen_) tap_heard(port_->peek(there).mid(seen_));
        seen_ = there;
    }
    void consumed(qint64 n) {
        seen_ = std::max<qint64>(0, seen_ - n);
    }

    // Bytes the system holds for us that QSerialPort has not taken in yet.
    qint64 kernel_waiting() const {
#ifdef Q_OS_UNIX
        int n = 0;
        if (port_->isOpen() && ::ioctl(int(port_->handle()), FIONREAD, &n) == 0) return n;
#endif
        return 0; // elsewhere QSerialPort takes everything in as it comes
    }

    // Keeps the newest kBacklogBytes, as a UART driver's buffer would keep
    // a few kilobytes.  The oldest go first: they are the furthest from any
    // answer still to come.
    void trim() {
        const qint64 excess = waiting() - QtSerialPort::kBacklogBytes;
        if (excess <= 0) return;
        port_->skip(excess);
        consumed(excess);
        stale_ = std::max<qint64>(0, stale_ - excess);
    }

    void drop_stale() {
        if (stale_ <= 0 || !usable()) return;
        if (waiting() < stale_ && !port_->waitForReadyRead(0)) // take in what the system holds
            port_->clearError();                               // nothing there after all
        catch_up();
        consumed(port_->skip(std::min(stale_, waiting())));
        stale_ = 0;
    }

    // A vanished device makes QSerialPort report the error again on every
    // turn of the event loop until the port is closed.  Take it once.
    void on_error(QSerialPort::SerialPortError e) {
        if (!watching_ || failed_) return;
        if (e != QSerialPort::ResourceError && e != QSerialPort::ReadError) return;
#ifdef Q_OS_UNIX
        // A read that finds nothing is reported as an error too, named after
        // whatever errno was left over (the event loop may still hold a
        // "readable" for bytes a write has since taken in), and Qt may then
        // stop reading.  Only a hung-up line is a lost device; otherwise make
        // Qt read on.
        if (!hung_up()) {
            port_->setReadBufferSize(0); // unlimited, as before; re-arms reading
            return;
        }
#endif
        lose_device();
    }

    // Stops using the device; it is released once we are out of
    // QSerialPort's own call.
    void lose_device() {
        failed_ = true;
        lost_ = true;
        const uint64_t session = session_;
        QMetaObject::invokeMethod(
            this,
            [this, session] {
                if (session != session_ || !failed_) return;
                queue_.finish_running(); // what arrived before the loss still counts
                if (port_->isOpen()) port_->close();
                queue_.next();
            },
            Qt::QueuedConnection);
    }

    QSerialPort* port_;
    std::atomic<bool>& lost_; // the adapter's LinkLost
    bool watching_ = false;   // a session is open: errors may mean the device is gone
    bool failed_ = false;     // the device is gone; the caller has not closed yet
    uint64_t session_ = 0;
    qint32 baud_ = 19200;
    std::chrono::steady_clock::time_point last_in_; // when the last bytes came in
    qint64 stale_ = 0; // bytes at the front of the input that the last read left behind
    qint64 seen_ = 0;  // bytes at the front of the input the tap has heard
};

QtSerialPort::QtSerialPort() : ThreadedPort(QStringLiteral("serial-io")) {
    io_ = new QtSerialPortIo(lost_);
    start_io(io_);
}

QtSerialPort::~QtSerialPort() {
    on_io([this] { io_->close(); });
}

bool QtSerialPort::OpenPort(const QString& device, const QString& settings) {
    const OpenResult r = on_io([&] { return io_->open(device, settings); });
    open_ = r.ok;
    failure_ = r.failure;
    open_message_ = r.message;
    return r.ok;
}

int QtSerialPort::ClosePort() {
    if (!open_.exchange(false)) return 0;
    on_io([this] { io_->close(); });
    return 1;
}

void QtSerialPort::FlushPort() {
    if (open_) on_io([this] { io_->flush(); });
}

void QtSerialPort::DiscardInput() {
    if (open_) on_io([this] { io_->discard(); });
}

uint16_t QtSerialPort::WritePort(const QByteArray& data) {
    if (!open_ || data.isEmpty()) return 0;
    return on_io([&] { return io_->write(data); });
}

int QtSerialPort::WriteWhenQuiet(const QByteArray& data, std::chrono::microseconds quiet,
                                 QByteArray& heard) {
#ifdef Q_OS_UNIX
    if (!open_ || data.isEmpty()) return 0;
    return on_io([&] { return io_->write_when_quiet(data, quiet, heard); });
#else
    return SerialPort::WriteWhenQuiet(data, quiet, heard);
#endif
}

qint64 QtSerialPort::waiting_bytes() {
    return on_io([this] { return io_->waiting(); });
}

bool QtSerialPort::PortExists(const QString& name) {
#ifdef Q_OS_WIN
    const QString port = system_name(name);
    const auto ports = QSerialPortInfo::availablePorts();
    return std::any_of(ports.begin(), ports.end(), [&](const QSerialPortInfo& p) {
        return p.portName().compare(port, Qt::CaseInsensitive) == 0;
    });
#else
    return !name.isEmpty() && QFileInfo::exists(system_name(name));
#endif
}

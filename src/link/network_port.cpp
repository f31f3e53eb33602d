#include "link/network_port.h"

#include "i18n/language.h"

#include "link/network_address.h"
#include "link/rfc2217_client.h"
#include "link/stream_transport.h"
#include "link/threaded_port.h"
#include "protocol/line_settings.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <deque>
#include <future>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

namespace {

struct OpenResult {
    bool ok = false;
    QString message; // for the user, naming the address
};

// What Qt may hold for us between two of our reads of the socket.
constexpr qint64 kSocketBufferBytes = 64 * 1024;
// Telnet answers owed to a server that does not read them, at most.
constexpr qint64 kMaxOwedBytes = 64 * 1024;
// Telnet commands a server may send in one second.  A real one sends a dozen
// when the connection starts and a notice now and then; one that sends more
// never stops, and would keep the port busy with nothing but its commands.
constexpr uint64_t kMaxCommandsPerSecond = 1000;

} // namespace

// Owns the socket; every member runs in the I/O thread.
class NetworkPortIo : public PortIo, private ReadQueue::Source {
public:
    using Opened = std::function<void(OpenResult)>;

    explicit NetworkPortIo(int connect_timeout_ms)
        : PortIo(static_cast<ReadQueue::Source&>(*this)), socket_(new QTcpSocket(this)),
          connect_timer_(this), connect_timeout_ms_(connect_timeout_ms) {
        socket_->setReadBufferSize(kSocketBufferBytes);
        connect_timer_.setSingleShot(true);
        QObject::connect(&connect_timer_, &QTimer::timeout, this, [this] {
            const bool connected = socket_->state() == QAbstractSocket::ConnectedState;
            const QString seconds = QString::number((connect_timeout_ms_ + 999) / 1000);
            fail_open(connected ? fill_text(QT_TRANSLATE_NOOP(
                                                "Messages",
                                                "сервер не подтвердил настройку порта %1 за %2 с"),
                                            {settings_text_, seconds})
                                : fill_text(QT_TRANSLATE_NOOP("Messages", "нет соединения за %1 с"),
                                            {seconds}));
        });
        QObject::connect(socket_, &QTcpSocket::connected, this, [this] { on_connected(); });
        QObject::connect(socket_, &QTcpSocket::readyRead, this, [this] { on_ready_read(); });
        QObject::connect(socket_, &QTcpSocket::errorOccurred, this,
                         [this](QAbstractSocket::SocketError e) { on_error(e); });
        QObject::connect(socket_, &QTcpSocket::disconnected, this, [this] { lose_connection(); });
    }

    void open(const NetworkAddress& address, const LineSettings& line, const QString& settings,
              Opened opened) {
        close();
        address_ = address;
        line_ = line;
        settings_text_ = settings;
        transport_ = transport_for(address.mode);
        opened_ = std::move(opened);
        connect_timer_.start(connect_timeout_ms_);
        socket_->connectToHost(address.host, address.port);
    }

    void close() {
        if (opened_)
            fail_open(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "соединение прервано")));
        connected_ = false;
        connect_timer_.stop();
        socket_->abort();
        rx_.clear();
        failed_ = false;
        lost_ = false;
        flooded_ = false;
        flood_window_.invalidate();
        flood_from_ = flood_count_ = 0; // the next transport counts from 0
        stale_ = 0;
        ++session_;
        queue_.clear();
    }

    void flush() {
        if (usable()) socket_->flush();
    }

    void discard() {
        if (!usable() || queue_.reading()) return;
        take_in();
        rx_.clear();
        stale_ = 0;
    }

    // Whether the connection dropped; read from the port owner's thread.
    bool lost() const { return lost_; }
    // Whether it was given up for a flood of telnet commands.
    bool flooded() const { return flooded_; }

    uint16_t write(const QByteArray& data) {
        if (!queue_.reading()) drop_stale();
        if (!usable()) return 0;
        qsizetype total = 0;
        for (qsizetype at = 0; at < data.size() && usable(); at += SerialPort::kMaxChunk) {
            const QByteArray piece = data.mid(at, SerialPort::kMaxChunk);
            const QByteArray wire = transport_->escape(piece);
            if (socket_->write(wire) != wire.size()) break;
            // Out to the system now, as a serial write is on the wire when it
            // returns; a server that takes nothing for the time the bytes
            // would need on a serial line counts as a failed write.
            const qint64 budget = 10 + piece.size() + (piece.size() * 10 * 1000 + 19199) / 19200;
            QElapsedTimer clock;
            clock.start();
            socket_->flush();
            while (socket_->bytesToWrite() > 0 && usable()) {
                const qint64 left = budget - clock.elapsed();
                if (left <= 0 || !socket_->waitForBytesWritten(int(left))) break;
            }
            if (!usable() || socket_->bytesToWrite() > 0) break;
            total += piece.size();
        }
        tap_wrote(data.left(total));
        return uint16_t(total);
    }

private:
    // What the reads are taken from: the bytes after the telnet layer.
    bool readable() const override { return usable(); }
    qint64 available() const override { return rx_.size(); }
    QByteArray take(int most) override {
        const QByteArray data = rx_.left(most);
        rx_.remove(0, data.size());
        return data;
    }
    void read_ended(const QByteArray& data) override {
        if (data.isEmpty()) flush();
        stale_ = rx_.size();
    }

    bool usable() const { return connected_ && !failed_; }

    void finish_open(OpenResult r) {
        connect_timer_.stop();
        Opened opened = std::exchange(opened_, nullptr);
        if (opened) opened(std::move(r));
    }

    void fail_open(const QString& why) {
        if (!opened_) return;
        connected_ = false;
        socket_->abort();
        finish_open({false, fill_text(QT_TRANSLATE_NOOP("Messages", "Адрес %1: %2."),
                                      {address_.text(), why})});
    }

    void on_connected() {
        if (!opened_) return;
        socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connected_ = true;
        failed_ = false;
        const QByteArray hello = transport_->start(line_);
        if (!hello.isEmpty()) {
            socket_->write(hello);
            socket_->flush();
        }
        check_setup();
    }

    // An open waits until the transport has the far port set up.
    void check_setup() {
        QString why;
        switch (transport_->setup(settings_text_, &why)) {
        case StreamTransport::Setup::Ready:
            finish_open({true, {}});
            break;
        case StreamTransport::Setup::Refused:
            fail_open(why);
            break;
        case StreamTransport::Setup::Pending:
            break;
        }
    }

    void on_error(QAbstractSocket::SocketError e) {
        if (opened_) {
            switch (e) {
            case QAbstractSocket::HostNotFoundError:
                fail_open(
                    fill_text(QT_TRANSLATE_NOOP("Messages", "узел %1 не найден"), {address_.host}));
                break;
            case QAbstractSocket::ConnectionRefusedError:
                fail_open(
                    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "соединение отвергнуто")));
                break;
            case QAbstractSocket::RemoteHostClosedError:
                fail_open(
                    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "сервер закрыл соединение")));
                break;
            default:
                fail_open(socket_->errorString());
                break;
            }
            return;
        }
        if (e == QAbstractSocket::RemoteHostClosedError || e == QAbstractSocket::NetworkError ||
            socket_->state() != QAbstractSocket::ConnectedState)
            lose_connection();
    }

    // Moves what the socket holds through the telnet layer into rx_.
    void take_in() {
        const QByteArray in = socket_->readAll();
        if (in.isEmpty()) return;
        QByteArray reply;
        const QByteArray data = transport_->receive(in, reply);
        rx_ += data;
        tap_heard(data);
        if (!reply.isEmpty() && connected_ && socket_->bytesToWrite() < kMaxOwedBytes)
            socket_->write(reply);
        trim();
        check_flood();
    }

    // Counts the transport's commands a second at a time.  What came in one
    // read counts whole in the second it was read in, so that a loop too busy
    // to read more than once a second still sees a flood.
    void check_flood() {
        const uint64_t heard = transport_->commands_heard();
        const uint64_t fresh = heard - flood_from_;
        flood_from_ = heard;
        if (!flood_window_.isValid() || flood_window_.elapsed() >= 1000) {
            flood_window_.start();
            flood_count_ = 0;
        }
        flood_count_ += fresh;
        if (flood_count_ <= kMaxCommandsPerSecond || flooded_) return;
        flooded_ = true;
        if (opened_) {
            fail_open(QString::fromUtf8(
                QT_TRANSLATE_NOOP("Messages", "сервер без конца шлёт команды telnet")));
            return;
        }
        lose_connection();
    }

    void on_ready_read() {
        take_in();
        if (!connected_ || failed_) return; // given up
        if (opened_) {
            check_setup();
            return;
        }
        queue_.arrived();
    }

    void trim() {
        const qint64 excess = rx_.size() - NetworkPort::kBacklogBytes;
        if (excess <= 0) return;
        rx_.remove(0, excess);
        stale_ = std::max<qint64>(0, stale_ - excess);
    }

    void drop_stale() {
        if (stale_ <= 0 || !usable()) return;
        take_in();
        rx_.remove(0, std::min<qint64>(stale_, rx_.size()));
        stale_ = 0;
    }

    // The server or the network went away: handled once, like an unplugged
    // adapter.  The socket is let go once we are out of Qt's own call.
    void lose_connection() {
        if (!connected_ || failed_) return;
        failed_ = true;
        lost_ = true;
        const uint64_t session = session_;
        QMetaObject::invokeMethod(
            this,
            [this, session] {
                if (session != session_ || !failed_) return;
                queue_.finish_running(); // what arrived before the loss still counts
                socket_->abort();
                queue_.next();
            },
            Qt::QueuedConnection);
    }

    QTcpSocket* socket_;
    QTimer connect_timer_; // the whole open: lookup, connect, line settings
    int connect_timeout_ms_;
    NetworkAddress address_;
    LineSettings line_;
    QString settings_text_;
    std::unique_ptr<StreamTransport> transport_ = std::make_unique<RawTransport>();
    Opened opened_; // set while an open is under way
    QByteArray rx_; // received data, after the telnet layer; at most kBacklogBytes
    bool connected_ = false;
    bool failed_ = false;           // the connection dropped; the caller has not closed yet
    std::atomic<bool> lost_{false}; // the same, for the port's owner on its own thread
    std::atomic<bool> flooded_{false};
    QElapsedTimer flood_window_; // the second the commands are counted in
    uint64_t flood_from_ = 0;    // commands heard at the last look
    uint64_t flood_count_ = 0;   // commands heard in this second
    uint64_t session_ = 0;
    qint64 stale_ = 0;
};

NetworkPort::NetworkPort(int connect_timeout_ms) : ThreadedPort(QStringLiteral("network-io")) {
    io_ = new NetworkPortIo(connect_timeout_ms);
    start_io(io_);
}

NetworkPort::~NetworkPort() {
    on_io([this] { io_->close(); });
}

struct NetworkPort::Target {
    NetworkAddress address;
    LineSettings line;
};

std::optional<NetworkPort::Target> NetworkPort::begin_open(const QString& device,
                                                           const QString& settings) {
    ClosePort();
    failure_ = OpenFailure::Other;
    const std::optional<NetworkAddress> address = parse_network_address(device, &open_message_);
    if (!address) return std::nullopt;
    const std::optional<LineSettings> line = parse_line_settings(settings);
    if (!line) {
        failure_ = OpenFailure::Setup;
        open_message_ = QLatin1String("Unable to build Comm DCB ") + settings +
                        QLatin1String(" Error: ") + QString::number(EINVAL);
        return std::nullopt;
    }
    address_text_ = address->text();
    return Target{*address, *line};
}

void NetworkPort::end_open(bool ok, const QString& message) {
    open_ = ok;
    failure_ = ok ? OpenFailure::None : OpenFailure::Other;
    open_message_ = message;
}

bool NetworkPort::OpenPort(const QString& device, const QString& settings) {
    const std::optional<Target> target = begin_open(device, settings);
    if (!target) return false;
    auto answer = std::make_shared<std::promise<OpenResult>>();
    std::future<OpenResult> result = answer->get_future();
    QMetaObject::invokeMethod(
        io_,
        [this, answer, t = *target, settings] {
            io_->open(t.address, t.line, settings,
                      [answer](OpenResult r) { answer->set_value(std::move(r)); });
        },
        Qt::QueuedConnection);
    const OpenResult r = result.get();
    end_open(r.ok, r.message);
    return r.ok;
}

void NetworkPort::OpenPortAsync(const QString& device, const QString& settings,
                                std::function<void(bool)> opened) {
    Q_ASSERT(QThread::currentThread() == home_.thread());
    const std::optional<Target> target = begin_open(device, settings);
    if (!target) {
        opened(false);
        return;
    }
    const uint64_t id = ++opening_next_;
    opening_live_ = id;
    // The answer comes back through our own object, so it runs on this
    // thread, and not at all once the port is gone.
    auto back = [this, id, opened = std::move(opened)](const OpenResult& r) {
        QMetaObject::invokeMethod(
            &home_,
            [this, id, opened, r] {
                uint64_t live = id;
                // Closed, or opened anew, meanwhile: this open was given up.
                if (!opening_live_.compare_exchange_strong(live, 0)) return;
                end_open(r.ok, r.message);
                opened(r.ok);
            },
            Qt::QueuedConnection);
    };
    QMetaObject::invokeMethod(
        io_,
        [this, t = *target, settings, back] {
            io_->open(t.address, t.line, settings, [back](OpenResult r) { back(r); });
        },
        Qt::QueuedConnection);
}

int NetworkPort::ClosePort() {
    const bool was_opening = opening_live_.exchange(0) != 0;
    if (!open_.exchange(false) && !was_opening) return 0;
    on_io([this] { io_->close(); });
    return 1;
}

void NetworkPort::FlushPort() {
    if (open_) on_io([this] { io_->flush(); });
}

void NetworkPort::DiscardInput() {
    if (open_) on_io([this] { io_->discard(); });
}

uint16_t NetworkPort::WritePort(const QByteArray& data) {
    if (!open_ || data.isEmpty()) return 0;
    return on_io([&] { return io_->write(data); });
}

bool NetworkPort::LinkLost() const {
    return open_ && io_ && io_->lost();
}

QString NetworkPort::LostMessage() const {
    if (!LinkLost()) return {};
    // The same template as a failed opening's: either may be the one matched when shown.
    const char* why =
        io_->flooded()
            ? QT_TRANSLATE_NOOP("Messages", "соединение потеряно (сервер без конца шлёт команды "
                                            "telnet)")
            : QT_TRANSLATE_NOOP("Messages", "соединение потеряно");
    return fill_text(QT_TRANSLATE_NOOP("Messages", "Адрес %1: %2."),
                     {address_text_, QString::fromUtf8(why)});
}

bool NetworkPort::PortExists(const QString& name) {
    return parse_network_address(name).has_value();
}

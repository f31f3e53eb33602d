#include "sim/pty_server.h"

#include "protocol/codes.h"
#include "protocol/frame_codec.h"
#include "sim/fuel_model.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {
QString system_error(const char* what) {
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}
} // namespace

PtyServer::PtyServer(SimLine line)
    : shared_(std::make_shared<Shared>(std::move(line))), line_(shared_->line),
      mutex_(shared_->mutex) {}

PtyServer::PtyServer(PtyServer& same_line)
    : shared_(same_line.shared_), line_(shared_->line), mutex_(shared_->mutex) {}

PtyServer::~PtyServer() {
    stop();
}

bool PtyServer::start(const QString& link_path, QString* error) {
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        close_all();
        return false;
    };
    if (thread_.joinable()) return fail(QStringLiteral("already serving"));
    stop_ = false;
    vanish_ = false;
    finished_ = false;

    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) return fail(system_error("posix_openpt"));
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) return fail(system_error("unlockpt"));
    char name[128] = {};
    if (ptsname_r(master_, name, sizeof name) != 0) return fail(system_error("ptsname"));
    slave_path_ = QString::fromLocal8Bit(name);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);

    // Raw 8N1 at 19200 from the start, so that a client that sets nothing
    // gets the bytes unchanged and no echo of its own requests.
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) return fail(system_error("open slave"));
    termios tio{};
    if (tcgetattr(slave_, &tio) != 0) return fail(system_error("tcgetattr"));
    cfmakeraw(&tio);
    cfsetispeed(&tio, B19200);
    cfsetospeed(&tio, B19200);
    tio.c_cflag |= CLOCAL | CREAD;
    if (tcsetattr(slave_, TCSANOW, &tio) != 0) return fail(system_error("tcsetattr"));

    if (pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0) return fail(system_error("pipe"));

    // Our own descriptor of the slave keeps the master from hanging up, so
    // the master cannot tell when a client comes or goes; the device node's
    // open and close events can.  Without them (no inotify) replies may
    // still reach a later client, nothing worse.
    peers_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (peers_ >= 0 && inotify_add_watch(peers_, name, IN_OPEN | IN_CLOSE) < 0) {
        ::close(peers_);
        peers_ = -1;
    }

    if (!link_path.isEmpty()) {
        const QByteArray link = QFile::encodeName(link_path);
        struct stat st {};
        if (lstat(link.constData(), &st) == 0) {
            if (!S_ISLNK(st.st_mode))
                return fail(QStringLiteral("%1 exists and is not a symbolic link").arg(link_path));
            ::unlink(link.constData());
        }
        if (::symlink(name, link.constData()) != 0)
            return fail(QStringLiteral("cannot create the link %1: %2")
                            .arg(link_path, QString::fromLocal8Bit(std::strerror(errno))));
        link_path_ = link_path;
    }
    thread_ = std::thread(&PtyServer::run, this);
    return true;
}

void PtyServer::wake() {
    if (wake_[1] >= 0) {
        const char c = 1;
        [[maybe_unused]] ssize_t n = ::write(wake_[1], &c, 1);
    }
}

void PtyServer::stop() {
    stop_ = true;
    wake();
    if (thread_.joinable()) thread_.join();
    close_all();
    remove_link();
}

void PtyServer::vanish() {
    vanish_ = true;
    wake();
}

void PtyServer::close_all() {
    for (int* fd : {&master_, &slave_, &wake_[0], &wake_[1], &peers_})
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
}

void PtyServer::remove_link() {
    if (link_path_.isEmpty()) return;
    const QByteArray link = QFile::encodeName(link_path_);
    char target[PATH_MAX] = {};
    const ssize_t n = ::readlink(link.constData(), target, sizeof target - 1);
    // Only our own link: someone may have put another one there meanwhile.
    if (n > 0 && QString::fromLocal8Bit(target, n) == slave_path_) ::unlink(link.constData());
    link_path_.clear();
}

void PtyServer::send_noise(const QByteArray& bytes) {
    {
        std::lock_guard<std::mutex> lock(noise_mutex_);
        noise_burst_ += bytes.left(kMaxQueued - noise_burst_.size());
    }
    wake();
}

void PtyServer::set_noise(int bytes_per_second) {
    noise_rate_ = bytes_per_second;
    wake();
}

void PtyServer::queue(int64_t due_us, const QByteArray& bytes, int64_t spacing_us) {
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (out_.size() >= size_t(kMaxQueued)) {
            bytes_dropped_ += uint64_t(bytes.size() - i);
            break;
        }
        out_.emplace(due_us + i * spacing_us, bytes[i]);
    }
    queued_ = int(out_.size());
}

void PtyServer::drop_queued() {
    bytes_dropped_ += out_.size();
    out_.clear();
    queued_ = 0;
    // What the pty itself still holds for the slave side goes as well.
    if (slave_ >= 0) tcflush(slave_, TCIFLUSH);
}

int64_t PtyServer::terminal_poll(int64_t now, bool wire) {
    const int period = terminal_ms_;
    if (period < 0 || terminal_from_ == 0 || now < terminal_from_) return terminal_from_;
    const uint64_t n = terminal_polls_++;
    QByteArray request;
    LineAnswer answer;
    const int64_t spacing = wire ? SimLine::kByteUs : 0;
    // After whatever is still on its way out: one talker at a time.
    const int64_t start = std::max(now, out_.empty() ? now : out_.rbegin()->first + spacing);
    int64_t heard = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const int count = line_.sensor_count();
        if (count == 0) return 0;
        const uint8_t address = line_.sensor_at(int(n % uint64_t(count))).address();
        const uint8_t cmd = (n / uint64_t(count)) % 2 ? CMD_READ_ID : CMD_READ_STATE;
        request.append(char(kRequestStart)).append(char(address)).append(char(cmd));
        request = Control_summ(request);
        heard = start + line_.wire_us(int(request.size()));
        answer = line_.hear(request, heard);
    }
    queue(start, request, spacing);
    for (const LinePiece& piece : answer)
        queue(heard + piece.offset_us + spacing, piece.bytes, spacing);
    const int64_t done = out_.empty() ? now : out_.rbegin()->first;
    // Without wire timing everything is there at once: still leave the
    // client a moment between polls.
    const int64_t gap = wire ? kBurstGapUs : 2'000;
    return std::max(done + gap, start + int64_t{period} * 1000);
}

void PtyServer::run() {
    // Bytes go out on the microsecond they are due, not up to 50 us later as
    // the system would otherwise round our waits (wire timing is about 521 us
    // a byte).
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    QByteArray rx;
    int64_t first_rx = 0, last_rx = 0;
    bool framed = false;  // a loader has a whole frame in `rx`: no gap to wait for
    bool blocked = false; // the client is not reading and the pty is full
    int64_t next_noise = 0;
    int64_t next_poll = 0;

    while (!stop_ && !vanish_) {
        bool wire = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            wire = line_.wire_timing();
        }
        const auto heard_at = [&] {
            const int64_t on_wire = wire ? first_rx + int64_t{rx.size()} * SimLine::kByteUs : 0;
            return std::max(last_rx + (framed ? 0 : kBurstGapUs), on_wire);
        };
        const int noise = noise_rate_;
        int64_t deadline = LLONG_MAX;
        if (!rx.isEmpty()) deadline = heard_at();
        // A full pty is waited out with POLLOUT; due bytes only matter once
        // the client reads again.
        if (!out_.empty() && !blocked) deadline = std::min(deadline, out_.begin()->first);
        if (noise > 0 && !blocked) deadline = std::min(deadline, std::max(next_noise, int64_t{0}));
        if (terminal_ms_ >= 0 && terminal_from_ > 0 && !blocked)
            deadline = std::min(deadline, std::max({next_poll, terminal_from_, int64_t{0}}));

        pollfd fds[3] = {{master_, short(POLLIN | (blocked ? POLLOUT : 0)), 0},
                         {wake_[0], POLLIN, 0},
                         {peers_, POLLIN, 0}};
        timespec ts{};
        timespec* tsp = nullptr;
        if (deadline != LLONG_MAX) {
            const int64_t wait = std::max<int64_t>(0, deadline - time_.now_us());
            ts.tv_sec = wait / 1'000'000;
            ts.tv_nsec = (wait % 1'000'000) * 1000;
            tsp = &ts;
        }
        if (ppoll(fds, peers_ >= 0 ? 3 : 2, tsp, nullptr) < 0 && errno != EINTR) break;
        {
            // The timing may have changed while we waited (a test switching it
            // off for a burst); what is queued from here on goes by the new one.
            std::lock_guard<std::mutex> lock(mutex_);
            wire = line_.wire_timing();
        }
        if (fds[1].revents & POLLIN) {
            char drain[64];
            while (::read(wake_[0], drain, sizeof drain) > 0) {
            }
        }
        // A client came or went: what is queued was meant for the old one.
        // Taken before the master, so a new client's first request is kept.
        if (peers_ >= 0 && (fds[2].revents & POLLIN)) {
            alignas(inotify_event) char events[1024];
            bool changed = false;
            ssize_t got = 0;
            while ((got = ::read(peers_, events, sizeof events)) > 0) {
                changed = true;
                for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= got;) {
                    const auto* e = reinterpret_cast<const inotify_event*>(events + at);
                    // The terminal polls while a client listens.
                    if (e->mask & IN_OPEN)
                        terminal_from_ = time_.now_us() + int64_t{kTerminalStartMs} * 1000;
                    else if (e->mask & IN_CLOSE)
                        terminal_from_ = 0;
                    at += ssize_t(sizeof(inotify_event)) + ssize_t(e->len);
                }
            }
            if (changed) {
                ++peer_changes_;
                drop_queued();
                rx.clear();
                blocked = false;
            }
        }
        if (fds[0].revents & POLLOUT) blocked = false;
        if (fds[0].revents & POLLIN) {
            char buf[4096];
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n > 0) {
                const int64_t now = time_.now_us();
                if (rx.isEmpty()) first_rx = now;
                rx.append(buf, n);
                if (rx.size() > kMaxBurst) rx.remove(0, rx.size() - kMaxBurst);
                last_rx = now;
                std::lock_guard<std::mutex> lock(mutex_);
                framed = line_.loader_answers(rx);
            }
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            // Cannot happen while we hold the slave open; never spin on it.
            ::usleep(10'000);
        }

        const int64_t now = time_.now_us();
        if (!rx.isEmpty() && now >= heard_at()) {
            // The part heard the burst when its last byte was in, not when
            // this thread woke to see it: its answer is timed from there, as
            // a sensor's would be.  A wake-up later than a byte's time
            // counts from the wake-up, so that no answer is due before it
            // and none goes out faster than the wire would carry it.
            const int64_t heard = std::max(heard_at(), now - (SimLine::kByteUs - 1));
            LineAnswer answer;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                answer = line_.hear(rx, heard);
            }
            rx.clear();
            ++bursts_heard_;
            for (const LinePiece& piece : answer)
                queue(heard + piece.offset_us + (wire ? SimLine::kByteUs : 0), piece.bytes,
                      wire ? SimLine::kByteUs : 0);
        }

        if (!blocked && rx.isEmpty() && terminal_ms_ >= 0 && terminal_from_ > 0 &&
            now >= std::max(next_poll, terminal_from_))
            next_poll = terminal_poll(now, wire);

        {
            std::lock_guard<std::mutex> lock(noise_mutex_);
            if (!noise_burst_.isEmpty()) {
                queue(now, noise_burst_, wire ? SimLine::kByteUs : 0);
                noise_burst_.clear();
            }
        }
        if (noise == 0) {
            next_noise = 0;
        } else if (!blocked) {
            // Random bytes, paced at the given rate or as many as the queue
            // holds, so that a full-speed client is never kept waiting.
            const int64_t step = noise > 0 ? std::max<int64_t>(1, 1'000'000 / noise) : 0;
            if (next_noise == 0 || noise < 0) next_noise = now;
            QByteArray bytes;
            while (next_noise <= now && out_.size() + size_t(bytes.size()) < size_t(kMaxQueued)) {
                bytes.append(char(sim_hash(++noise_count_) & 0xFF));
                if (step == 0 && bytes.size() >= 4096) break;
                next_noise += step;
            }
            queue(now, bytes, 0);
        }

        if (!blocked && !out_.empty() && out_.begin()->first <= now) {
            QByteArray due;
            for (auto it = out_.begin(); it != out_.end() && it->first <= now && due.size() < 4096;
                 ++it)
                due.append(it->second);
            const ssize_t n = ::write(master_, due.constData(), static_cast<size_t>(due.size()));
            const qsizetype written = n > 0 ? n : 0;
            blocked = written < due.size();
            out_.erase(out_.begin(), std::next(out_.begin(), written));
            queued_ = int(out_.size());
            bytes_sent_ += uint64_t(written);
        }
    }
    if (vanish_) {
        // The wake pipe stays for stop(); the client loses its line now.
        for (int* fd : {&master_, &slave_, &peers_}) {
            if (*fd >= 0) ::close(*fd);
            *fd = -1;
        }
        remove_link();
    }
    finished_ = true;
}

#include "link/rfc2217_client.h"

#include "i18n/language.h"

#include <initializer_list>
#include <utility>

namespace {
QByteArray bytes(std::initializer_list<uint8_t> list) {
    QByteArray b;
    for (uint8_t c : list) b.append(char(c));
    return b;
}

uint8_t wire_parity(LineSettings::Parity p) {
    switch (p) {
    case LineSettings::Parity::Odd:
        return 2;
    case LineSettings::Parity::Even:
        return 3;
    case LineSettings::Parity::Mark:
        return 4;
    case LineSettings::Parity::Space:
        return 5;
    case LineSettings::Parity::None:
        break;
    }
    return 1;
}

uint8_t wire_stop_bits(LineSettings::StopBits s) {
    switch (s) {
    case LineSettings::StopBits::Two:
        return 2;
    case LineSettings::StopBits::OneAndHalf:
        return 3;
    case LineSettings::StopBits::One:
        break;
    }
    return 1;
}

void append_iac_doubled(QByteArray& out, const QByteArray& data) {
    for (char c : data) {
        out.append(c);
        if (uint8_t(c) == Rfc2217Client::kIac) out.append(c);
    }
}

QByteArray command(uint8_t verb, uint8_t opt) {
    return bytes({uint8_t(Rfc2217Client::kIac), uint8_t(verb), uint8_t(opt)});
}

QByteArray com_port_command(uint8_t code, const QByteArray& value) {
    QByteArray out =
        bytes({Rfc2217Client::kIac, Rfc2217Client::kSb, Rfc2217Client::kComPort, code});
    append_iac_doubled(out, value);
    out.append(char(Rfc2217Client::kIac));
    out.append(char(Rfc2217Client::kSe));
    return out;
}

// The options we take on either side; everything else is refused.
bool wanted(uint8_t opt, bool ours) {
    if (opt == Rfc2217Client::kBinary || opt == Rfc2217Client::kSuppressGoAhead) return true;
    return ours && opt == Rfc2217Client::kComPort;
}
} // namespace

QByteArray Rfc2217Client::start(const LineSettings& line) {
    QByteArray out;
    for (uint8_t opt : {kBinary, kSuppressGoAhead, kComPort}) {
        us_[opt] = true; // offered; a DONT takes it back
        out += command(kWill, opt);
    }
    for (uint8_t opt : {kBinary, kSuppressGoAhead}) {
        him_[opt] = true;
        out += command(kDo, opt);
    }
    const auto baud = uint32_t(line.baud);
    asked_ = {0, baud, uint32_t(line.data_bits), wire_parity(line.parity),
              wire_stop_bits(line.stop_bits)};
    confirmed_ = {};
    mismatch_ = false;
    out += com_port_command(kSetBaud, bytes({uint8_t(baud >> 24), uint8_t(baud >> 16),
                                             uint8_t(baud >> 8), uint8_t(baud)}));
    out += com_port_command(kSetDataSize, QByteArray(1, char(asked_[kSetDataSize])));
    out += com_port_command(kSetParity, QByteArray(1, char(asked_[kSetParity])));
    out += com_port_command(kSetStopSize, QByteArray(1, char(asked_[kSetStopSize])));
    out += com_port_command(kSetControl, QByteArray(1, char(1))); // no flow control
    return out;
}

bool Rfc2217Client::line_confirmed() const {
    return !mismatch_ && confirmed_[kSetBaud] && confirmed_[kSetDataSize] &&
           confirmed_[kSetParity] && confirmed_[kSetStopSize];
}

QByteArray Rfc2217Client::escape(const QByteArray& data) const {
    QByteArray out;
    out.reserve(data.size() + 8);
    for (char c : data) {
        out.append(c);
        if (uint8_t(c) == kIac)
            out.append(c);
        else if (c == '\r' && !us_[kBinary])
            out.append('\0');
    }
    return out;
}

QByteArray Rfc2217Client::receive(const QByteArray& bytes, QByteArray& reply) {
    QByteArray data;
    for (char ch : bytes) {
        const auto b = uint8_t(ch);
        switch (state_) {
        case State::Data:
            if (b == kIac) {
                state_ = State::Iac;
            } else {
                // Outside binary mode a CR comes as CR NUL.
                if (!(b == 0 && last_cr_ && !him_[kBinary])) data.append(ch);
                last_cr_ = b == '\r';
            }
            break;
        case State::Iac:
            if (b == kIac) {
                data.append(ch);
                last_cr_ = false;
                state_ = State::Data;
            } else if (b == kSb) {
                ++commands_;
                sub_.clear();
                sub_dropped_ = 0;
                state_ = State::Sub;
            } else if (b >= kWill && b <= kDont) {
                ++commands_;
                verb_ = b;
                state_ = State::Option;
            } else {
                ++commands_;
                state_ = State::Data; // NOP, GA, data mark and the like: nothing for us
            }
            break;
        case State::Option:
            option(verb_, b, reply);
            state_ = State::Data;
            break;
        case State::Sub:
            if (b == kIac) {
                state_ = State::SubIac;
            } else if (sub_.size() < kMaxSubnegotiation) {
                sub_.append(ch);
            } else if (++sub_dropped_ % kMaxSubnegotiation == 0) {
                ++commands_; // one that never ends counts as many
            }
            break;
        case State::SubIac:
            if (b == kSe) {
                subnegotiation();
                state_ = State::Data;
            } else {
                // A doubled IAC is a data byte of the subnegotiation; anything
                // else is a broken one, dropped as if it had ended.
                if (b == kIac && sub_.size() < kMaxSubnegotiation) sub_.append(ch);
                state_ = b == kIac ? State::Sub : State::Data;
            }
            break;
        }
    }
    return data;
}

void Rfc2217Client::option(uint8_t verb, uint8_t opt, QByteArray& reply) {
    // An answer only where the state changes (or to refuse), so that two
    // sides never bounce the same command back and forth.
    switch (verb) {
    case kDo:
        if (wanted(opt, true)) {
            if (!us_[opt]) {
                us_[opt] = true;
                reply += command(kWill, opt);
            }
        } else if (!std::exchange(refused_us_[opt], true)) {
            reply += command(kWont, opt);
        }
        break;
    case kDont:
        if (opt == kComPort) com_port_refused_ = true;
        if (us_[opt]) {
            us_[opt] = false;
            reply += command(kWont, opt);
        }
        break;
    case kWill:
        if (wanted(opt, false)) {
            if (!him_[opt]) {
                him_[opt] = true;
                reply += command(kDo, opt);
            }
        } else if (!std::exchange(refused_him_[opt], true)) {
            reply += command(kDont, opt);
        }
        break;
    case kWont:
        if (him_[opt]) {
            him_[opt] = false;
            reply += command(kDont, opt);
        }
        break;
    default:
        break;
    }
}

void Rfc2217Client::subnegotiation() {
    if (sub_.size() < 2 || uint8_t(sub_[0]) != kComPort) return;
    const int code = uint8_t(sub_[1]) - 100;
    const QByteArray value = sub_.mid(2);
    // A longer value than the option's counts by its first bytes.
    if (code == kSetBaud && value.size() >= 4) {
        const uint32_t baud = uint32_t(uint8_t(value[0])) << 24 |
                              uint32_t(uint8_t(value[1])) << 16 | uint32_t(uint8_t(value[2])) << 8 |
                              uint8_t(value[3]);
        confirmed_baud_ = baud;
        confirmed_[kSetBaud] = true;
        if (baud != asked_[kSetBaud]) mismatch_ = true;
    } else if ((code == kSetDataSize || code == kSetParity || code == kSetStopSize) &&
               !value.isEmpty()) {
        confirmed_[code] = true;
        if (uint8_t(value[0]) != asked_[code]) mismatch_ = true;
    }
    // Line and modem state notices, flow control suspend and resume: the
    // sensor line has no use for them.
}

StreamTransport::Setup Rfc2217Client::setup(const QString& settings, QString* why) const {
    if (com_port_refused_) {
        if (why)
            *why = QString::fromUtf8(
                QT_TRANSLATE_NOOP("Messages", "сервер не принимает настройку порта (RFC 2217)"));
        return Setup::Refused;
    }
    if (mismatch_) {
        if (why)
            *why =
                fill_text(QT_TRANSLATE_NOOP("Messages", "сервер не установил порт %1"), {settings});
        return Setup::Refused;
    }
    return line_confirmed() ? Setup::Ready : Setup::Pending;
}

std::unique_ptr<StreamTransport> transport_for(NetworkAddress::Mode mode) {
    if (mode == NetworkAddress::Mode::Rfc2217) return std::make_unique<Rfc2217Client>();
    return std::make_unique<RawTransport>();
}

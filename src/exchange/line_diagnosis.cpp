#include "exchange/line_diagnosis.h"

#include "protocol/codes.h"
#include "protocol/frame_finder.h"
#include "protocol/requests.h"
#include "protocol/serial_port.h"

#include <QCoreApplication>
#include <algorithm>

namespace {
QString ms(double v) {
    return QString::number(v, 'f', 1);
}

// Whether anything at all came back to a request of this address.
bool heard_from(const AddressStats& s) {
    return s.answered + s.badcrc + s.other > 0;
}

} // namespace

QString stats_line(const AddressStats& s) {
    return QStringLiteral("%1 sent=%2 answered=%3 silent=%4 badcrc=%5 other=%6 p50=%7 p95=%8 "
                          "max=%9")
        .arg(s.address)
        .arg(s.sent)
        .arg(s.answered)
        .arg(s.silent)
        .arg(s.badcrc)
        .arg(s.other)
        .arg(ms(s.p50_ms), ms(s.p95_ms), ms(s.max_ms));
}

QStringList line_hints(const LineReport& r) {
    QStringList hints;
    const bool anyone =
        r.scans_answered > 0 || std::any_of(r.addresses.begin(), r.addresses.end(), heard_from);
    if (!anyone && (r.scans > 0 || !r.addresses.empty())) {
        hints << QCoreApplication::translate(
            "LineDiagnosis",
            "hint: никто не отвечает: проверьте питание датчиков, полярность линии (не "
            "перепутаны ли A и B), тот ли выбран порт и тот ли подключён адаптер");
        return hints;
    }
    for (const AddressStats& s : r.addresses) {
        if (s.sent > 0 && double(s.badcrc) * 100.0 >= kBadCrcHintPercent * double(s.sent))
            hints << QCoreApplication::translate(
                         "LineDiagnosis",
                         "hint: адрес %1: ответы с ошибкой CRC (%2 из %3): проверьте терминаторы "
                         "120 Ом на концах линии, смещение линии (bias), длину и "
                         "целость кабеля, нет ли на линии второго ведущего "
                         "(терминала, который опрашивает её сам)")
                         .arg(s.address)
                         .arg(s.badcrc)
                         .arg(s.sent);
        if (s.echoed > 0)
            hints << QCoreApplication::translate(
                         "LineDiagnosis",
                         "hint: адрес %1: ответ начинается с байтов самого запроса (%2 раз): "
                         "адаптер возвращает эхо того, что передаёт; выключите "
                         "эхо в адаптере или шлюзе")
                         .arg(s.address)
                         .arg(s.echoed);
        if (s.latencies > 0 && s.p95_ms > kSlowP95Ms)
            hints << QCoreApplication::translate(
                         "LineDiagnosis",
                         "hint: адрес %1: задержка ответа p95 %2 мс (больше %3 мс): медленный "
                         "шлюз или преобразователь между компьютером и линией")
                         .arg(s.address)
                         .arg(ms(s.p95_ms), ms(kSlowP95Ms));
    }
    for (uint8_t d : r.duplicates)
        hints << QCoreApplication::translate(
                     "LineDiagnosis", "hint: адрес %1: на один опрос сети ответили два датчика: у "
                                      "двух датчиков один сетевой адрес; подключайте их по одному "
                                      "и задайте разные адреса")
                     .arg(d);
    return hints;
}

int diag_status(const LineReport& r) {
    if (r.addresses.empty() || std::none_of(r.addresses.begin(), r.addresses.end(), heard_from))
        return kDiagSilent;
    for (const AddressStats& s : r.addresses)
        if (s.badcrc > 0 || double(s.answered) * 100.0 < kAnsweredCleanPercent * double(s.sent))
            return kDiagFaulty;
    return kDiagClean;
}

namespace {
// Whether `got` holds the whole answer to `request`: a whole reply, as long
// a reply as its code allows, or something that is no reply at all.
bool reply_complete(const QByteArray& request, const QByteArray& got) {
    const QByteArray reply = got.startsWith(request) ? got.mid(request.size()) : got;
    if (reply.isEmpty()) return false;
    if (uint8_t(reply[0]) != kReplyStart) return true;
    if (reply.size() < 3) return false;
    const std::vector<int> lengths =
        frame_lengths(kReplyStart, uint8_t(reply[1]), uint8_t(reply[2]));
    if (lengths.empty() || reply.size() >= lengths.back()) return true;
    return std::any_of(lengths.begin(), lengths.end(),
                       [&](int l) { return l <= reply.size() && is_whole_frame(reply.left(l)); });
}
} // namespace

std::vector<uint8_t> probe_line(SerialPort& port, LineMonitor& monitor,
                                std::vector<uint8_t> addresses, int count,
                                const std::function<bool()>& stop) {
    if (addresses.empty()) {
        port.WritePort(request::net_scan());
        for (char c : port.ReadPort())
            if (std::find(addresses.begin(), addresses.end(), uint8_t(c)) == addresses.end())
                addresses.push_back(uint8_t(c));
    }
    for (uint8_t a : addresses)
        for (int i = 0; i < count && !stop(); ++i) {
            const QByteArray request = request::read_state(a);
            port.WritePort(request);
            // A reply with a pause inside it is read on, so that its rest is
            // not taken for the answer to the next request.
            QByteArray got = port.ReadPort();
            while (!got.isEmpty() && !reply_complete(request, got)) {
                const QByteArray more = port.ReadPort();
                if (more.isEmpty()) break;
                got += more;
            }
        }
    monitor.settle();
    return addresses;
}

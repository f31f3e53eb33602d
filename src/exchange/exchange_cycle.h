#pragma once
// The exchange cycle: once a second, read the reply to the previous request,
// send the pending one (or a state request), and hand the reply on.
#include <QByteArray>
#include <QString>

#include <cstdint>

struct Configurator;

// One tick.  Run by `TMRComm`, and directly for a replay after `replay_reply`
// and `replay_mode` have been set.  A tick waits for the port without
// blocking the event loop; a tick that comes while another is still running
// (waiting for its reply or showing a message) does nothing, and a replay
// asked for then is refused with kReplayRefused.
void TMRComm_Timer(Configurator& c);
// Said when a request would go to a sensor in frequency mode, which does not
// take requests; the request is dropped.
inline const QString kFrequencyRefusal = QString::fromUtf8(QT_TRANSLATE_NOOP(
    "Messages", "Эту операцию невозможно выполнить в частотном режиме. Отключите ненадолго "
                "питание датчика и сделайте опрос сети"));
inline const QString kReplayRefused = QString::fromUtf8(
    QT_TRANSLATE_NOOP("Messages", "Идёт обмен с датчиком: запись из файла не показана"));

// Reply processing of a tick (CRC, framed or scan answer, indicator).
void process_reply(Configurator& c, const QByteArray& reply);

// Gives up a tick that is waiting for its reply: it will neither write nor
// show anything.  The close routine runs it; so must anything else that takes
// the port away from the cycle (the firmware upload).
void abandon_tick(Configurator& c);

// Connects `TMRComm`, `CmbNet` and `Opros` to the exchange procedures.
void wire_exchange(Configurator& c);

#pragma once
// Writing the operating mode: the mode byte and, for newer firmware, the
// extended mode byte, composed from the controls of the "Режимы" frame.
#include <QString>

struct Configurator;

// Added to the mode question (%1) when the new mode is frequency output.
inline const char kFrequencyModeWarning[] = QT_TRANSLATE_NOOP(
    "Messages",
    "%1\n\nВ частотном режиме датчик перестаёт отвечать по RS-485: ни прочитать, ни изменить его "
    "настройки отсюда будет нельзя. Вернуть его можно, только ненадолго отключив питание датчика "
    "и сразу выполнив «Поиск датчиков».");

// The `Set_mode` button; also run by the exchange cycle two ticks after a
// table write.  Queues a CMD_SET_MODE request.
void Set_mode_Click(Configurator& c);
// The smoothing slider `Slider1` moved: its value shows in `sgla`.
void smoothing_slider_moved(Configurator& c);
// Connects `Set_mode` and `Slider1` to the procedures above.
void wire_operating_mode(Configurator& c);

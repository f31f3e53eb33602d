#pragma once
// Writing the operating mode: the mode byte and, for newer firmware, the
// extended mode byte, composed from the controls of the "Режимы" frame.
struct Configurator;

// The `Set_mode` button; also run by the exchange cycle two ticks after a
// table write.  Queues a CMD_SET_MODE request.
void Set_mode_Click(Configurator& c);
// The smoothing slider `Slider1` moved: its value shows in `sgla`.
void smoothing_slider_moved(Configurator& c);
// Connects `Set_mode` and `Slider1` to the procedures above.
void wire_operating_mode(Configurator& c);

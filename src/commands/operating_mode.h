#pragma once
// Writing the operating mode: the mode byte and, for newer firmware, the
// extended mode byte, composed from the controls of the "Режимы" frame.
struct Configurator;

// The `Set_mode` button; also run by the exchange cycle two ticks after a
// table write.  Stores a CMD_SET_MODE request in `wrs`.
void Set_mode_Click(Configurator& c);
// The smoothing slider moved: its value shows in `sgla`.
void Slider1_Change(Configurator& c);
// Connects `Set_mode` and `Slider1` to the procedures above.
void wire_operating_mode(Configurator& c);

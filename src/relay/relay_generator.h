#pragma once
// The "Дист. упр." tab: relay strings for a sensor reached through a
// telematics terminal.  Nothing here touches the port; the request slot is
// only emptied.
#include <QString>

#include <functional>

struct Configurator;
class MainForm;

// The value prompt of an entry of `VibGenCmd`; empty when it takes no value.
QString relay_prompt(int entry);

// A new entry chosen: show the value box with its prompt, or the mode frame.
void VibGenCmd_Click(MainForm& f);
// The generator's smoothing slider `Slider1d` moved: its value shows in `sglad`.
void relay_smoothing_slider_moved(MainForm& f);
// "Cгенерировать запрос": the relay string of the chosen entry into `gen_txt`.
void gen_zapr_Click(Configurator& c);

// Puts text on the system clipboard; the window layer provides it.
using ClipboardSink = std::function<void(const QString&)>;

// Connects the generator's controls, the copy button and the server log reader.
void wire_relay(Configurator& c, ClipboardSink to_clipboard);

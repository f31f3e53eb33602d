#pragma once
// Connects every configuration command of the main window and the shift window.
struct Configurator;

void wire_commands(Configurator& c);

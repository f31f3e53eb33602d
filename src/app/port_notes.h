#pragma once
// The port list's drop-down shows each adapter's make beside its name (the
// entry's tooltip holds it); the box itself keeps the bare name, which is
// what is opened and what may be typed.
class QComboBox;

void show_port_notes(QComboBox* ports);

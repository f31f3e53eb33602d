#pragma once
// A firmware image (*.cri) that the simulated sensors' bootloader takes, to
// try an upload with when no real image is at hand.
#include <QByteArray>
#include <QString>

// The image: a header, the data-memory and gap blocks, and a short program
// that begins where the sensors' program begins.
QByteArray sim_firmware_image();

// Writes it whole to `path`; false and `error` set when that fails.
bool write_sim_firmware_image(const QString& path, QString& error);

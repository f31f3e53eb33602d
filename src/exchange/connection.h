#pragma once
// Opening and closing the link: the connected and disconnected arrangements
// of the main window.
#include <QString>

struct Configurator;
enum class OpenFailure;

// "Открыть порт": opens the port chosen in `CmbPort` and starts the cycle;
// on failure warns, logs and runs the close routine.
void BTNOpenCom_Click(Configurator& c);
// The one way back to the disconnected state: stops the cycle, closes the
// port, switches the port-bound controls off and clears the sensor display.
// Harmless when no port is open.
void close_routine(Configurator& c);
// "Закрыть порт".
void BTNCloseCom_Click(Configurator& c);
// Connects `BTNOpenCom` and `BTNCloseCom` to the procedures above.
void wire_connection(Configurator& c);

// The second line of the open warning for a busy port or a missing access
// right; empty for other failures.  `device` is the name given to OpenPort.
QString open_failure_hint(OpenFailure why, const QString& device);

#pragma once
// Lines of a telematics server's log.  An answer line holds, anywhere in it,
// "485=", three characters (the answer's length and a colon), then the
// sensor's answer in hexadecimal starting with its reply start byte 3E.
#include <QString>

#include <optional>

// The hexadecimal text of the answer a line carries (from the "3E" to the end
// of the line), or nothing when the line carries none.
std::optional<QString> server_log_answer(const QString& line);

#pragma once
// What the line's counts mean, for the engineer on the truck: one figures
// line an address and the conclusions, each a "hint: " line in Russian.  The
// window's line monitor and zorvik-cli diag say the same.
#include "exchange/line_monitor.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class SerialPort;

// "5 sent=100 answered=97 silent=3 badcrc=0 other=0 p50=4.1 p95=5.0 max=7.3"
QString stats_line(const AddressStats& s);

// The conclusions, in a fixed order; none on a clean line.
QStringList line_hints(const LineReport& report);

// zorvik-cli diag's exit status: 0 when every address answered at least 99 %
// of its requests and none with a bad CRC, 1 when nothing answered at all,
// 3 otherwise.
inline constexpr int kDiagClean = 0;
inline constexpr int kDiagSilent = 1;
inline constexpr int kDiagFaulty = 3;
int diag_status(const LineReport& report);

// Thresholds of the conclusions.
inline constexpr double kBadCrcHintPercent = 1.0;
inline constexpr double kAnsweredCleanPercent = 99.0;
inline constexpr double kSlowP95Ms = 100.0;

// zorvik-cli diag's traffic: the state of each of `addresses` asked `count`
// times, one request as soon as the previous read has ended (the port's read
// rules), or first a network scan that finds the addresses when none are
// given.  `monitor` must be the port's tap; it is settled at the end.
// `stop` is asked between requests.  The addresses asked, in order.
std::vector<uint8_t> probe_line(SerialPort& port, LineMonitor& monitor,
                                std::vector<uint8_t> addresses, int count,
                                const std::function<bool()>& stop);

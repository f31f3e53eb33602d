// The table fit's time for recordings of 500 and 5,000 rows: a horizontal
// cylinder filled in equal portions, the level read with a little noise.
// Prints the best of several runs (one for the long recording), the number
// of corners and the error found.
#include "protocol/table_fit.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

namespace {
std::vector<TablePoint> cylinder(int rows) {
    std::mt19937 rng(500);
    const double r = 1.0, full = 30000;
    const double area = std::acos(-1.0) * r * r;
    std::vector<TablePoint> points;
    for (int k = 0; k < rows; ++k) {
        const double h = 2 * r * k / (rows - 1);
        const double a = r * r * std::acos((r - h) / r) - (r - h) * std::sqrt(2 * r * h - h * h);
        int litres = int(std::lround(full * a / area)) + int(rng() % 7) - 3;
        litres = std::clamp(litres, points.empty() ? 0 : points.back().litres, 32767);
        points.push_back({10 + 3 * k, litres});
    }
    return points;
}
} // namespace

int main() {
    for (int rows : {500, 5000}) {
        const std::vector<TablePoint> points = cylinder(rows);
        const int runs = rows <= 500 ? 5 : 1;
        double best_ms = 1e300;
        Result<TableFit> fit = Error{ErrorKind::BadInput, {}};
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer t;
            t.start();
            fit = fit_table(points);
            best_ms = std::min(best_ms, t.nsecsElapsed() / 1e6);
        }
        if (!fit) return 1;
        std::printf("fit of %d rows: %.1f ms (best of %d), %zu corners, %s\n", rows, best_ms, runs,
                    fit->corners, qPrintable(fit_summary(*fit)));
    }
    return 0;
}

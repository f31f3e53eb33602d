// Platform tables (xy, csv, json, segments) as a fleet platform's file holds
// them; the first byte picks the format.  What is accepted has at least two
// points, rising readings and litres that never fall, all within 0..32767, and
// comes back the same when written out in any format and read again.
#include "fuzz_support.h"

#include "protocol/platform_table.h"

#include <array>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 64 * 1024) return 0;
    constexpr std::array<PlatformFormat, 4> kFormats{
        PlatformFormat::Xy, PlatformFormat::Csv, PlatformFormat::Json, PlatformFormat::Segments};
    const PlatformFormat format = kFormats[data[0] % kFormats.size()];
    const Result<std::vector<TablePoint>> points =
        read_platform_table(fuzz_bytes(data + 1, size - 1), format);
    if (!points) {
        FUZZ_CHECK(!points.error().text.isEmpty());
        return 0;
    }
    FUZZ_CHECK(points->size() >= 2);
    for (size_t k = 0; k < points->size(); ++k) {
        const TablePoint& p = (*points)[k];
        FUZZ_CHECK(p.reading >= 0 && p.reading <= 32767 && p.litres >= 0 && p.litres <= 32767);
        if (k > 0) {
            FUZZ_CHECK(p.reading > (*points)[k - 1].reading);
            FUZZ_CHECK(p.litres >= (*points)[k - 1].litres);
        }
    }
    for (PlatformFormat f : kFormats) {
        const Result<std::vector<TablePoint>> again =
            read_platform_table(platform_table_bytes(*points, f), f);
        FUZZ_CHECK(again.ok() && *again == *points);
    }
    return 0;
}

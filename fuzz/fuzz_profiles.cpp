// Profile files (JSON).  What is accepted keeps the optional fields to the
// firmware that has them, and writes back out
// to a file that reads back the same.  A sensor set up as the profile says
// differs in nothing and needs no newer firmware; against another sensor the
// writes are one frame per differing field (one for both mode bytes), each
// for that sensor's address with the request code its confirmation carries.
#include "fuzz_support.h"

#include "profiles/profile.h"
#include "profiles/profile_plan.h"
#include "protocol/codes.h"
#include "protocol/frame_codec.h"
#include "protocol/requests.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 64 * 1024) return 0;
    const Result<Profile> p = parse_profile(fuzz_bytes(data, size));
    if (!p) {
        FUZZ_CHECK(!p.error().text.isEmpty());
        return 0;
    }
    FUZZ_CHECK(p->firmware >= 0 && p->firmware <= 255);
    if (p->alarm) FUZZ_CHECK(p->firmware >= kAlarmFirmware);
    if (p->extended) FUZZ_CHECK(p->firmware >= kExtendedFirmware);
    if (p->table) {
        FUZZ_CHECK(p->firmware >= kTableFirmware);
        for (int k = 0; k < CalibrationTable::kPoints; ++k)
            FUZZ_CHECK(p->table->readings[size_t(k)] <= CalibrationTable::kMaxValue &&
                       p->table->litres[size_t(k)] <= CalibrationTable::kMaxValue);
    }
    const Result<Profile> again = parse_profile(profile_json(*p));
    FUZZ_CHECK(again.ok() && *again == *p);

    // The sensor the profile was saved from.
    SensorSetup same;
    same.serial = p->serial;
    same.firmware = p->firmware;
    same.empty = p->empty;
    same.full = p->full;
    same.mode = p->mode;
    same.alarm = p->alarm;
    same.extended = p->extended;
    same.table = p->table;
    FUZZ_CHECK(differences(*p, same).empty());
    FUZZ_CHECK(!firmware_shortfall(*p, {}, p->firmware));

    // A 1.7.6 sensor as it leaves the factory.
    SensorSetup other;
    other.firmware = 176;
    other.empty = 58400;
    other.full = 110960;
    other.mode = 0;
    other.alarm = 10;
    other.extended = 5;
    other.table = CalibrationTable::defaults();
    const std::vector<Difference> diffs = differences(*p, other);
    const std::vector<ProfileWrite> writes = profile_writes(*p, other, diffs, 7, 0);
    auto differs = [&diffs](ProfileField f) {
        return std::any_of(diffs.begin(), diffs.end(),
                           [f](const Difference& d) { return d.field == f; });
    };
    const size_t merged = differs(ProfileField::Mode) && differs(ProfileField::Extended) ? 1 : 0;
    // A value no sensor takes is refused before any write; the rest all go.
    if (!unwritable_value(*p, diffs)) FUZZ_CHECK(writes.size() == diffs.size() - merged);
    for (const ProfileWrite& w : writes) {
        FUZZ_CHECK(w.request.size() >= 7 && uint8_t(w.request[0]) == kRequestStart);
        FUZZ_CHECK(uint8_t(w.request[1]) == 7 && uint8_t(w.request[2]) == w.confirmation);
        FUZZ_CHECK(reply_crc_ok(w.request));
        FUZZ_CHECK(!w.log_record.isEmpty());
    }
    return 0;
}

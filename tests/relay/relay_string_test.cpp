// Relay strings as values: the edge cases of the generator, byte for byte.
#include "protocol/relay_string.h"
#include "protocol/server_log.h"

#include "../support/qt_printers.h"

#include <gtest/gtest.h>

namespace {
RelayRequest req(RelayOp op, bool from_176, int64_t value = 0, uint8_t address = 1) {
    RelayRequest r;
    r.op = op;
    r.address = address;
    r.from_176 = from_176;
    r.value = value;
    return r;
}
} // namespace

TEST(RelayString, EdgeCases) {
    RelayRequest mode176 = req(RelayOp::SetMode, true);
    mode176.mode = {OutputInterface::PeriodicRs485, false, true, false, true, false}; // 0x58
    mode176.extended = {7, false, false, true};                                       // 0x87
    const struct {
        RelayRequest r;
        const char* text;
    } rows[] = {
        {req(RelayOp::ReadState, false), "S485=4:23:1500:19200:3101F0C5"},
        {req(RelayOp::ReadState, true), "S485=4:24:1500:19200:3101F0C5"},
        {req(RelayOp::ReadState, false, 0, 0), "S485=4:23:1500:19200:3100F001"},
        {req(RelayOp::ReadId, false), "S485=4:10:1500:19200:3101FC66"},
        {req(RelayOp::ReadId, true), "S485=4:10:1500:19200:3101FC66"},
        {req(RelayOp::ReadId, false, 0, 5), "S485=4:10:1500:19200:3105FC5D"}, // leading zero
        {req(RelayOp::ShiftFull, false, -5), "S485=6:10:1500:19200:3101F4FFFB00"},
        {req(RelayOp::ShiftFull, true, -5), "S485=9:10:1500:19200:3101F45AC396FFFB99"},
        {req(RelayOp::ShiftEmpty, false, -5), "S485=6:8:1500:19200:3101F9FFFB10"},
        {req(RelayOp::SetMode, false), "S485=5:5:1500:19200:3101F20064"},
        {req(RelayOp::SetMode, true), "S485=9:6:1500:19200:3101F25AC3960000FE"},
        {mode176, "S485=9:6:1500:19200:3101F25AC3965887F0"},
        {req(RelayOp::EnterPassword, false, 2'000'000'000), "S485=8:4:1500:19200:3101F877359400BB"},
        {req(RelayOp::EnterPassword, true, 2'000'000'000),
         "S485=11:4:1500:19200:3101F85AC39677359400D4"},
    };
    for (const auto& row : rows) {
        const Result<QString> s = relay_string(row.r);
        ASSERT_TRUE(s.ok()) << row.text;
        EXPECT_EQ(*s, QString::fromLatin1(row.text));
    }
}

TEST(RelayString, ValuesOutsideTheirRange) {
    const struct {
        RelayOp op;
        int64_t value;
        bool ok;
    } rows[] = {
        {RelayOp::EnterPassword, 0, true},
        {RelayOp::EnterPassword, 2'000'000'000, true},
        {RelayOp::EnterPassword, 2'000'000'001, false},
        {RelayOp::EnterPassword, -1, false},
        {RelayOp::ChangePassword, -1, false},
        {RelayOp::ShiftFull, 1000, true},
        {RelayOp::ShiftFull, -1000, true},
        {RelayOp::ShiftFull, 1001, false},
        {RelayOp::ShiftEmpty, -1001, false},
        {RelayOp::DirectFull, 2'000'000'001, false},
        {RelayOp::DirectEmpty, -1, false},
        {RelayOp::DirectEmpty, 0, true},
    };
    for (const auto& row : rows) {
        const Result<QString> s = relay_string(req(row.op, false, row.value));
        EXPECT_EQ(s.ok(), row.ok) << int(row.op) << " " << row.value;
        if (!s.ok()) {
            EXPECT_EQ(s.error().kind, ErrorKind::OutOfRange);
        }
    }
}

TEST(ServerLog, AnswerLines) {
    const struct {
        const char* line;
        const char* answer; // nullptr: no answer in the line
    } rows[] = {
        {"12:00:01 id=7 S485=23:3E01F0AB", "3E01F0AB"},
        {"485=10:3E01FC", "3E01FC"},
        {"x 485=9:3E01FC", nullptr}, // one digit: the E is one place early
        {"485=10:3e01FC", nullptr},  // the E is taken as written
        {"485=10:3", nullptr},       // ends before the E
        {"S485=4:23:1500:19200:3101F0C5", nullptr},
        {"no marker 3E01F0", nullptr},
        {"485=10:3E01 485=10:3EFF", "3E01 485=10:3EFF"}, // the first marker counts
    };
    for (const auto& row : rows) {
        const auto a = server_log_answer(QString::fromLatin1(row.line));
        EXPECT_EQ(a.value_or("(none)"), row.answer ? QString::fromLatin1(row.answer) : "(none)")
            << row.line;
    }
}

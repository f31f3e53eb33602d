// The profile file: what a sensor can report reads back as it was saved; what
// no sensor can hold, or a file that says one thing twice, is refused by name;
// the file's own text never reaches the terminal as control characters.
#include "profiles/profile_file.h"
#include "profiles/profile_plan.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {
QByteArray with(const QString& extra) {
    return QStringLiteral("{\"format\": \"zorvik-profile\", \"version\": 1, \"serial\": 1, "
                          "\"firmware\": 176, \"empty\": 60000, \"full\": 118000, \"mode\": 8%1}")
        .arg(extra)
        .toUtf8();
}
} // namespace

TEST(ProfileFile, WhatASensorReportsReadsBack) {
    Profile p;
    p.saved = QStringLiteral("2026-12-09T10:00:00");
    p.serial = 0xFFFFFFFF;
    p.firmware = 176;
    p.empty = 0;
    p.full = 0xFFFFFFFF; // above what may be entered, not above what may be reported
    p.alarm = 0;
    p.mode = 0x14; // names no output
    p.extended = 255;
    p.table = CalibrationTable{};
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.json"));
    ASSERT_TRUE(write_profile_file(path, p, nullptr));
    const Result<Profile> back = read_profile_file(path);
    ASSERT_TRUE(back.ok()) << back.error().text.toStdString();
    EXPECT_EQ(*back, p);
}

TEST(ProfileFile, RefusesWhatNoSensorReportsNamingTheField) {
    const struct {
        QString extra;
        QString error; // contained in the refusal
    } rows[] = {
        {", \"alarm\": 256", "поле \"alarm\": нужно целое число от 0 до 255"},
        {", \"alarm\": 20.5", "поле \"alarm\": нужно целое число"},
        {", \"mode\": 9, \"note\": 1", "поле \"mode\" дано дважды"},
        {", \"n\\u006fte\": 1, \"note\": 2", "поле \"note\" дано дважды"},
    };
    for (const auto& row : rows) {
        const Result<Profile> p = parse_profile(with(row.extra));
        ASSERT_FALSE(p.ok()) << row.extra.toStdString();
        EXPECT_TRUE(p.error().text.contains(row.error)) << p.error().text.toStdString();
    }
    const Result<Profile> big = parse_profile(with({}).replace("118000", "4294967296"));
    ASSERT_FALSE(big.ok());
    EXPECT_TRUE(big.error().text.contains("поле \"full\": нужно целое число от 0 до 4294967295"));
    // The same key in two different objects is no repetition.
    EXPECT_TRUE(parse_profile(with(", \"x\": {\"mode\": 1}, \"y\": {\"mode\": 2}")).ok());
}

TEST(ProfileFile, AValueNoSensorTakesIsRefusedWhenApplied) {
    SensorSetup s;
    s.firmware = 176;
    s.empty = 60000;
    s.full = 118000;
    s.mode = 8;
    s.alarm = 10;
    s.extended = 5;
    const struct {
        std::function<void(Profile&)> change;
        std::optional<QString> refused;
    } rows[] = {
        {[](Profile&) {}, std::nullopt},
        {[](Profile& p) { p.alarm = 0; }, QStringLiteral("alarm: ")},
        {[](Profile& p) { p.alarm = 99; }, std::nullopt},
        {[](Profile& p) { p.full = 2'000'000'001; }, QStringLiteral("full: ")},
        {[](Profile& p) { p.empty = 2'000'000'000; }, std::nullopt},
        {[](Profile& p) { p.mode = 0x14; },
         QStringLiteral("mode: байт режима 20 не называет выход датчика")},
    };
    for (const auto& row : rows) {
        Profile p = profile_of(s, {});
        row.change(p);
        const auto why = unwritable_value(p, differences(p, s));
        EXPECT_EQ(why.has_value(), row.refused.has_value());
        if (why && row.refused) {
            const QString text = refusal_text(*why, Naming::Keys);
            EXPECT_TRUE(text.startsWith(*row.refused)) << text.toStdString();
        }
    }
}

TEST(ProfileFile, ShowsTheFilesTextAsPlainCharacters) {
    Profile p;
    p.saved = QStringLiteral("2026\x1b]0;owned\x07\x1b[2J\u202Eok");
    const QStringList lines = describe_profile(p);
    EXPECT_TRUE(
        lines.contains(QStringLiteral("saved 2026\\u001b]0;owned\\u0007\\u001b[2J\\u202eok")))
        << lines.join(u'\n').toStdString();
}

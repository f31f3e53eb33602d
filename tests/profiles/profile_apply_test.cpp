// One apply, the same for the window and the terminal: applied means every
// write confirmed and the sensor read back equal to the profile; anything
// else says which field and why.
#include "profiles/profile_apply.h"

#include "i18n/language.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <functional>

TEST(ProfileApplyEngine, AppliedOnlyWhenConfirmedAndReadBackEqual) {
    SensorSetup before;
    before.firmware = 176;
    before.empty = 60000;
    before.full = 118000;
    before.mode = 8;
    before.alarm = 10;
    before.extended = 5;
    Profile p = profile_of(before, {});
    p.full = 119000;
    p.extended = 7;
    const ApplyPlan plan = plan_apply(p, before, 3, 0);
    ASSERT_FALSE(plan.refused);
    ASSERT_EQ(plan.writes.size(), 2u); // full, then the mode with its extended byte

    SensorSetup equal = before;
    equal.full = 119000;
    equal.extended = 7;
    const struct {
        int fail_at; // the write the sensor refuses, or -1
        std::function<void(SensorSetup&)> after;
        bool applied;
        QString failure;
        QStringList lines;
    } rows[] = {
        {-1, [](SensorSetup&) {}, true, "", {"full: записано", "mode: записано"}},
        // Confirmed, yet the extended byte did not change.
        {-1,
         [](SensorSetup& s) { s.extended = 5; },
         false,
         "после записи датчик отличается от профиля: extended: 5 -> 7",
         {"full: записано", "mode: после записи отличается"}},
        // A field nobody wrote changed meanwhile.
        {-1,
         [](SensorSetup& s) { s.empty = 1; },
         false,
         "после записи датчик отличается от профиля: empty: 1 -> 60000",
         {"full: записано", "mode: записано", "empty: после записи отличается"}},
        {-1,
         [](SensorSetup& s) {
             s.empty = 1;
             s.extended = 5;
         },
         false,
         "после записи датчик отличается от профиля: empty: 1 -> 60000; extended: 5 -> 7",
         {"full: записано", "mode: после записи отличается", "empty: после записи отличается"}},
        {1,
         [](SensorSetup&) {},
         false,
         "mode: Неверный пароль.",
         {"full: записано", "mode: не записано: Неверный пароль."}},
        {0,
         [](SensorSetup&) {},
         false,
         "full: Неверный пароль.",
         {"full: не записано: Неверный пароль.", "mode: не записано"}},
        {-2,
         [](SensorSetup&) {},
         false,
         "после записи: Нет ответа",
         {"full: записано", "mode: записано", "Проверка не выполнена: Нет ответа"}},
    };
    QStringList said;
    for (const auto& row : rows) {
        ProfileApply apply(p, plan.writes);
        int sent = 0;
        bool read = false;
        apply.run(
            [&](const ProfileWrite&) -> std::optional<QString> {
                if (sent++ == row.fail_at) return QStringLiteral("Неверный пароль.");
                return std::nullopt;
            },
            [&]() -> Result<SensorSetup> {
                read = true;
                if (row.fail_at == -2)
                    return Error{ErrorKind::NoAnswer, QStringLiteral("Нет ответа")};
                SensorSetup s = equal;
                row.after(s);
                return s;
            });
        EXPECT_EQ(apply.applied(), row.applied) << row.failure.toStdString();
        EXPECT_EQ(apply.failure(Naming::Keys), row.failure);
        EXPECT_EQ(apply.field_lines(Naming::Keys), row.lines) << row.failure.toStdString();
        // Nothing is sent after a refusal, and the sensor is read only after every write.
        EXPECT_EQ(sent, row.fail_at >= 0 ? row.fail_at + 1 : 2);
        EXPECT_EQ(read, row.fail_at < 0);
        said << apply.failure(Naming::Keys) << apply.field_lines(Naming::Keys);
    }
    // The same in English, "; " lists included (the sensors' own words aside).
    ASSERT_TRUE(install_language(UiLanguage::English));
    static const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
    for (const QString& text : said) {
        if (text.contains(QStringLiteral("Нет ответа"))) continue;
        EXPECT_FALSE(shown_text(text).contains(cyrillic)) << shown_text(text).toStdString();
    }
    install_language(UiLanguage::Russian);
}

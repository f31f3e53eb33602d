// Platform table formats: what each looks like, the way back for random
// rising tables, and what a reader refuses.
#include "protocol/platform_table.h"

#include <gtest/gtest.h>

#include <random>

namespace {
const PlatformFormat kAll[] = {PlatformFormat::Xy, PlatformFormat::Csv, PlatformFormat::Json,
                               PlatformFormat::Segments};

CalibrationTable random_table(std::mt19937& rng) {
    CalibrationTable t;
    int x = int(rng() % 3), y = int(rng() % 5);
    for (size_t k = 0; k < 20; ++k) {
        t.readings[k] = uint16_t(x);
        t.litres[k] = uint16_t(y);
        x += 1 + int(rng() % 1500);
        y += int(rng() % (k % 4 == 0 ? 3 : 1600)); // flat steps too
    }
    return t;
}
} // namespace

TEST(PlatformTable, EachFormatLooksAsPlatformsTakeIt) {
    const std::vector<TablePoint> p{{0, 0}, {100, 5}, {400, 905}};
    EXPECT_EQ(platform_table_bytes(p, PlatformFormat::Xy), "0\t0\n100\t5\n400\t905\n");
    EXPECT_EQ(platform_table_bytes(p, PlatformFormat::Csv),
              "reading;litres\n0;0\n100;5\n400;905\n");
    EXPECT_EQ(platform_table_bytes(p, PlatformFormat::Csv, {u'\t', true}),
              "reading\tlitres\n0\t0\n100\t5\n400\t905\n");
    EXPECT_EQ(platform_table_bytes(p, PlatformFormat::Json),
              "[\n  {\"in\": 0, \"out\": 0},\n  {\"in\": 100, \"out\": 5},\n"
              "  {\"in\": 400, \"out\": 905}\n]\n");
    EXPECT_EQ(platform_table_bytes({{10, 0}, {40, 10}, {50, 10}}, PlatformFormat::Segments),
              "[\n  {\"x\": 10, \"a\": 0.333333333333333, \"b\": -3.33333333333333},\n"
              "  {\"x\": 40, \"a\": 0, \"b\": 10},\n  {\"x\": 50, \"a\": 0, \"b\": 10}\n]\n");
    // A separator outside Windows-1251's ASCII half shows which encoding was asked for.
    EXPECT_EQ(platform_table_bytes(p, PlatformFormat::Csv, {u'¦', true}).mid(7, 1), "\xA6");
    EXPECT_EQ(platform_table_bytes(p, PlatformFormat::Csv, {u'¦', false}).mid(7, 2), "\xC2\xA6");

    // The window's fixed row goes first only where point 0 reads above 0.
    CalibrationTable t = CalibrationTable::defaults();
    EXPECT_EQ(platform_points(t)->front(), (TablePoint{0, 0}));
    EXPECT_EQ(platform_points(t)->size(), 21u);
    t.readings[0] = 0;
    EXPECT_EQ(platform_points(t)->size(), 20u);
    t.readings[5] = t.readings[4];
    EXPECT_EQ(platform_points(t).error().text,
              "Точка 5 таблицы: показания 1000 не больше предыдущих 1000");
}

TEST(PlatformTable, TwentyPointsComeBackTheSame) {
    std::mt19937 rng(2036);
    for (int round = 0; round < 200; ++round) {
        const CalibrationTable t = random_table(rng);
        const PlatformText text{round % 2 ? QChar(u',') : QChar(u'|'), round % 3 == 0};
        for (PlatformFormat f : kAll) {
            SCOPED_TRACE(testing::Message()
                         << "round " << round << " " << platform_format_name(f).toStdString());
            const QByteArray bytes = platform_table_bytes(*platform_points(t), f, text);
            const Result<std::vector<TablePoint>> back = read_platform_table(bytes, f);
            ASSERT_TRUE(back) << back.error().text.toStdString() << "\n" << bytes.toStdString();
            const Result<TableFit> fit = fit_table(*back);
            ASSERT_TRUE(fit);
            EXPECT_EQ(fit->table, t) << bytes.toStdString();
        }
    }
}

TEST(PlatformTable, RefusesNamingTheLine) {
    struct Row {
        PlatformFormat format;
        QByteArray text;
        QString error;
    };
    const Row rows[] = {
        {PlatformFormat::Xy, "0\t0\n10\t5\n10\t6\n",
         "Строка 3: показания 10 не больше предыдущих 10"},
        {PlatformFormat::Xy, "0 0\r\n\r\n10 5\r\n20 4\r\n",
         "Строка 4: литры 4 меньше предыдущих 5"},
        {PlatformFormat::Xy, "0\t0\n10.5\t5\n", "Строка 2: показания 10.5 не целое число"},
        {PlatformFormat::Xy, "0\t0\n10\t5\t7\n", "Строка 2: нужно два числа"},
        {PlatformFormat::Xy, "0\t0\n10\tx\n", "Строка 2: \"10\tx\" не два числа"},
        {PlatformFormat::Xy, "0\t0\n40000\t5\n", "Строка 2: значение вне 0..32767"},
        {PlatformFormat::Xy, "5\t5\n", "В таблице меньше двух точек"},
        {PlatformFormat::Csv, "0;0\n10;5\n", "Строка 1: нет заголовка reading;litres"},
        {PlatformFormat::Csv, "reading;litres\n0;0\n10;5,5\n5;6\n",
         "Строка 4: показания 5 не больше предыдущих 10"},
        {PlatformFormat::Json, "[{\"in\": 0, \"out\": 0},\n {\"in\": 5}]",
         "Строка 2: нет числа \"out\""},
        {PlatformFormat::Json, "[{\"in\": 0, \"out\": 0},\n\n {\"in\": 5, \"out\": 1},]",
         "Строка 3: не JSON"},
        {PlatformFormat::Json, "{\"in\": 0}", "Строка 1: нужен массив"},
        {PlatformFormat::Segments,
         "[{\"x\": 0, \"a\": 1, \"b\": 0},\n{\"x\": 10, \"a\": 0, \"b\": 12}]",
         "Строка 1: отрезок не доходит до следующей точки"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        const Result<std::vector<TablePoint>> r = read_platform_table(row.text, row.format);
        ASSERT_FALSE(r);
        EXPECT_TRUE(r.error().text.startsWith(row.error)) << r.error().text.toStdString();
    }
    // What platforms write and we do not: fractions of a litre, a BOM,
    // a decimal comma beside another separator.
    const auto csv = read_platform_table("\xEF\xBB\xBFreading;litres\r\n0;0,4\r\n10;5.5\r\n",
                                         PlatformFormat::Csv);
    ASSERT_TRUE(csv) << csv.error().text.toStdString();
    EXPECT_EQ(*csv, (std::vector<TablePoint>{{0, 0}, {10, 6}}));
    EXPECT_EQ(csv_separator("\\t"), QChar(u'\t'));
    EXPECT_EQ(csv_separator(","), QChar(u','));
    for (const char* bad : {"", "ab", "1", ".", "-", " ", "\"", "x"})
        EXPECT_FALSE(csv_separator(bad)) << bad;
}

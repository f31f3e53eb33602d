// Table files (zvk): saved whole in Windows-1251 with CR LF, loaded in whole
// blocks of 40 lines or not at all.
#include "file_size_limit.h"
#include "table_rig.h"

#include <QDir>
#include <QFile>

#include <optional>

#include <gtest/gtest.h>

namespace {
QByteArray read_all(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
bool write_all(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
QByteArray numbered_lines(int count, const char* prefix) {
    QByteArray out;
    for (int i = 0; i < count; ++i) out += prefix + QByteArray::number(i) + "\r\n";
    return out;
}
} // namespace

TEST(TableFiles, SaveWritesTheDefaultTableAsFortyLines) {
    TableRig r;
    const QString path = r.dir.filePath("default.zvk");
    r.dialogs.files.push_back(path);
    r.t.fTablSave.click();
    EXPECT_EQ(r.dialogs.choosers, QStringList({QStringLiteral("Схранить | tbl Files (*.zvk)")}));
    const QByteArray half = "200\r\n400\r\n600\r\n800\r\n1000\r\n1200\r\n1400\r\n1600\r\n1800\r\n"
                            "2000\r\n2200\r\n2400\r\n2600\r\n2800\r\n3000\r\n3200\r\n3400\r\n"
                            "3600\r\n3800\r\n4096\r\n";
    EXPECT_EQ(read_all(path), half + half);
    EXPECT_TRUE(r.dialogs.messages.empty());
}

TEST(TableFiles, RoundTripKeepsEveryTextAndTheLastBlockWins) {
    TableRig r;
    // Texts that are no numbers survive a save and a load, Cyrillic included.
    for (int k = 0; k < 20; ++k) {
        r.t.Text4[size_t(k)]->set_text(QString::number(k * 7));
        r.t.Text3[size_t(k)]->set_text(k % 2 ? QStringLiteral("л%1 x").arg(k) : QString());
    }
    const QStringList saved = r.cells();
    const QString path = r.dir.filePath("mixed.zvk");
    r.dialogs.files = {path};
    r.t.fTablSave.click();
    EXPECT_EQ(read_all(path).count('\n'), 40);
    EXPECT_TRUE(read_all(path).contains("\xEB"
                                        "1 x\r\n")); // "л" in Windows-1251

    TableRig loaded;
    loaded.dialogs.files = {path};
    loaded.t.fTablOpen.click();
    EXPECT_EQ(loaded.dialogs.choosers,
              QStringList({QStringLiteral("Открыть | tbl Files (*.zvk)")}));
    EXPECT_EQ(loaded.cells(), saved);
    EXPECT_TRUE(loaded.dialogs.messages.empty());

    // 80 lines: lines 41 to 80 end up in the cells.
    const QString twice = r.dir.filePath("twice.zvk");
    ASSERT_TRUE(write_all(twice, numbered_lines(40, "a") + numbered_lines(40, "b")));
    loaded.dialogs.files = {twice};
    loaded.t.fTablOpen.click();
    EXPECT_EQ(loaded.t.Text4[0]->text(), "b0");
    EXPECT_EQ(loaded.t.Text3[19]->text(), "b39");
    EXPECT_TRUE(loaded.dialogs.messages.empty());
}

TEST(TableFiles, FilesThatAreNoWholeTableChangeNoCell) {
    struct Row {
        const char* what;
        QByteArray bytes;    // written to the file; "dir" makes the path a folder
        const char* message; // start of the message; "" for none
    };
    const Row rows[] = {
        {"39 lines", numbered_lines(39, "x"), "В файле таблицы 39 строк, а должно быть кратно 40."},
        {"41 lines", numbered_lines(41, "x"), "В файле таблицы 41 строк"},
        {"empty", QByteArray(), ""},
        {"a folder", "dir", "Не удалось прочитать файл таблицы"},
        {"missing", "missing", "Не удалось прочитать файл таблицы"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TableRig r;
        r.t.Text4[3]->set_text(QStringLiteral("typed"));
        const QStringList before = r.cells();
        const QString path = r.dir.filePath("t.zvk");
        if (row.bytes == "dir") {
            ASSERT_TRUE(QDir().mkpath(path));
        } else if (row.bytes != "missing") {
            ASSERT_TRUE(write_all(path, row.bytes));
        }
        r.dialogs.files = {path};
        r.t.fTablOpen.click();
        EXPECT_EQ(r.cells(), before);
        if (*row.message == '\0') {
            EXPECT_TRUE(r.dialogs.messages.empty());
        } else {
            ASSERT_EQ(r.dialogs.messages.size(), 1u);
            EXPECT_TRUE(r.dialogs.texts()[0].startsWith(QString::fromUtf8(row.message)))
                << r.dialogs.texts()[0].toStdString();
        }
    }
    // A cancelled chooser does nothing at all.
    TableRig r;
    const QStringList before = r.cells();
    r.t.fTablOpen.click();
    r.t.fTablSave.click();
    EXPECT_EQ(r.cells(), before);
    EXPECT_TRUE(r.dialogs.messages.empty());
}

TEST(TableFiles, FailedSaveIsReportedAndLeavesTheOldFile) {
    struct Row {
        const char* what;
        QString path;
        qint64 size_limit; // -1: none
    };
    TableRig r;
    const QString old = r.dir.filePath("table.zvk");
    const Row rows[] = {
        {"a folder nobody may write", QStringLiteral("/proc/zorvik-test.zvk"), -1},
        {"a full disk", old, 100}, // the table needs 185 bytes
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(write_all(old, "old\r\n"));
        r.dialogs.messages.clear();
        r.dialogs.files = {row.path};
        {
            std::optional<FileSizeLimit> limit;
            if (row.size_limit >= 0) limit.emplace(row.size_limit);
            r.t.fTablSave.click();
        }
        ASSERT_EQ(r.dialogs.messages.size(), 1u);
        EXPECT_TRUE(r.dialogs.texts()[0].startsWith(QStringLiteral("Таблица не сохранена в файл ") +
                                                    row.path));
        EXPECT_EQ(read_all(old), "old\r\n");
        EXPECT_EQ(QDir(r.dir.path()).entryList(QDir::Files).filter("table.zvk").size(), 1)
            << "no temporary file is left behind";
    }
}

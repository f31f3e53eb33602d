// The Qt dialogs, answered by a timer as a user would.
#include "app/qt_dialogs.h"
#include "i18n/language.h"
#include "tables/table_platform.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {
// Runs `answer` on the next modal dialog once it shows.
void answer_next(std::function<void(QWidget*)> answer) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        // Only from within the dialog's own event loop: a dialog closed while
        // it is still being shown (some process events then) would leave
        // exec() waiting for good.
        if (QThread::currentThread()->loopLevel() == 0) return;
        if (QWidget* w = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            answer(w);
        }
    });
    poll->start();
}
} // namespace

TEST(QtDialogs, MessageHasOnlyOkAndTheProgramsNameAsTitle) {
    QtDialogs dialogs;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    answer_next([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = int(box->buttons().size());
        box->button(QMessageBox::Ok)->click();
    });
    dialogs.message(QStringLiteral(" Установлен верхний уровень."), MsgIcon::Exclamation, {});
    EXPECT_EQ(title, QGuiApplication::applicationDisplayName());
    EXPECT_EQ(text, QStringLiteral(" Установлен верхний уровень."));
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_EQ(buttons, 1);
}

// Returns at once (a modal loop here would never end); a second notice takes
// the first one's place.
TEST(QtDialogs, NoticesNeitherWaitNorStack) {
    QtDialogs dialogs;
    dialogs.notice(QStringLiteral("first"));
    dialogs.notice(QStringLiteral("Ответ не соответствует запросу"));
    QList<QMessageBox*> open;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) open << box;
    ASSERT_EQ(open.size(), 1);
    EXPECT_EQ(open[0]->text(), QStringLiteral("Ответ не соответствует запросу"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    open[0]->close();
}

TEST(QtDialogs, OnlyYesConfirms) {
    QtDialogs dialogs;
    answer_next(
        [](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::Yes)->click(); });
    EXPECT_TRUE(dialogs.ask_yes_no(QStringLiteral("Записать?"), {}));
    answer_next(
        [](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::No)->click(); });
    EXPECT_FALSE(dialogs.ask_yes_no(QStringLiteral("Записать?"), {}));
}

TEST(QtDialogs, InputBoxShowsPromptTitleAndPrefillAndCancelGivesNothing) {
    QtDialogs dialogs;
    QString prompt, title, prefill;
    int width = 0, title_width = 0;
    answer_next([&](QWidget* w) {
        auto* d = qobject_cast<QInputDialog*>(w);
        ASSERT_NE(d, nullptr);
        prompt = d->labelText();
        title = d->windowTitle();
        prefill = d->textValue();
        width = d->width();
        title_width = d->fontMetrics().horizontalAdvance(title);
        d->setTextValue(QStringLiteral("42"));
        d->accept();
    });
    // A title longer than the prompt still fits beside the frame's buttons.
    EXPECT_EQ(dialogs.input_box(QStringLiteral("Введите адрес"),
                                QStringLiteral("Ввод сетевого номера датчика"),
                                QStringLiteral("5")),
              std::optional<QString>(QStringLiteral("42")));
    EXPECT_EQ(prompt, QStringLiteral("Введите адрес"));
    EXPECT_EQ(title, QStringLiteral("Ввод сетевого номера датчика"));
    EXPECT_EQ(prefill, QStringLiteral("5"));
    EXPECT_GT(width, title_width * 3 / 2);

    answer_next([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_EQ(dialogs.input_box(QStringLiteral("Введите адрес"), {}, {}), std::nullopt);
}

TEST(QtDialogs, SaveChooserAddsTheFiltersExtensionToABareName) {
    const std::pair<const char*, const char*> rows[] = {
        {"tbl Files (*.zvk)", "zvk"},
        {"tbl Files (*.log)", "log"},
        {"Прошивка (*.s19 *.hex)", "s19"},
        {"All files (*)", ""},
        {"", ""},
    };
    for (const auto& [filter, suffix] : rows)
        EXPECT_EQ(default_suffix(QString::fromUtf8(filter)), QString::fromLatin1(suffix)) << filter;
}

// Qt's standard buttons speak the window's language once its translations are in.
TEST(QtDialogs, StandardButtonsInRussian) {
    ASSERT_TRUE(install_russian_translations());
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("t"), QStringLiteral("x"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove(u'&'), QStringLiteral("Да"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().remove(u'&'), QStringLiteral("Отмена"));
}

// Choosers start where files of their kind went last, else in the given folder
// unless it is the program's own, else in the documents folder; a save offers
// the caller's name or the suggested one.
TEST(QtDialogs, ChoosersStartInTheUsersFoldersAndSavesOfferAName) {
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
    QtDialogs d;
    d.remember_folders_in(&settings);
    d.suggest_names_by([] { return QStringLiteral("SN123456_2026-12-09"); });
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString program = QCoreApplication::applicationDirPath();
    const QString tbl = QStringLiteral("tbl Files (*.zvk)");
    EXPECT_EQ(d.start_path(tbl, program, false), docs);
    EXPECT_EQ(d.start_path(tbl, program, true), docs + QStringLiteral("/SN123456_2026-12-09.zvk"));
    EXPECT_EQ(d.start_path(QStringLiteral("PNG (*.png)"), QStringLiteral("chart.png"), true),
              docs + QStringLiteral("/chart.png"));
    EXPECT_EQ(d.start_path(tbl, dir.path(), false), dir.path());
    settings.setValue(QStringLiteral("folders/zvk"), dir.path());
    EXPECT_EQ(d.start_path(tbl, program, true),
              dir.path() + QStringLiteral("/SN123456_2026-12-09.zvk"));
    EXPECT_EQ(d.start_path(QStringLiteral("CSV (*.csv)"), program, false), docs);
}

// In English the choosers show the filters translated; the caller gets its own back.
TEST(QtDialogs, ChooserFiltersShownInEnglishKeptOneReturned) {
    ASSERT_TRUE(install_language(UiLanguage::English));
    QTemporaryDir dir;
    QtDialogs d;
    QStringList shown;
    answer_next([&](QWidget* w) {
        auto* chooser = qobject_cast<QFileDialog*>(w);
        ASSERT_TRUE(chooser);
        shown = chooser->nameFilters();
        chooser->selectNameFilter(QStringLiteral("JSON segments (*.json)"));
        chooser->selectFile(dir.filePath(QStringLiteral("t.json")));
        static_cast<QDialog*>(chooser)->accept();
    });
    QString chosen;
    const QString path = d.save_file_of({}, kPlatformFilters, dir.path(), &chosen);
    install_language(UiLanguage::Russian);
    EXPECT_EQ(shown, (QStringList{"XY (*.txt)", "CSV (*.csv)", "JSON (*.json)",
                                  "JSON segments (*.json)"}));
    EXPECT_EQ(chosen, kPlatformFilters.split(QStringLiteral(";;")).last());
    EXPECT_EQ(path, dir.filePath(QStringLiteral("t.json")));
}

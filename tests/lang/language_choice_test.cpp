// The language chosen in the window is remembered for the next start, where
// it wins over the locale and gives way to --lang.
#include "app/language_button.h"
#include "i18n/language.h"

#include <QMenu>
#include <QMessageBox>
#include <QToolButton>

#include <gtest/gtest.h>

TEST(LanguageChoice, PickedInTheWindowRememberedAndRankedBelowTheOption) {
    QWidget window;
    QToolButton* button = make_language_button(&window);
    ASSERT_EQ(button->menu()->actions().size(), 2);
    button->menu()->actions().at(1)->trigger(); // English
    EXPECT_EQ(remembered_language(), UiLanguage::English);
    EXPECT_NE(window.findChild<QMessageBox*>("language_note"), nullptr);
    button->menu()->actions().at(0)->trigger(); // Русский
    EXPECT_EQ(remembered_language(), UiLanguage::Russian);

    qputenv("LANG", "en_US.UTF-8");
    const QByteArray messages = qgetenv("LC_MESSAGES");
    qunsetenv("LC_MESSAGES");
    EXPECT_EQ(chosen_language(take_language_option({})), UiLanguage::English);
    EXPECT_EQ(chosen_language(take_language_option({}), UiLanguage::Russian), UiLanguage::Russian);
    EXPECT_EQ(chosen_language(take_language_option({"--lang", "en"}), UiLanguage::Russian),
              UiLanguage::English);
    qputenv("LANG", "ru_RU.UTF-8");
    EXPECT_EQ(chosen_language(take_language_option({"--port", "x"})), UiLanguage::Russian);
    EXPECT_EQ(take_language_option({"--lang=en", "--demo"}).rest, QStringList{"--demo"});
    EXPECT_FALSE(take_language_option({"--lang", "de"}).error.isEmpty());
    EXPECT_FALSE(take_language_option({"--lang"}).error.isEmpty());
    qputenv("LC_MESSAGES", messages);
}

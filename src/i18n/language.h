#pragma once
// The language of the user interface.  Russian is the source language: every
// text in the code is the Russian one, and the Russian interface needs no
// catalogue.  English comes from translations/zorvik_en.ts, built into the
// programs.
//
// Two kinds of Russian text live in the code:
//  - user texts, wrapped in tr()/QCoreApplication::translate (or marked with
//    QT_TRANSLATE_NOOP where the text is kept as Russian and translated only
//    when shown, see shown_text());
//  - stored formats (run-log records, table, recording and profile files, CSV
//    headers, relay strings, wire bytes), never translated.  A Cyrillic
//    literal outside tr() must be listed in tests/lang/stored_formats.txt.
#include <QString>
#include <QStringList>

#include <optional>

enum class UiLanguage { Russian, English };

// "ru" / "en"; nullopt for anything else.
std::optional<UiLanguage> language_from_code(const QString& code);
QString language_code(UiLanguage language);

// Russian for a message locale starting with "ru", English otherwise
// (LC_ALL, LC_MESSAGES, LANG: the first that is set).
UiLanguage system_language();

// `--lang ru|en` or `--lang=ru|en` taken out of `args`.  `error` is set for a
// missing or unknown value.
struct LanguageOption {
    std::optional<UiLanguage> language;
    QStringList rest;
    QString error;
};
LanguageOption take_language_option(const QStringList& args);

// The language a program runs in: the option, else `remembered` (the window's
// choice), else the system's.
UiLanguage chosen_language(const LanguageOption& option,
                           std::optional<UiLanguage> remembered = std::nullopt);

// Installs the catalogue and Qt's own translations (standard buttons and
// dialogs) for `language` into the running QCoreApplication.  False when a
// part could not be loaded (the program then shows the source texts).
bool install_language(UiLanguage language);

// The language installed last (Russian before any).
UiLanguage current_language();

// A text kept in Russian in the view model, the run log and the goldens, as
// the user reads it: looked up in the catalogue under the contexts of kept
// texts ("MainForm", "Messages"), then matched against the message templates
// filled with fill_text().  A text found nowhere whole is shown part by part:
// its lines, its "; " parts, or the name and the message of "name: message".
// What is found nowhere (sensor data, numbers, file names) is shown as it is.
QString shown_text(const QString& kept);

// `templ` (a QT_TRANSLATE_NOOP("Messages", ...) literal with %1..%n) filled
// with `args`; the template is remembered so that shown_text() can translate
// the result.  The Russian result is byte for byte the template filled in.
QString fill_text(const char* templ, const QStringList& args);

// The language chosen in the window, kept in the program's settings
// ("ui/language"); it applies from the next start.
std::optional<UiLanguage> remembered_language();
void remember_language(UiLanguage language);

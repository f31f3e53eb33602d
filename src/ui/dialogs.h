#pragma once
// User dialogs, behind an interface so that every message and question
// can be scripted in tests.
#include <QString>
#include <optional>

enum class MsgIcon { None, Information, Exclamation, Critical };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A message box with an OK button.  An empty title means the program's own.
    virtual void message(const QString& text, MsgIcon icon = MsgIcon::None,
                         const QString& title = {}) = 0;
    // A message that must not hold up its caller: the exchange goes on while
    // it is shown, and a notice that comes while one is open takes its place
    // instead of stacking another box.
    virtual void notice(const QString& text) { message(text); }
    // A Yes/No question; true only for Yes.
    virtual bool ask_yes_no(const QString& text, const QString& title = {}) = 0;
    // A single-line input box; nullopt when cancelled.
    virtual std::optional<QString> input_box(const QString& prompt, const QString& title,
                                             const QString& prefill) = 0;
    // File choosers; the empty string when cancelled.  `filter` is Qt's form,
    // e.g. "Таблицы (*.zvk)".
    virtual QString open_file(const QString& title, const QString& filter,
                              const QString& folder) = 0;
    virtual QString save_file(const QString& title, const QString& filter,
                              const QString& folder) = 0;
    // Choosers offering several kinds of file ("A (*.a);;B (*.b)"); `chosen`
    // gets the one the user picked (here: the first).
    virtual QString open_file_of(const QString& title, const QString& filters,
                                 const QString& folder, QString* chosen) {
        *chosen = filters.section(QStringLiteral(";;"), 0, 0);
        return open_file(title, filters, folder);
    }
    virtual QString save_file_of(const QString& title, const QString& filters,
                                 const QString& folder, QString* chosen) {
        *chosen = filters.section(QStringLiteral(";;"), 0, 0);
        return save_file(title, filters, folder);
    }
};

#pragma once
// The program's modal dialogs as Qt shows them.
#include "ui/dialogs.h"

#include <QMessageBox>
#include <QPointer>
#include <QSettings>
#include <QWidget>

#include <functional>

// Qt's own texts (standard buttons, file choosers) in Russian, as the rest of
// the window; false when Qt's Russian translations are not installed.
bool install_russian_translations();

// The extension of the first "*.ext" pattern in a file-type filter, empty if none.
QString default_suffix(const QString& filter);

class QtDialogs final : public Dialogs {
public:
    // Dialogs sit over `parent`, or over the active window when it is null.
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void set_parent(QWidget* parent) { parent_ = parent; }
    // The file choosers open in the folder last used for their kind of file
    // (by the filter's extension), kept in `settings`; null remembers nothing.
    void remember_folders_in(QSettings* settings) { settings_ = settings; }
    // The name a save chooser offers when its caller names none (no extension).
    void suggest_names_by(std::function<QString()> f) { suggest_name_ = std::move(f); }
    // Where a chooser starts: the folder last used for the filter's kind of
    // file, else `folder` unless it is the program's own, else the documents
    // folder; a save adds the name `folder` ends in, or the suggested one.
    QString start_path(const QString& filter, const QString& folder, bool saving) const;

    // An empty title shows the program's name, as a message box without a
    // title of its own does.
    void message(const QString& text, MsgIcon icon, const QString& title) override;
    // A box without a modal loop of its own; one at a time.
    void notice(const QString& text) override;
    bool ask_yes_no(const QString& text, const QString& title) override;
    std::optional<QString> input_box(const QString& prompt, const QString& title,
                                     const QString& prefill) override;
    QString open_file(const QString& title, const QString& filter, const QString& folder) override;
    QString save_file(const QString& title, const QString& filter, const QString& folder) override;
    QString open_file_of(const QString& title, const QString& filters, const QString& folder,
                         QString* chosen) override;
    QString save_file_of(const QString& title, const QString& filters, const QString& folder,
                         QString* chosen) override;

private:
    QWidget* parent() const;
    void used_folder(const QString& filter, const QString& path);

    QPointer<QWidget> parent_;
    QPointer<QMessageBox> notice_;
    QSettings* settings_ = nullptr;
    std::function<QString()> suggest_name_;
};

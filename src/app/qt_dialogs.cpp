#include "app/qt_dialogs.h"

#include "i18n/language.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTranslator>

#include <algorithm>

namespace {

QString title_or_program(const QString& title) {
    return title.isEmpty() ? QGuiApplication::applicationDisplayName() : shown_text(title);
}

QMessageBox::Icon qt_icon(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

bool install_russian_translations() {
    auto* qt = new QTranslator(qApp);
    if (!qt->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qt;
        return false;
    }
    return QCoreApplication::installTranslator(qt);
}

QWidget* QtDialogs::parent() const {
    // Over the window the user works in (the table window stays in front of
    // the main window when its dialogs close), else over the main window.
    QWidget* active = QApplication::activeWindow();
    if (active && active->windowType() != Qt::SplashScreen) return active;
    return parent_ ? parent_.data() : active;
}

QString QtDialogs::start_path(const QString& filter, const QString& folder, bool saving) const {
    // `folder` may end in a file name: the name to offer.
    const QFileInfo given(folder);
    const bool names_file = !folder.isEmpty() && !given.isDir() && !given.suffix().isEmpty();
    QString name = names_file ? given.fileName() : QString();
    QString dir = names_file && folder.contains(QLatin1Char('/')) ? given.path()
                  : names_file                                    ? QString()
                                                                  : folder;
    // The program's own folder (/usr/bin once installed) is no place for the
    // user's files.
    const auto program = QFileInfo(QCoreApplication::applicationDirPath()).canonicalFilePath();
    if (!dir.isEmpty() &&
        (!QFileInfo(dir).isDir() || QFileInfo(dir).canonicalFilePath() == program))
        dir.clear();
    if (settings_) {
        const QString kept =
            settings_->value(QStringLiteral("folders/") + default_suffix(filter)).toString();
        if (!kept.isEmpty() && QFileInfo(kept).isDir()) dir = kept;
    }
    if (dir.isEmpty()) dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (saving && name.isEmpty() && suggest_name_) {
        const QString suffix = default_suffix(filter);
        name = suggest_name_() + (suffix.isEmpty() ? QString() : QStringLiteral(".") + suffix);
    }
    return name.isEmpty() ? dir : QDir(dir).filePath(name);
}

void QtDialogs::used_folder(const QString& filter, const QString& path) {
    if (!settings_ || path.isEmpty()) return;
    settings_->setValue(QStringLiteral("folders/") + default_suffix(filter),
                        QFileInfo(path).absolutePath());
}

void QtDialogs::message(const QString& text, MsgIcon icon, const QString& title) {
    QMessageBox box(qt_icon(icon), title_or_program(title), shown_text(text), QMessageBox::Ok,
                    parent());
    box.exec();
}

void QtDialogs::notice(const QString& text) {
    if (notice_) {
        notice_->setText(shown_text(text));
        notice_->raise();
        return;
    }
    auto* box = new QMessageBox(QMessageBox::NoIcon, title_or_program({}), shown_text(text),
                                QMessageBox::Ok, parent());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    notice_ = box;
    box->show();
}

bool QtDialogs::ask_yes_no(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title_or_program(title), shown_text(text),
                    QMessageBox::Yes | QMessageBox::No, parent());
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> QtDialogs::input_box(const QString& prompt, const QString& title,
                                            const QString& prefill) {
    QInputDialog dialog(parent());
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(title_or_program(title));
    dialog.setLabelText(shown_text(prompt));
    dialog.setTextValue(prefill);
    // Wide enough for the whole title beside the frame's buttons (title bars
    // often use a larger, bold font).
    // The dialog's layout holds it to its contents' size, so the width is
    // asked of the text field, which spans the dialog.
    const QFontMetrics fm(dialog.font());
    const int width = std::max(fm.horizontalAdvance(dialog.windowTitle()) * 3 / 2 + fm.height() * 8,
                               fm.horizontalAdvance(dialog.labelText()) + fm.height() * 2);
    if (auto* field = dialog.findChild<QLineEdit*>()) field->setMinimumWidth(width);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue();
}

namespace {
// The choosers show the filters in the user's language; the caller gets its
// own (kept) one back.
QStringList shown_filters(const QStringList& kept) {
    QStringList shown;
    for (const QString& f : kept) shown << shown_text(f);
    return shown;
}
QString kept_filter(const QStringList& kept, const QStringList& shown, const QString& picked) {
    const qsizetype at = shown.indexOf(picked);
    return at >= 0 ? kept[at] : kept.value(0);
}
} // namespace

QString QtDialogs::open_file(const QString& title, const QString& filter, const QString& folder) {
    const QString path = QFileDialog::getOpenFileName(
        parent(), title_or_program(title), start_path(filter, folder, false), shown_text(filter));
    used_folder(filter, path);
    return path;
}

QString default_suffix(const QString& filter) {
    static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
    const QRegularExpressionMatch m = pattern.match(filter);
    return m.hasMatch() ? m.captured(1) : QString();
}

QString QtDialogs::save_file(const QString& title, const QString& filter, const QString& folder) {
    QFileDialog dialog(parent(), title_or_program(title), start_path(filter, folder, true),
                       shown_text(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A name typed without an extension gets the filter's, so that the file
    // shows up in the open chooser of the same kind later.
    dialog.setDefaultSuffix(default_suffix(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    used_folder(filter, dialog.selectedFiles().constFirst());
    return dialog.selectedFiles().constFirst();
}

QString QtDialogs::open_file_of(const QString& title, const QString& filters, const QString& folder,
                                QString* chosen) {
    const QStringList kept = filters.split(QStringLiteral(";;"));
    const QStringList shown = shown_filters(kept);
    QString picked = shown.value(0);
    const QString path = QFileDialog::getOpenFileName(parent(), title_or_program(title),
                                                      start_path(filters, folder, false),
                                                      shown.join(u";;"), &picked);
    *chosen = kept_filter(kept, shown, picked);
    used_folder(filters, path);
    return path;
}

QString QtDialogs::save_file_of(const QString& title, const QString& filters, const QString& folder,
                                QString* chosen) {
    const QStringList kept = filters.split(QStringLiteral(";;"));
    const QStringList shown = shown_filters(kept);
    QFileDialog dialog(parent(), title_or_program(title), start_path(filters, folder, true),
                       shown.join(u";;"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The extension follows the kind of file picked.
    dialog.setDefaultSuffix(default_suffix(filters));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& f) { dialog.setDefaultSuffix(default_suffix(f)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    *chosen = kept_filter(kept, shown, dialog.selectedNameFilter());
    used_folder(filters, dialog.selectedFiles().constFirst());
    return dialog.selectedFiles().constFirst();
}

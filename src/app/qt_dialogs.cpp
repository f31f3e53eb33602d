#include "app/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QRegularExpression>

namespace {

QString title_or_program(const QString& title) {
    return title.isEmpty() ? QGuiApplication::applicationDisplayName() : title;
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

QWidget* QtDialogs::parent() const {
    return parent_ ? parent_.data() : QApplication::activeWindow();
}

void QtDialogs::message(const QString& text, MsgIcon icon, const QString& title) {
    QMessageBox box(qt_icon(icon), title_or_program(title), text, QMessageBox::Ok, parent());
    box.exec();
}

void QtDialogs::notice(const QString& text) {
    if (notice_) {
        notice_->setText(text);
        notice_->raise();
        return;
    }
    auto* box =
        new QMessageBox(QMessageBox::NoIcon, title_or_program({}), text, QMessageBox::Ok, parent());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    notice_ = box;
    box->show();
}

bool QtDialogs::ask_yes_no(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title_or_program(title), text,
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
    dialog.setLabelText(prompt);
    dialog.setTextValue(prefill);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue();
}

QString QtDialogs::open_file(const QString& title, const QString& filter, const QString& folder) {
    return QFileDialog::getOpenFileName(parent(), title, folder, filter);
}

QString default_suffix(const QString& filter) {
    static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
    const QRegularExpressionMatch m = pattern.match(filter);
    return m.hasMatch() ? m.captured(1) : QString();
}

QString QtDialogs::save_file(const QString& title, const QString& filter, const QString& folder) {
    QFileDialog dialog(parent(), title, folder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A name typed without an extension gets the filter's, so that the file
    // shows up in the open chooser of the same kind later.
    dialog.setDefaultSuffix(default_suffix(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

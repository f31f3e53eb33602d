#include "app/language_button.h"

#include "i18n/language.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QMenu>
#include <QMessageBox>
#include <QToolButton>

QToolButton* make_language_button(QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QStringLiteral("language"));
    button->setText(QCoreApplication::translate("LanguageButton", "Язык"));
    button->setAutoRaise(true);
    button->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(button);
    auto* group = new QActionGroup(menu);
    const UiLanguage now = current_language();
    // Each language is named in its own words, whatever the window's language.
    for (const auto& [language, name] :
         {std::pair{UiLanguage::Russian, QStringLiteral("Русский")},
          std::pair{UiLanguage::English, QStringLiteral("English")}}) {
        QAction* action = menu->addAction(name);
        action->setCheckable(true);
        action->setChecked(language == now);
        group->addAction(action);
        const UiLanguage picked = language;
        QObject::connect(action, &QAction::triggered, button, [button, picked] {
            remember_language(picked);
            // Not modal: the choice is made, the note only tells when it applies.
            auto* note = new QMessageBox(
                QMessageBox::Information, QCoreApplication::translate("LanguageButton", "Язык"),
                QCoreApplication::translate("LanguageButton",
                                            "Язык окна сменится при следующем запуске программы."),
                QMessageBox::Ok, button->window());
            note->setAttribute(Qt::WA_DeleteOnClose);
            note->setObjectName(QStringLiteral("language_note"));
            note->open();
        });
    }
    button->setMenu(menu);
    return button;
}

#include "app/about_box.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QtGlobal>

QString about_text(const AboutInfo& info) {
    return QCoreApplication::translate(
               "AboutBox",
               "<h3>Конфигуратор Zorvik</h3>"
               "<p>Настройка ёмкостных датчиков уровня топлива на линии RS-485.</p>"
               "<p>Версия %1<br>Дата сборки: %2<br>Qt %3 (собрано с Qt %4)</p>"
               "<p>© 2026 Zorvik configurator developers.<br>Свободная программа: её можно "
               "распространять и изменять на условиях GNU GPL версии 3 или "
               "более поздней. Без каких-либо гарантий.</p>")
        .arg(info.version.toHtmlEscaped(), info.build_date.toHtmlEscaped(),
             QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR));
}

std::unique_ptr<QMessageBox> about_box(QWidget* parent, const AboutInfo& info) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(QCoreApplication::translate("AboutBox", "О программе"));
    box->setTextFormat(Qt::RichText);
    box->setText(about_text(info));
    box->setIconPixmap(parent ? parent->windowIcon().pixmap(64) : QPixmap());
    return box;
}

void show_about(QWidget* parent, const AboutInfo& info) {
    about_box(parent, info)->exec();
}

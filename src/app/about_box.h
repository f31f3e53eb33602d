#pragma once
// The About box: the program's version and build date, the Qt it runs on, its licence.
#include <QString>

class QWidget;

struct AboutInfo {
    QString version;
    QString build_date;
};

QString about_text(const AboutInfo& info);
void show_about(QWidget* parent, const AboutInfo& info);

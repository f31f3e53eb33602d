#pragma once
// The About box: the program's version and build date, the Qt it runs on, its licence.
#include <QString>

#include <memory>

class QMessageBox;
class QWidget;

struct AboutInfo {
    QString version;
    QString build_date;
};

QString about_text(const AboutInfo& info);
// The box, not yet shown (the pictures of the windows take it shown without waiting).
std::unique_ptr<QMessageBox> about_box(QWidget* parent, const AboutInfo& info);
void show_about(QWidget* parent, const AboutInfo& info);

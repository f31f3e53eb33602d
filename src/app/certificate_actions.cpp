#include "app/certificate_actions.h"
#include "i18n/language.h"

#include "exchange/configurator.h"
#include "link/file_guard.h"
#include "profiles/profile.h"
#include "protocol/calibration_file.h"
#include "report/certificate_pdf.h"
#include "tables/table_exchange.h"
#include "tables/table_window.h"
#include "ui/dialogs.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

namespace {

const QString kTolerance = QStringLiteral("refuel/tolerance");
const QString kEngineer = QStringLiteral("certificate/engineer");
const QString kCertificateTitle =
    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Протокол тарировки"));

// The sensor in view, as its labels show it; unknown until it has said who it is.
SensorFacts sensor_in_view(const MainForm& f) {
    SensorFacts s = SensorFacts::unknown();
    if (f.firmware_version <= 0 || !f.BTNCloseCom.enabled()) return s;
    s.serial = f.sn.text();
    s.firmware = dotted_version(f.firmware_version);
    s.empty = f.lo.text();
    s.full = f.hi.text();
    s.mode = describe_mode(f.reported_mode);
    if (f.firmware_version >= kAlarmFirmware) s.alarm = f.lamp_level.text();
    return s;
}

// The fields of the certificate, with what it will say of sensor, recording
// and refuelling shown above them.
struct Fields {
    QString customer, vehicle, tank, engineer;
};
bool ask_fields(QWidget& parent, const QString& summary, Fields& f) {
    QDialog d(&parent);
    d.setWindowTitle(kCertificateTitle);
    auto* v = new QVBoxLayout(&d);
    auto* about = new QLabel(summary, &d);
    about->setWordWrap(true);
    about->setTextInteractionFlags(Qt::TextSelectableByMouse);
    v->addWidget(about);
    auto* form = new QFormLayout;
    QLineEdit* edits[4];
    const QString captions[] = {
        QCoreApplication::translate("CertificateActions", "Заказчик"),
        QCoreApplication::translate("CertificateActions", "Транспортное средство"),
        QCoreApplication::translate("CertificateActions", "Бак"),
        QCoreApplication::translate("CertificateActions", "Инженер")};
    QString* values[] = {&f.customer, &f.vehicle, &f.tank, &f.engineer};
    for (int i = 0; i < 4; ++i) {
        edits[i] = new QLineEdit(*values[i], &d);
        edits[i]->setMaxLength(200);
        edits[i]->setMinimumWidth(edits[i]->fontMetrics().averageCharWidth() * 40);
        form->addRow(captions[i], edits[i]);
    }
    v->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, &d);
    buttons->addButton(QCoreApplication::translate("CertificateActions", "Сохранить PDF…"),
                       QDialogButtonBox::AcceptRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    v->addWidget(buttons);
    if (d.exec() != QDialog::Accepted) return false;
    for (int i = 0; i < 4; ++i) *values[i] = edits[i]->text().trimmed();
    return true;
}

} // namespace

QWidget* make_certificate_panel(QWidget* parent) {
    auto* box = new QGroupBox(
        QCoreApplication::translate("CertificateActions", "Проверка таблицы и протокол"), parent);
    box->setObjectName(QStringLiteral("certificate_panel"));
    auto* v = new QVBoxLayout(box);
    auto* row = new QHBoxLayout;
    auto* check = new QPushButton(
        QCoreApplication::translate("CertificateActions", "Контрольная заправка"), box);
    check->setObjectName(QStringLiteral("control_refuel"));
    row->addWidget(check);
    row->addWidget(new QLabel(QCoreApplication::translate("CertificateActions", "Допуск, %"), box));
    auto* tolerance = new QLineEdit(box);
    tolerance->setObjectName(QStringLiteral("refuel_tolerance"));
    tolerance->setMaximumWidth(
        tolerance->fontMetrics().horizontalAdvance(QStringLiteral("000000")));
    row->addWidget(tolerance);
    row->addStretch(1);
    v->addLayout(row);
    auto* result = new QLabel(box);
    result->setObjectName(QStringLiteral("refuel_result"));
    result->setWordWrap(true);
    result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    v->addWidget(result);
    auto* certificate = new QPushButton(
        QCoreApplication::translate("CertificateActions", "Протокол тарировки…"), box);
    certificate->setObjectName(QStringLiteral("certificate"));
    v->addWidget(certificate);
    return box;
}

CertificateActions::CertificateActions(Configurator& c, QWidget& main, QSettings* settings)
    : QObject(&main), c_(c), main_(main), settings_(settings) {
    tolerance_ = main.findChild<QLineEdit*>(QStringLiteral("refuel_tolerance"));
    result_ = main.findChild<QLabel*>(QStringLiteral("refuel_result"));
    auto* check = main.findChild<QPushButton*>(QStringLiteral("control_refuel"));
    auto* certificate = main.findChild<QPushButton*>(QStringLiteral("certificate"));
    if (!tolerance_ || !result_ || !check || !certificate) return;
    const QString remembered = settings_ ? settings_->value(kTolerance).toString() : QString();
    tolerance_->setText(tolerance_of(remembered) ? remembered : plain_number(kDefaultTolerance));
    connect(tolerance_, &QLineEdit::editingFinished, this, [this] {
        if (settings_ && tolerance_of(tolerance_->text()))
            settings_->setValue(kTolerance, tolerance_->text().trimmed());
    });
    connect(check, &QPushButton::clicked, this, [this] { refuel(); });
    connect(certificate, &QPushButton::clicked, this, [this] { this->certificate(); });
}

void CertificateActions::refuel() {
    const std::optional<double> tolerance = tolerance_of(tolerance_->text());
    if (!tolerance) {
        c_.dialogs.message(QCoreApplication::translate(
            "CertificateActions", "Допуск — число больше 0 и не больше 100 (%)."));
        return;
    }
    const QString shown = control_refuel_click(c_, refuel_, *tolerance);
    if (!shown.isEmpty()) result_->setText(shown_text(shown));
}

void CertificateActions::certificate() {
    MainForm& f = c_.frmSerial;
    CertificateInputs in;
    in.sensor = sensor_in_view(f);
    // The recording in progress, or one the user picks.
    QString recording = f.autocal_file;
    if (recording.isEmpty())
        recording =
            c_.dialogs.open_file(QCoreApplication::translate("CertificateActions", "Открыть"),
                                 QStringLiteral("tbl Files (*.trr)"), program_folder());
    if (recording.isEmpty()) return;
    QString why;
    if (!read_regular_file(recording, kRecordingMaxBytes, &in.recording, &why)) {
        c_.dialogs.message(
            QCoreApplication::translate("CertificateActions", "Не удалось прочитать файл %1: %2")
                .arg(recording, why));
        return;
    }
    in.recording_name = QFileInfo(recording).fileName();
    // The table window's table when it came from the sensor or a file.
    const TableForm& t = c_.table_window;
    if (!t.source.isEmpty() && !t.reading) {
        if (const Result<CalibrationTable> cells = CalibrationTable::from_texts(cell_texts(t))) {
            in.table = *cells;
            in.table_source = t.source;
        }
    }
    in.refuel = refuel_.last;

    const QString summary =
        QCoreApplication::translate(
            "CertificateActions",
            "Датчик: %1, прошивка %2.\nЗапись: %3.\nТаблица: %4.\nКонтрольная "
            "заправка: %5.")
            .arg(in.sensor.serial, in.sensor.firmware, in.recording_name,
                 in.table ? in.table_source
                          : QCoreApplication::translate("CertificateActions", "расчёт по записи"),
                 in.refuel ? refuel_line(*in.refuel)
                           : QCoreApplication::translate("CertificateActions", "не проводилась"));
    Fields fields{customer_, vehicle_, tank_,
                  settings_ ? settings_->value(kEngineer).toString() : QString()};
    if (!ask_fields(main_, summary, fields)) return;
    customer_ = fields.customer;
    vehicle_ = fields.vehicle;
    tank_ = fields.tank;
    if (settings_) settings_->setValue(kEngineer, fields.engineer);
    in.customer = fields.customer;
    in.vehicle = fields.vehicle;
    in.tank = fields.tank;
    in.engineer = fields.engineer;
    in.when = c_.clock.now();

    const Result<CertificateFacts> facts = certificate_facts(in);
    if (!facts) {
        c_.dialogs.message(facts.error().text);
        return;
    }
    QString path =
        c_.dialogs.save_file(kCertificateTitle, QStringLiteral("PDF (*.pdf)"), program_folder());
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".pdf");
    if (!write_certificate(path, *facts, &why)) {
        c_.dialogs.message(
            QCoreApplication::translate("CertificateActions", "Протокол не записан в файл %1: %2")
                .arg(path, why));
        return;
    }
    c_.str_to_log(kCertificateTitle + QStringLiteral(" записан: ") + path); // run-log record
    c_.dialogs.notice(
        fill_text(QT_TRANSLATE_NOOP("Messages", "Протокол тарировки записан в файл %1"), {path}));
}

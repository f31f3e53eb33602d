#pragma once
// The "Прошивка" tab: choosing the image, running the upload on a worker
// thread that owns the port, showing how far it has got, cancelling it.
#include <QString>

struct Configurator;

// What `dir_prog` says while the upload waits, writes and reads back.
inline const QString kFirmwareInstruction =
    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Отключите питание датчика"));
inline constexpr const char* kFirmwarePowerOn =
    QT_TRANSLATE_NOOP("Messages", "Включите питание датчика: ждём ответа загрузчика до %1 с");
inline const QString kFirmwareWriting = QString::fromUtf8(
    QT_TRANSLATE_NOOP("Messages", "Идёт прошивка. Не отключайте питание датчика"));
// The stage line while blocks go out: "Запись 3 из 58, датчик 24050012. Не
// отключайте питание датчика", then "Проверка ..." for the read-back.
QString stage_line(int done, int total, bool verify, const QString& target);
inline const QString kFirmwareVerifying = QString::fromUtf8(
    QT_TRANSLATE_NOOP("Messages", "Проверка записанного. Не отключайте питание датчика"));

// The status line after an upload that the loader answered but that did not
// end with the program started; the exchange cycle keeps showing it while
// the loader refuses its requests.
inline const QString kUploadLeftInLoader = QString::fromUtf8(QT_TRANSLATE_NOOP(
    "Messages", "Прошивка не завершена: датчик остался в загрузчике, повторите прошивку."));
inline const QString kUploadNotStartedStatus = QString::fromUtf8(QT_TRANSLATE_NOOP(
    "Messages",
    "Прошивка записана, но датчик не запустился: выключите и включите питание датчика."));

// `Command8`: the image file, kept apart from the other file choosers.
void open_firmware_Click(Configurator& c);

// Connects `Command8`, `start` and `upload_cancel`, and lets the close routine
// stop an upload before it closes the port.  `sync_timeout_ms` bounds the wait
// for the sensor to be switched on.
void wire_firmware(Configurator& c, int sync_timeout_ms = 60'000);

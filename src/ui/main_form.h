#pragma once
// The main window `frmSerial` as a view model: every named control with its
// caption, version tag and tab, and the window-level variables the program's
// procedures share.  Members are public on purpose: the procedures read like
// the window's own code (`f.tek.set_text(...)`, `if (f.BTNCloseCom.enabled())`).
// Numbered controls get a name saying what they are; the string beside it is
// the objectName, by which the binder, the layouts and the snapshots know it.
// Captions stay Russian here (QT_TRANSLATE_NOOP only marks them for the
// catalogue): the run log and the snapshots read them, and the binder shows
// them in the user's language.
#include "protocol/mode_byte.h"
#include "ui/controls.h"

#include <QByteArray>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

inline const QString kNoData = QString::fromUtf8(QT_TRANSLATE_NOOP("MainForm", "Нет данных"));
inline const QString kProgramTitle =
    QString::fromUtf8(QT_TRANSLATE_NOOP("MainForm", "Конфигуратор Zorvik v2.6.3"));

class MainForm : public Form {
public:
    MainForm();

    // --- Port and link (outside the tabs) ---
    Label port_caption{*this, "Label11", QT_TRANSLATE_NOOP("MainForm", "Порт"), FirmwareTag::Port};
    ComboBox CmbPort{*this, "CmbPort", "----"};
    Button BTNOpenCom{*this, "BTNOpenCom", QT_TRANSLATE_NOOP("MainForm", "Открыть порт"),
                      FirmwareTag::Port};
    Button BTNCloseCom{*this, "BTNCloseCom", QT_TRANSLATE_NOOP("MainForm", "Закрыть порт")};
    Timer presence_timer{*this, "Timer1", 1000, true};
    Timer TMRComm{*this, "TMRComm", 1000, false};

    // --- Network and identity ---
    Label poll_address_caption{*this, "Label4", QT_TRANSLATE_NOOP("MainForm", "Опрашивать Адрес"),
                               FirmwareTag::Port};
    ComboBox CmbNet{*this, "CmbNet", "", FirmwareTag::Port};
    Button Opros{*this, "Opros", QT_TRANSLATE_NOOP("MainForm", "Поиск датчиков"),
                 FirmwareTag::Port};
    Label devices_caption{*this, "Label3", QT_TRANSLATE_NOOP("MainForm", "Устройства в сети:"),
                          FirmwareTag::Port};
    Label netdev{*this, "netdev", "--------------", FirmwareTag::Port};
    Label serial_caption{*this, "Label8", QT_TRANSLATE_NOOP("MainForm", "Серийный номер"),
                         FirmwareTag::Port};
    Label sn{*this, "sn", "0", FirmwareTag::Port};
    Label vv{*this, "vv", "Ver ---------", FirmwareTag::Port};
    Label MsgCom{*this, "MsgCom", "", FirmwareTag::Port};
    Shape Pic{*this, "Pic", rgb(255, 255, 16)};

    // --- Live values ---
    Label ur{*this, "ur", QT_TRANSLATE_NOOP("MainForm", "Уровень"), FirmwareTag::Port};
    Label Uroven{*this, "Uroven", kNoData, FirmwareTag::Port};
    ProgressBar level_bar{*this, "ProgressBar1", 1024};
    Label tek_l{*this, "tek_l", QT_TRANSLATE_NOOP("MainForm", "Текущий"), FirmwareTag::Port};
    Label tek{*this, "tek", kNoData, FirmwareTag::Port};
    Label l{*this, "l", QT_TRANSLATE_NOOP("MainForm", "Пустой"), FirmwareTag::Port};
    Label lo{*this, "lo", QT_TRANSLATE_NOOP("MainForm", "нет данных"), FirmwareTag::Port};
    Label h{*this, "h", QT_TRANSLATE_NOOP("MainForm", "Полный"), FirmwareTag::Port};
    Label hi{*this, "hi", QT_TRANSLATE_NOOP("MainForm", "нет данных"), FirmwareTag::Port};
    Label full_empty_caption{*this, "Label19", QT_TRANSLATE_NOOP("MainForm", "Полный / Пустой")};
    Label nz{*this, "nz", QT_TRANSLATE_NOOP("MainForm", "Сетевой адрес"), FirmwareTag::Port};
    Label ne{*this, "ne", QT_TRANSLATE_NOOP("MainForm", "нет данных"), FirmwareTag::Port};
    Label te{*this, "te", QT_TRANSLATE_NOOP("MainForm", "Темп-ра"), FirmwareTag::Port};
    Label temp{*this, "temp", kNoData, FirmwareTag::Port};
    Label freq_caption{*this, "Label14", QT_TRANSLATE_NOOP("MainForm", "Частота")};
    Label freq{*this, "freq", ""};
    Label analog_caption{*this, "Label16", QT_TRANSLATE_NOOP("MainForm", "Аналоговый")};
    Label anal{*this, "anal", ""};
    Label coefficient_caption{*this, "Label18", QT_TRANSLATE_NOOP("MainForm", "Коэффициент")};
    Label ko{*this, "ko", ""};
    Label stability_caption{*this, "Label20", QT_TRANSLATE_NOOP("MainForm", "Cтабильность уровня")};
    Shape ind_stab{*this, "ind_stab", rgb(192, 192, 192)};

    // --- Buttons outside the tabs ---
    Button horizont{*this, "horizont", QT_TRANSLATE_NOOP("MainForm", "Горизонт"),
                    FirmwareTag::Port};
    Button Vvod_PWD{*this, "Vvod_PWD", QT_TRANSLATE_NOOP("MainForm", "Ввести пароль"),
                    FirmwareTag::V163};
    Button Chg_pass{*this, "Chg_pass", QT_TRANSLATE_NOOP("MainForm", "Установить пароль"),
                    FirmwareTag::V163};

    TabControl tabs{
        *this,
        "SSTab1",
        {QT_TRANSLATE_NOOP("MainForm", "Настройка"), QT_TRANSLATE_NOOP("MainForm", "Тарировка"),
         QT_TRANSLATE_NOOP("MainForm", "Дист. упр."), QT_TRANSLATE_NOOP("MainForm", "Прошивка")}};

    // --- Tab 0 "Настройка": calibration, address, alarm level, modes ---
    Label balance_caption{*this, "Label10", QT_TRANSLATE_NOOP("MainForm", "Балланс калибровки")};
    Label kko{*this, "kko", "0"};
    Label Kalibr_warning{*this, "Kalibr_warning", "", FirmwareTag::Port};
    Label full_caption{*this, "Label7", QT_TRANSLATE_NOOP("MainForm", "Полный"), FirmwareTag::Port};
    Button hig{*this, "hig", QT_TRANSLATE_NOOP("MainForm", "Установить текущий"),
               FirmwareTag::Port};
    TextBox hi_data{*this, "hi_data", "100000", FirmwareTag::V171};
    Button set_hi_data{*this, "set_hi_data", QT_TRANSLATE_NOOP("MainForm", "Установить"),
                       FirmwareTag::V171};
    Label empty_caption{*this, "Label5", QT_TRANSLATE_NOOP("MainForm", "Пустой"),
                        FirmwareTag::Port};
    Button low{*this, "low", QT_TRANSLATE_NOOP("MainForm", "Установить текущий"),
               FirmwareTag::Port};
    TextBox lo_data{*this, "lo_data", "50000", FirmwareTag::V171};
    Button set_lo_data{*this, "set_lo_data", QT_TRANSLATE_NOOP("MainForm", "Установить"),
                       FirmwareTag::V171};
    Button shift{*this, "shift", QT_TRANSLATE_NOOP("MainForm", "Сдвиг уровня"), FirmwareTag::Port};
    Button net{*this, "net", QT_TRANSLATE_NOOP("MainForm", "Изменить &сетевой адрес"),
               FirmwareTag::Port};
    Label lamp_level_caption{*this, "Label9",
                             QT_TRANSLATE_NOOP("MainForm", "Порог срабатывания лампы %"),
                             FirmwareTag::V170};
    TextBox lamp_level{*this, "lamp_level", "10", FirmwareTag::V170};
    Button set_alarm{*this, "Command1", QT_TRANSLATE_NOOP("MainForm", "Установить"),
                     FirmwareTag::V170};
    Button open_table{*this, "Command6", QT_TRANSLATE_NOOP("MainForm", "Пересчитывать в литры"),
                      FirmwareTag::V170};
    CheckBox per_sents{*this, "per_sents",
                       QT_TRANSLATE_NOOP("MainForm", "пересчитывать в проценты"),
                       FirmwareTag::V200};
    // Profiles: the sensor's whole setup in a file (src/profiles).
    Button save_profile{*this, "save_profile", QT_TRANSLATE_NOOP("MainForm", "Сохранить профиль…"),
                        FirmwareTag::Port};
    Button compare_profile{*this, "compare_profile",
                           QT_TRANSLATE_NOOP("MainForm", "Сравнить с профилем…"),
                           FirmwareTag::Port};
    Button apply_profile{*this, "apply_profile",
                         QT_TRANSLATE_NOOP("MainForm", "Применить профиль…"), FirmwareTag::Port};
    ProgressBar profile_progress{*this, "profile_progress", 100};

    Frame modes_frame{*this, "Frame4", QT_TRANSLATE_NOOP("MainForm", "Режимы"), FirmwareTag::Port};
    OptionButton R485{*this, "R485", "", FirmwareTag::Port};
    Label R_485{*this, "R_485", QT_TRANSLATE_NOOP("MainForm", "Режим RS-485"), FirmwareTag::Port};
    OptionButton R_a{*this, "R_a", "", FirmwareTag::V130};
    Label R_analog{*this, "R_analog", QT_TRANSLATE_NOOP("MainForm", "Аналоговый Режим"),
                   FirmwareTag::V130};
    OptionButton R_f{*this, "R_f", "", FirmwareTag::V130};
    Label R_fr{*this, "R_fr", QT_TRANSLATE_NOOP("MainForm", "Частотный режим"), FirmwareTag::V130};
    OptionButton R_p{*this, "R_p", "", FirmwareTag::V131};
    Label R_per{*this, "R_per", QT_TRANSLATE_NOOP("MainForm", "Периодический"), FirmwareTag::V131};
    OptionButton R_p485{*this, "R_p485", "", FirmwareTag::V163};
    Label periodic485_caption{*this, "Label2", QT_TRANSLATE_NOOP("MainForm", "Периодический RS485"),
                              FirmwareTag::V163};
    OptionButton rs_232{*this, "rs_232", "", FirmwareTag::V163};
    Label rs232_caption{*this, "Label12", "RS-232", FirmwareTag::V163};
    CheckBox iinv{*this, "iinv", "", FirmwareTag::Port};
    Label invers{*this, "invers", QT_TRANSLATE_NOOP("MainForm", "Инверсия индикатора"),
                 FirmwareTag::Port};
    CheckBox usredn{*this, "usredn", "", FirmwareTag::Port};
    Label usred{*this, "usred", QT_TRANSLATE_NOOP("MainForm", "Сглаживание"), FirmwareTag::Port};
    CheckBox D_4096{*this, "D_4096", "", FirmwareTag::Port};
    Label range4096_caption{*this, "Label6", QT_TRANSLATE_NOOP("MainForm", "Диапазон 4096"),
                            FirmwareTag::Port};
    CheckBox tartab1{*this, "tartab1", QT_TRANSLATE_NOOP("MainForm", "Пересчитывать в литры"),
                     FirmwareTag::V170};
    Label smoothing_caption{*this, "Label22", QT_TRANSLATE_NOOP("MainForm", "Сглаживание"),
                            FirmwareTag::V176};
    Slider smoothing_slider{*this, "Slider1", 0, 15, FirmwareTag::V176};
    Label sgla{*this, "sgla", "0", FirmwareTag::V176};
    CheckBox Termokompens{*this, "Termokompens",
                          QT_TRANSLATE_NOOP("MainForm", "Откл. Термокомпенсацию"),
                          FirmwareTag::V176};
    CheckBox naklon{*this, "naklon", QT_TRANSLATE_NOOP("MainForm", "Угол"), FirmwareTag::Port};
    CheckBox dr_quality{*this, "dr_quality", QT_TRANSLATE_NOOP("MainForm", "Качество"),
                        FirmwareTag::Port};
    Button Set_mode{*this, "Set_mode", QT_TRANSLATE_NOOP("MainForm", "&Установить"),
                    FirmwareTag::Port};
    // The output options in the order of kOutputInterfaces.
    std::array<OptionButton*, 6> output_options() {
        return {&R485, &R_a, &R_f, &R_p, &R_p485, &rs_232};
    }
    // The mode byte the setting controls show, and the one the relay tab's own
    // controls show (that tab has no RS-232 option).
    ModeByte settings_mode() const;
    ModeByte relay_mode() const;
    // The address of the selected `CmbNet` entry; nullopt when none is
    // selected or its text is not a whole number 0..255.
    std::optional<uint8_t> selected_address() const;

    // --- Tab 1 "Тарировка": auto-calibration by portions ---
    Label portion_caption{*this, "Label15", QT_TRANSLATE_NOOP("MainForm", "Порция заправки"),
                          FirmwareTag::Port};
    Label step_zapr{*this, "step_zapr", "0", FirmwareTag::Port};
    Label autocal_file_caption{*this, "Label17", QT_TRANSLATE_NOOP("MainForm", "Запись в  Файл:"),
                               FirmwareTag::Port};
    Label tar_file_name{*this, "tar_file_name", "", FirmwareTag::Port};
    Label autocal_note{*this, "Label24", ""};
    Grid autocal_grid{*this, "MSFlexGrid1", 9, 3, FirmwareTag::Port};
    Button new_calibration{*this, "Command11", QT_TRANSLATE_NOOP("MainForm", "Новая тарировка"),
                           FirmwareTag::Port};
    Button resume_calibration{*this, "Command12",
                              QT_TRANSLATE_NOOP("MainForm", "Возобновить тарировку"),
                              FirmwareTag::Port};
    Button ch_portion{*this, "ch_portion", QT_TRANSLATE_NOOP("MainForm", "Изменить"),
                      FirmwareTag::Port};
    Button record_point{*this, "Command14", QT_TRANSLATE_NOOP("MainForm", "Ввести значение  (F9)"),
                        FirmwareTag::Port};

    // --- Tab 2 "Дист. упр.": relay command generator, server log reader ---
    Label remote_address_caption{*this, "Label13",
                                 QT_TRANSLATE_NOOP("MainForm", "удаленный сетевой номер")};
    TextBox dist_net_num{*this, "dist_net_num", "1"};
    ComboBox VibGenCmd{*this, "VibGenCmd", ""};
    Label lchislo{*this, "lchislo", ""};
    TextBox chislo_sdv{*this, "chislo_sdv", "0"};
    Button gen_zapr{*this, "gen_zapr", QT_TRANSLATE_NOOP("MainForm", "Cгенерировать запрос")};
    Label copy_hint{
        *this, "Label21",
        QT_TRANSLATE_NOOP("MainForm", "Скопируйте строку и вставьте в файл для отправки")};
    TextBox gen_txt{*this, "gen_txt", ""};
    Button gen_copy{*this, "gen_copy",
                    QT_TRANSLATE_NOOP("MainForm", "Копировать")}; // puts `gen_txt` on the clipboard
    Button rdf{*this, "rdf", QT_TRANSLATE_NOOP("MainForm", "читать из файла")};
    CheckBox ch_ver{*this, "ch_ver",
                    QT_TRANSLATE_NOOP("MainForm", "Для версии прошивки 1.7.6 и выше")};
    Frame relay_modes_frame{*this, "Frame5", QT_TRANSLATE_NOOP("MainForm", "Режимы")};
    OptionButton r485d{*this, "r485d", ""};
    Label relay_rs485_caption{*this, "Label31", QT_TRANSLATE_NOOP("MainForm", "Режим RS-485")};
    OptionButton r_ad{*this, "r_ad", ""};
    Label relay_analog_caption{*this, "Label32", QT_TRANSLATE_NOOP("MainForm", "Аналоговый Режим")};
    OptionButton r_fd{*this, "r_fd", ""};
    Label relay_freq_caption{*this, "Label33", QT_TRANSLATE_NOOP("MainForm", "Частотный режим"),
                             FirmwareTag::V130};
    OptionButton r_pd{*this, "r_pd", ""};
    Label relay_periodic_caption{*this, "Label30", QT_TRANSLATE_NOOP("MainForm", "Периодический")};
    OptionButton r_p485d{*this, "r_p485d", ""};
    Label relay_periodic485_caption{*this, "Label29",
                                    QT_TRANSLATE_NOOP("MainForm", "Периодический RS485")};
    CheckBox iinvd{*this, "iinvd", ""};
    Label relay_invert_caption{*this, "Label28",
                               QT_TRANSLATE_NOOP("MainForm", "Инверсия индикатора")};
    CheckBox usrednd{*this, "usrednd", ""};
    Label relay_smoothing_on_caption{*this, "Label27",
                                     QT_TRANSLATE_NOOP("MainForm", "Сглаживание")};
    CheckBox D_4096d{*this, "D_4096d", ""};
    Label relay_range4096_caption{*this, "Label26", QT_TRANSLATE_NOOP("MainForm", "Диапазон 4096")};
    CheckBox tartab1d{*this, "tartab1d", QT_TRANSLATE_NOOP("MainForm", "Пересчитывать в литры")};
    CheckBox per_sentsd{*this, "per_sentsd",
                        QT_TRANSLATE_NOOP("MainForm", "пересчитывать в проценты")};
    Label relay_smoothing_caption{*this, "Label25", QT_TRANSLATE_NOOP("MainForm", "Сглаживание")};
    Slider relay_smoothing_slider{*this, "Slider1d", 0, 15};
    Label sglad{*this, "sglad", "0"};
    CheckBox Termokompensd{*this, "Termokompensd",
                           QT_TRANSLATE_NOOP("MainForm", "Откл. Термокомпенсацию")};
    Button gen_up{*this, "gen_up", ""};
    Button gen_down{*this, "gen_down", ""};
    Button sdv_hi{*this, "sdv_hi", ""};
    Button sdv_low{*this, "sdv_low", ""};

    // --- Tab 3 "Прошивка": firmware upload ---
    Label dir_prog{*this, "dir_prog", QT_TRANSLATE_NOOP("MainForm", "Отключите питание датчика")};
    Label filename_prog{*this, "filename_prog", QT_TRANSLATE_NOOP("MainForm", "Нет файла")};
    Button open_firmware{*this, "Command8", QT_TRANSLATE_NOOP("MainForm", "Открыть файл"),
                         FirmwareTag::Port};
    TextBox upload_log{*this, "txtRec1", ""};
    CheckBox EEPROM{*this, "EEPROM", QT_TRANSLATE_NOOP("MainForm", "Сброс калибровок"),
                    FirmwareTag::Port};
    // Read every written block back before starting the program; on at start.
    CheckBox verify_upload{*this, "verify_upload",
                           QT_TRANSLATE_NOOP("MainForm", "Проверять записанное"),
                           FirmwareTag::Port};
    Frame sensor_type_frame{*this, "Frame3", QT_TRANSLATE_NOOP("MainForm", "Тип датчика"),
                            FirmwareTag::Port};
    OptionButton Zorvik{*this, "Zorvik", "Zorvik", FirmwareTag::Port};
    OptionButton Pelgar{*this, "Pelgar", "Pelgar", FirmwareTag::Port};
    Button start{*this, "start", QT_TRANSLATE_NOOP("MainForm", "Пуск"), FirmwareTag::Port};
    // How far an upload has got, and the way to stop it.
    ProgressBar upload_progress{*this, "upload_progress", 100};
    Button upload_cancel{*this, "upload_cancel", QT_TRANSLATE_NOOP("MainForm", "Отмена")};

    // --- Window-level variables ---
    bool freq_mode = false;        // the sensor reported frequency mode
    bool err_shown = false;        // the bad-data message has been shown
    int16_t still_count = 0;       // stability counter
    bool no_data = false;          // the selected sensor does not answer
    bool replay_mode = false;      // a reply from a server log is being processed
    QByteArray replay_reply;       // that reply
    double avg_reading = 0;        // running average of the raw reading
    int16_t stab_score = 0;        // stability score 0..5
    uint8_t reported_mode = 0;     // mode byte of the last state reply
    QString mode_text;             // last mode byte shown, decimal
    int16_t Ur_progressBar = 1024; // full scale of the level bar
    uint8_t range256 = 0;          // firmware 1.7.2 reports a 256-step range
    int16_t firmware_version = 0;  // firmware version code of the last identity reply
    int16_t start_ticks = 0;       // ticks of the port presence scan since start-up
    QString chosen_file;           // path last chosen in a file dialog of this window
    QString firmware_file;         // the image chosen with `Command8`, apart from chosen_file
    QString loader_left;           // status while a sensor an upload left in its bootloader answers
    QString server_log_file;       // server log last read; apart from chosen_file
    int16_t autocal_row = 1;       // auto-calibration: row that receives the next level
    int32_t autocal_litres = 0;    // auto-calibration: litres of that row
    int16_t autocal_portion = 0;   // auto-calibration: litres per portion
    QString autocal_file;          // auto-calibration: where points go; a path of its own
};

// The calibration table window `Form3`.
class TableForm : public Form {
public:
    TableForm();
    Label warning{
        *this, "Label1",
        QT_TRANSLATE_NOOP(
            "MainForm",
            "Внимание! Эта таблица используется для пересчета уровня в литры внутри датчика.")};
    Label readings_caption{*this, "Label12", QT_TRANSLATE_NOOP("MainForm", "Показания датчика")};
    Label litres_caption{*this, "Label11", QT_TRANSLATE_NOOP("MainForm", "Литры")};
    // Point k: reading reading_cells[k], litres litre_cells[k]; point 19 is the top row.
    std::vector<std::unique_ptr<TextBox>> reading_cells;
    std::vector<std::unique_ptr<TextBox>> litre_cells;
    TextBox zero_reading{*this, "Text1", "0"};
    TextBox zero_litres{*this, "Text2", "0"};
    CheckBox tartab{*this, "tartab", QT_TRANSLATE_NOOP("MainForm", "Пересчитывать в литры")};
    CheckBox per_sents{*this, "per_sents",
                       QT_TRANSLATE_NOOP("MainForm", "пересчитывать в проценты")};
    Button rdTable{*this, "rdTable", QT_TRANSLATE_NOOP("MainForm", "Прочитать из датчика")};
    Button wrmyTable{*this, "wrmyTable", QT_TRANSLATE_NOOP("MainForm", "Записать в датчик")};
    Button fTablOpen{*this, "fTablOpen", QT_TRANSLATE_NOOP("MainForm", "Открыть файл")};
    Button fTablSave{*this, "fTablSave", QT_TRANSLATE_NOOP("MainForm", "Сохранить в файл")};
    Button close_window{*this, "Command1", QT_TRANSLATE_NOOP("MainForm", "Выйти")};
    // The table's way from a recording to a fleet platform and back.
    Button from_recording{*this, "fTablFit", QT_TRANSLATE_NOOP("MainForm", "Из тарировки…")};
    Button export_table{*this, "fTablExport", QT_TRANSLATE_NOOP("MainForm", "Экспорт…")};
    Button import_table{*this, "fTablImport", QT_TRANSLATE_NOOP("MainForm", "Импорт…")};
    // Under the table: how far a fitted table is from the points it was fitted to.
    Label fit_result{*this, "fit_result"};

    // Where the cells came from, for the window's title: "датчик 5", a file's
    // name; empty while they are the defaults or typed.  `reading`: a read
    // from the sensor is on its way and the cells are not its table yet.
    QString source;
    bool reading = false;
    std::function<void()> on_source_changed;
    void set_source(const QString& s, bool now_reading) {
        source = s;
        reading = now_reading;
        if (on_source_changed) on_source_changed();
    }
};

// The level-shift window `Form4`.
class ShiftForm : public Form {
public:
    ShiftForm() : Form("Form4", QT_TRANSLATE_NOOP("MainForm", "Сдвиг уровней")) {}
    TextBox data{*this, "data", "0"};
    Label range_hint{*this, "Label1",
                     QT_TRANSLATE_NOOP("MainForm", "Значения могут быть      от -1000 до 1000")};
    Button shift_full{*this, "Command1", QT_TRANSLATE_NOOP("MainForm", "Сдвинуть уровень полного")};
    Button shift_empty{*this, "Command3",
                       QT_TRANSLATE_NOOP("MainForm", "Сдвинуть уровень пустого")};
    Button close_window{*this, "Command2", QT_TRANSLATE_NOOP("MainForm", "Выход")};
};

// The start-up splash `Form2`.
class SplashForm : public Form {
public:
    SplashForm() : Form("Form2", "Form2") {}
    Image logo{*this, "Image1"};
};

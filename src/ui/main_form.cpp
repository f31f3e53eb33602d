#include "ui/main_form.h"

#include "protocol/calibration_table.h"

MainForm::MainForm() : Form("frmSerial", kProgramTitle)
{
    // Tab placement of the controls that live on the tab control's pages.
    // Vectors, not nested initializer lists: an inner list's array would not
    // outlive the statement that builds the pairs.
    const std::vector<std::pair<int, std::vector<Control*>>> pages = {
        {0, {&Label9, &Label10, &kko, &Kalibr_warning, &Label5, &Label7, &set_hi_data, &hi_data,
             &lo_data, &set_lo_data, &net, &hig, &low, &lamp_level, &Command1, &shift, &Command6,
             &Frame4, &per_sents, &R485, &R_485, &R_a, &R_analog, &R_f, &R_fr, &R_p, &R_per,
             &R_p485, &Label2, &rs_232, &Label12, &iinv, &invers, &usredn, &usred, &D_4096,
             &Label6, &tartab1, &Label22, &Slider1, &sgla, &Termokompens, &naklon, &dr_quality,
             &Set_mode}},
        {1, {&Label15, &step_zapr, &Label17, &tar_file_name, &Label24, &MSFlexGrid1, &Command11,
             &Command12, &ch_portion, &Command14}},
        {2, {&Label13, &lchislo, &Label21, &gen_txt, &gen_copy, &gen_zapr, &VibGenCmd,
             &dist_net_num, &chislo_sdv, &Frame5, &ch_ver, &r485d, &Label31, &r_ad, &Label32,
             &r_fd, &Label33, &r_pd, &Label30, &r_p485d, &Label29, &iinvd, &Label28, &usrednd,
             &Label27, &D_4096d, &Label26, &tartab1d, &per_sentsd, &Label25, &Slider1d, &sglad,
             &Termokompensd}},
        {3, {&dir_prog, &filename_prog, &Command8, &txtRec1, &EEPROM, &Frame3, &Zorvik, &Pelgar,
             &start, &upload_progress, &upload_cancel}},
    };
    for (const auto& [tab, members] : pages)
        for (Control* c : members) c->set_tab(tab);

    // Design-time state.  The 1.7.0 group appears only once such a sensor
    // answers; the percent box of the main window is never offered.
    for (Control* c : std::initializer_list<Control*>{&Label9, &lamp_level, &Command1, &tartab1,
                                                       &Command6})
        c->set_visible(false);
    per_sents.set_visible(false);
    per_sents.set_enabled(false);
    // The generator's 1.7.6 options follow `ch_ver`, which starts unticked.
    for (Control* c : std::initializer_list<Control*>{&Slider1d, &Label25, &sglad, &Termokompensd,
                                                       &tartab1d, &per_sentsd})
        c->set_visible(false);
    Zorvik.set_value(true);
    upload_cancel.set_enabled(false); // while no upload runs
    BTNCloseCom.set_enabled(false);
}

TableForm::TableForm() : Form("Form3", "Тарировочная таблица датчика")
{
    // The cells start with the default table, the same in both columns.
    const QStringList defaults = CalibrationTable::defaults().to_texts();
    for (int k = 0; k < CalibrationTable::kPoints; ++k) {
        Text4.push_back(std::make_unique<TextBox>(*this, QStringLiteral("Text4(%1)").arg(k),
                                                  defaults[k]));
        Text3.push_back(std::make_unique<TextBox>(*this, QStringLiteral("Text3(%1)").arg(k),
                                                  defaults[CalibrationTable::kPoints + k]));
    }
    Text1.set_enabled(false);
    Text2.set_enabled(false);
}

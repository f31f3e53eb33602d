#include "ui/main_form.h"

#include "protocol/calibration_table.h"

#include <span>

namespace {
// Options in the order of kOutputInterfaces: the last one chosen wins, none
// chosen is RS-485.  A check box counts as ticked when it is not clear
// (greyed too).
ModeByte mode_shown(std::span<const OptionButton* const> outputs, const CheckBox& invert,
                    const CheckBox& smoothing, const CheckBox& range4096, const CheckBox& litres,
                    const CheckBox& percent) {
    ModeByte m;
    for (size_t i = 0; i < outputs.size(); ++i)
        if (outputs[i]->value()) m.output = kOutputInterfaces[i];
    m.invert = invert.value() != 0;
    m.smoothing = smoothing.value() != 0;
    m.range4096 = range4096.value() != 0;
    m.litres = litres.value() != 0;
    m.percent = percent.value() != 0;
    return m;
}
} // namespace

MainForm::MainForm() : Form("frmSerial", kProgramTitle) {
    // Tab placement of the controls that live on the tab control's pages.
    // Vectors, not nested initializer lists: an inner list's array would not
    // outlive the statement that builds the pairs.
    const std::vector<std::pair<int, std::vector<Control*>>> pages = {
        {0,
         {&lamp_level_caption,
          &balance_caption,
          &kko,
          &Kalibr_warning,
          &empty_caption,
          &full_caption,
          &set_hi_data,
          &hi_data,
          &lo_data,
          &set_lo_data,
          &net,
          &hig,
          &low,
          &lamp_level,
          &set_alarm,
          &shift,
          &open_table,
          &modes_frame,
          &per_sents,
          &save_profile,
          &compare_profile,
          &apply_profile,
          &profile_progress,
          &R485,
          &R_485,
          &R_a,
          &R_analog,
          &R_f,
          &R_fr,
          &R_p,
          &R_per,
          &R_p485,
          &periodic485_caption,
          &rs_232,
          &rs232_caption,
          &iinv,
          &invers,
          &usredn,
          &usred,
          &D_4096,
          &range4096_caption,
          &tartab1,
          &smoothing_caption,
          &smoothing_slider,
          &sgla,
          &Termokompens,
          &naklon,
          &dr_quality,
          &Set_mode}},
        {1,
         {&portion_caption, &step_zapr, &autocal_file_caption, &tar_file_name, &autocal_note,
          &autocal_grid, &new_calibration, &resume_calibration, &ch_portion, &record_point}},
        {2,
         {&remote_address_caption,
          &lchislo,
          &copy_hint,
          &gen_txt,
          &gen_copy,
          &gen_zapr,
          &VibGenCmd,
          &dist_net_num,
          &chislo_sdv,
          &relay_modes_frame,
          &ch_ver,
          &r485d,
          &relay_rs485_caption,
          &r_ad,
          &relay_analog_caption,
          &r_fd,
          &relay_freq_caption,
          &r_pd,
          &relay_periodic_caption,
          &r_p485d,
          &relay_periodic485_caption,
          &iinvd,
          &relay_invert_caption,
          &usrednd,
          &relay_smoothing_on_caption,
          &D_4096d,
          &relay_range4096_caption,
          &tartab1d,
          &per_sentsd,
          &relay_smoothing_caption,
          &relay_smoothing_slider,
          &sglad,
          &Termokompensd}},
        {3,
         {&dir_prog, &filename_prog, &open_firmware, &upload_log, &EEPROM, &verify_upload,
          &sensor_type_frame, &Zorvik, &Pelgar, &start, &upload_progress, &upload_cancel}},
    };
    for (const auto& [tab, members] : pages)
        for (Control* c : members) c->set_tab(tab);

    // Design-time state.  The 1.7.0 group appears only once such a sensor
    // answers; the percent box of the main window is never offered.
    for (Control* c : std::initializer_list<Control*>{&lamp_level_caption, &lamp_level, &set_alarm,
                                                      &tartab1, &open_table})
        c->set_visible(false);
    per_sents.set_visible(false);
    per_sents.set_enabled(false);
    // The generator's 1.7.6 options follow `ch_ver`, which starts unticked.
    for (Control* c :
         std::initializer_list<Control*>{&relay_smoothing_slider, &relay_smoothing_caption, &sglad,
                                         &Termokompensd, &tartab1d, &per_sentsd})
        c->set_visible(false);
    Zorvik.set_value(true);
    verify_upload.set_value(1);
    upload_cancel.set_enabled(false); // while no upload runs
    BTNCloseCom.set_enabled(false);
}

TableForm::TableForm()
    : Form("Form3", QT_TRANSLATE_NOOP("MainForm", "Тарировочная таблица датчика")) {
    // The cells start with the default table, the same in both columns.
    const QStringList defaults = CalibrationTable::defaults().to_texts();
    for (int k = 0; k < CalibrationTable::kPoints; ++k) {
        reading_cells.push_back(
            std::make_unique<TextBox>(*this, QStringLiteral("Text4(%1)").arg(k), defaults[k]));
        litre_cells.push_back(std::make_unique<TextBox>(*this, QStringLiteral("Text3(%1)").arg(k),
                                                        defaults[CalibrationTable::kPoints + k]));
    }
    zero_reading.set_enabled(false);
    zero_litres.set_enabled(false);
    fit_result.set_visible(false); // until a table is fitted
}

ModeByte MainForm::settings_mode() const {
    const std::array<const OptionButton*, 6> outputs = {&R485, &R_a, &R_f, &R_p, &R_p485, &rs_232};
    return mode_shown(outputs, iinv, usredn, D_4096, tartab1, per_sents);
}

ModeByte MainForm::relay_mode() const {
    const std::array<const OptionButton*, 5> outputs = {&r485d, &r_ad, &r_fd, &r_pd, &r_p485d};
    return mode_shown(outputs, iinvd, usrednd, D_4096d, tartab1d, per_sentsd);
}

std::optional<uint8_t> MainForm::selected_address() const {
    if (CmbNet.list_index() < 0) return std::nullopt;
    bool ok = false;
    const int v = CmbNet.selected_text().trimmed().toInt(&ok, 10);
    if (!ok || v < 0 || v > 255) return std::nullopt;
    return uint8_t(v);
}

// The generator tab: entries, value checks, messages, the mode frame, copying.
#include "relay/relay_generator.h"

#include "../support/configurator_rig.h"
#include "../support/qt_printers.h"

#include <gtest/gtest.h>

namespace {

const char* const kPassword = "Введите числовой пароль в диапазоне 0....2 000 000 000";
const char* const kShift = "Значения могут быть от -1000 до 1000";
const char* const kLevel = "Введите значение уровня в диапазоне 0....2 000 000 000";

struct GeneratorRig : ConfiguratorRig {
    QStringList copied;
    GeneratorRig() {
        wire_relay(c, [this](const QString& t) { copied << t; });
        f.gen_txt.set_text("before");
        c.exchange.queue(frame("3105F5")); // left from before: the generator empties the slot
    }
    void choose(int entry) { f.VibGenCmd.set_list_index(entry); }
};

} // namespace

TEST(RelayGenerator, StringsValueChecksAndMessages) {
    const struct {
        int entry;
        const char* address;
        const char* value;
        bool ch_ver;
        const char* text;    // nullptr: gen_txt keeps its text
        const char* message; // nullptr: none
    } rows[] = {
        {1, "1", "", false, "S485=4:23:1500:19200:3101F0C5", nullptr},
        {1, "1", "", true, "S485=4:24:1500:19200:3101F0C5", nullptr},
        {1, "200", "", false, nullptr, nullptr}, // state, shifts: below 200 only
        {2, "1", "", true, "S485=4:10:1500:19200:3101FC66", nullptr},
        {2, "200", "", false, "S485=4:10:1500:19200:31C8FC60", nullptr},
        {3, "1", "-5", false, "S485=6:10:1500:19200:3101F4FFFB00", nullptr},
        {3, "1", "-5", true, "S485=9:10:1500:19200:3101F45AC396FFFB99", nullptr},
        {3, "1", "1001", false, nullptr, kShift},
        {3, "1", "40000", false, nullptr, kShift}, // beyond 16 bits is out of range too
        {3, "1", "abc", false, nullptr, nullptr},
        {4, "199", "-5", false, "S485=6:8:1500:19200:31C7F9FFFB20", nullptr},
        {4, "200", "-5", false, nullptr, nullptr},
        {4, "200", "5000", false, nullptr, nullptr}, // the address is checked first
        {0, "1", "2000000000", false, "S485=8:4:1500:19200:3101F877359400BB", nullptr},
        {0, "1", "2000000001", false, nullptr, kPassword},
        {0, "1", "-1", false, nullptr, kPassword},
        {0, "1", "x", false, nullptr, kPassword},
        {0, "256", "1", false, nullptr, kPassword},
        {8, "-1", "1", false, nullptr, kPassword},
        {8, "1", "", false, nullptr, kPassword},
        {5, "1", "2000000001", false, nullptr, kLevel},
        {6, "1", "-3", false, nullptr, kLevel},
        {5, "1", "x", false, nullptr, nullptr},
        {6, "256", "1", false, nullptr, nullptr},
        {7, "1", "x", false, "S485=5:5:1500:19200:3101F20064", nullptr}, // no value needed
        {7, "1", "", true, "S485=9:6:1500:19200:3101F25AC3960000FE", nullptr},
    };
    for (const auto& row : rows) {
        GeneratorRig r;
        r.choose(row.entry);
        r.f.dist_net_num.set_text(row.address);
        r.f.chislo_sdv.set_text(row.value);
        r.f.ch_ver.set_value(row.ch_ver ? 1 : 0);
        r.port.calls.clear();
        r.f.gen_zapr.click();
        const std::string what = std::to_string(row.entry) + " " + row.address + " " + row.value;
        EXPECT_EQ(r.f.gen_txt.text(), row.text ? row.text : "before") << what;
        EXPECT_EQ(r.dialogs.texts(), row.message ? QStringList{row.message} : QStringList{})
            << what;
        EXPECT_TRUE(r.c.exchange.pending().isEmpty()) << what;
        EXPECT_TRUE(r.port.calls.isEmpty()) << what;
    }
}

TEST(RelayGenerator, ModeFrameComposesBothBytes) {
    GeneratorRig r;
    r.choose(7);
    r.f.ch_ver.set_value(1);
    r.f.r_pd.set_value(true);
    r.f.r_p485d.set_value(true); // the last one in list order wins
    r.f.usrednd.set_value(1);
    r.f.tartab1d.set_value(1);
    r.f.relay_smoothing_slider.set_value(7);
    r.f.Termokompensd.set_value(1);
    EXPECT_EQ(r.f.sglad.text(), "7");
    r.f.gen_zapr.click();
    EXPECT_EQ(r.f.gen_txt.text(), "S485=9:6:1500:19200:3101F25AC3965887F0");
    // Without ch_ver the slider and compensation are left out, the litres stay.
    r.f.ch_ver.set_value(0);
    r.f.gen_zapr.click();
    EXPECT_EQ(r.f.gen_txt.text(), "S485=5:5:1500:19200:3101F2587D");
}

TEST(RelayGenerator, EntryShowsItsPromptOrTheModeFrame) {
    const struct {
        int entry;
        int ch_ver;
        const char* prompt; // nullptr: no value box
        bool frame, slider;
    } rows[] = {
        {0, 0, "Введите числовой пароль:", false, false},
        {1, 0, nullptr, false, false},
        {2, 1, nullptr, false, false},
        {3, 0, "Сдвиг полного в У.Е", false, false},
        {4, 0, "Сдвиг пустого в У.Е", false, false},
        {5, 0, "Установить в качестве полного", false, false},
        {6, 0, "Установить в качестве пустого", false, false},
        {7, 0, nullptr, true, false},
        {7, 1, nullptr, true, true},
        {8, 0, "Установить в качестве пароля доступа", false, false},
    };
    GeneratorRig r;
    r.f.chislo_sdv.set_text("42");
    for (const auto& row : rows) {
        r.f.ch_ver.set_value(row.ch_ver);
        r.choose(row.entry);
        EXPECT_EQ(r.f.chislo_sdv.visible(), row.prompt != nullptr) << row.entry;
        EXPECT_EQ(r.f.lchislo.visible(), row.prompt != nullptr) << row.entry;
        if (row.prompt) {
            EXPECT_EQ(r.f.lchislo.text(), row.prompt);
        }
        EXPECT_EQ(r.f.relay_modes_frame.visible(), row.frame) << row.entry;
        if (row.frame) {
            for (const Control* c : {(Control*)&r.f.relay_smoothing_slider,
                                     (Control*)&r.f.relay_smoothing_caption, (Control*)&r.f.sglad})
                EXPECT_EQ(c->visible(), row.slider) << c->name().toStdString();
        }
    }
    EXPECT_EQ(r.f.chislo_sdv.text(), "42"); // kept across entries
}

TEST(RelayGenerator, CopyPutsTheStringOnTheClipboard) {
    GeneratorRig r;
    r.choose(2);
    r.f.gen_zapr.click();
    r.f.gen_copy.click();
    EXPECT_EQ(r.copied, QStringList{"S485=4:10:1500:19200:3101FC66"});
    r.f.gen_txt.set_text("");
    r.f.gen_copy.click(); // nothing to copy: the clipboard keeps what it has
    EXPECT_EQ(r.copied.size(), 1);
}

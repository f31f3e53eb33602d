// The configurator on its view model with the test fakes, driven by a script
// of ticks with line bytes, replays, scans, address choices and open/close.
// After every step the window is in a state it can be in: the link controls
// agree with the port, no tick or replay is left half done, the level bar is
// within its scale, the pending request and lists are bounded; the firmware
// version and the table window change only on a reply with a correct CRC.
//
// Input: steps of [op][length][bytes].
#include "fuzz_support.h"

#include "configurator_rig.h"
#include "exchange/network_scan.h"
#include "protocol/codes.h"
#include "protocol/replies.h"
#include "tables/table_exchange.h"

namespace {

void check_form(const ConfiguratorRig& rig, size_t messages_before) {
    const MainForm& f = rig.f;
    const bool open = rig.port.IsOpen();
    FUZZ_CHECK(f.TMRComm.enabled() == open && f.BTNCloseCom.enabled() == open &&
               f.BTNOpenCom.enabled() == !open);
    FUZZ_CHECK(!rig.c.exchange.tick_running() && !f.replay_mode);
    FUZZ_CHECK(f.level_bar.value() >= f.level_bar.min() &&
               f.level_bar.value() <= f.level_bar.max());
    FUZZ_CHECK(f.stab_score >= 0 && f.stab_score <= 5 && f.still_count >= 0);
    FUZZ_CHECK(rig.c.exchange.pending().size() <= 255 && f.CmbNet.list_count() <= 256);
    FUZZ_CHECK(f.CmbNet.list_index() < f.CmbNet.list_count());
    FUZZ_CHECK(f.MsgCom.text().size() < 200 && f.Uroven.text().size() < 64);
    // A step shows a few messages at most, never one per byte.
    FUZZ_CHECK(rig.dialogs.messages.size() - messages_before <= 4);
}

// Whether `bytes`, as one read, is a reply with code `code` and a correct CRC.
bool crc_good_reply(const QByteArray& bytes, uint8_t code) {
    const QByteArray read = bytes.left(SerialPort::kMaxChunk);
    return is_framed(read) && uint8_t(read[2]) == code && reply_crc_ok(read);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    ConfiguratorRig rig;
    MainForm& f = rig.f;
    size_t i = 0;
    int steps = 0;
    while (i + 2 <= size && steps++ < 64) {
        const uint8_t op = data[i];
        const size_t len = std::min<size_t>(data[i + 1], size - i - 2);
        QByteArray bytes = fuzz_bytes(data + i + 2, len);
        i += 2 + len;
        // Bit 3: a reply built with a correct CRC from the bytes (start byte and
        // the selected address in front), so that the fuzzer reaches the decoders.
        if (op & 8) {
            bytes.prepend(char(rig.c.exchange.identity_address()));
            bytes.prepend(char(0x3E));
            bytes = Control_summ(bytes);
        }

        const size_t messages_before = rig.dialogs.messages.size();
        const int16_t version_before = f.firmware_version;
        const QStringList cells_before = cell_texts(rig.c.table_window);
        QByteArray delivered; // what a reply of this step consisted of
        switch (op & 7) {
        case 0:
        case 1:
            if (!f.TMRComm.enabled()) break;
            delivered = bytes;
            rig.receive(bytes);
            break;
        case 2:
            delivered = bytes.left(SerialPort::kMaxChunk);
            rig.replay(delivered);
            break;
        case 3:
            rig.port.open_succeeds = (op & 16) == 0;
            if (f.BTNOpenCom.enabled()) rig.open();
            break;
        case 4:
            if (f.BTNCloseCom.enabled()) BTNCloseCom_Click(rig.c);
            break;
        case 5:
            if (f.Opros.enabled()) Opros_Click(rig.c);
            if (f.TMRComm.enabled()) {
                delivered = bytes;
                rig.receive(bytes);
            }
            break;
        case 6:
            rig.select(len > 0 ? uint8_t(bytes[0]) : 0);
            break;
        case 7:
            // Text in the address list, as a user might leave it.
            f.CmbNet.clear();
            f.CmbNet.add_item(QString::fromLatin1(bytes.left(8)));
            f.CmbNet.set_list_index(0);
            break;
        }
        check_form(rig, messages_before);
        if (f.firmware_version != version_before)
            FUZZ_CHECK(crc_good_reply(delivered, CMD_READ_ID));
        if (cell_texts(rig.c.table_window) != cells_before)
            FUZZ_CHECK(crc_good_reply(delivered, CMD_READ_TABLE));
    }
    return 0;
}

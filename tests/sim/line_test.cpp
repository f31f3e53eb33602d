// The line around the sensors: network scan, address change, injected faults,
// wire timing and the ROM bootloader, driven through the in-process port the
// way the configurator drives a real one.
#include "sim/sim_line.h"
#include "sim/sim_port.h"

#include "sim_test_util.h"

#include <gtest/gtest.h>

#include <memory>

namespace {
const QByteArray kScan = hex("31FFDC");
const QString kSettings = QStringLiteral("19200,n,8,1");

struct Rig {
    std::shared_ptr<ManualSimTime> time = std::make_shared<ManualSimTime>(1'000'000'000);
    SimSerialPort port;
    explicit Rig(SimLine line = SimLine::demo()) : port(std::move(line), kDemoPortName, time) {
        port.OpenPort(kDemoPortName, kSettings);
    }
    SimLine& line() { return port.line(); }
    QByteArray ask(const QByteArray& frame) {
        EXPECT_EQ(port.WritePort(frame), frame.size());
        return port.ReadPort();
    }
};
} // namespace

TEST(SimLineScan, EverySensorAnswersWithItsAddressInAddressOrder) {
    SimLine line;
    line.add_sensor(12, 176);
    line.add_sensor(1, 130);
    line.add_sensor(62, 170);
    line.add_sensor(5, 163);
    Rig rig(std::move(line));
    EXPECT_EQ(rig.ask(kScan), hex("0105 0C3E"));

    rig.line().inject_fault(5, SimFault::Silent, 1);
    EXPECT_EQ(rig.ask(kScan), hex("010C3E"));
    EXPECT_EQ(rig.ask(kScan), hex("01050C3E")); // the fault was for one answer only

    rig.line().enter_bootloader(62); // a part in its bootloader does not take part
    EXPECT_EQ(rig.ask(kScan), hex("01050C"));

    // Two sensors at one address both answer.
    SimLine twins;
    twins.add_sensor(7, 176);
    twins.add_sensor(7, 130);
    Rig two(std::move(twins));
    EXPECT_EQ(two.ask(kScan), hex("0707"));
    // A broken scan frame gets nothing.
    EXPECT_TRUE(two.ask(hex("31FFDD")).isEmpty());
}

TEST(SimLineAddress, NewAddressConfirmedUnderTheOldOne) {
    for (int version : {163, 176}) {
        Rig rig;
        const uint8_t old_address = version == 163 ? 5 : 12;
        const QByteArray r = rig.ask(request(old_address, CMD_SET_ADDRESS, version, hex("09")));
        EXPECT_EQ(r, Control_summ(bytes({0x3E, old_address, CMD_SET_ADDRESS})));
        EXPECT_TRUE(rig.ask(read_request(old_address, CMD_READ_STATE)).isEmpty());
        const QByteArray st = rig.ask(read_request(9, CMD_READ_STATE));
        ASSERT_FALSE(st.isEmpty());
        EXPECT_EQ(at(st, 2), 9);
        EXPECT_TRUE(reply_crc_ok(st));
        EXPECT_EQ(rig.ask(kScan), version == 163 ? hex("01090C") : hex("010509"));
    }
}

TEST(SimLineFaults, SilentGarbageAndBadCrc) {
    Rig rig;
    const QByteArray req = read_request(12, CMD_READ_ID);
    const QByteArray good = rig.ask(req);
    ASSERT_EQ(good.size(), 10);

    rig.line().inject_fault(12, SimFault::Silent);
    EXPECT_TRUE(rig.ask(req).isEmpty());
    EXPECT_TRUE(rig.ask(req).isEmpty());
    EXPECT_EQ(rig.ask(read_request(5, CMD_READ_ID)).size(), 10); // the others are fine
    rig.line().clear_faults();
    EXPECT_EQ(rig.ask(req), good);

    rig.line().inject_fault(12, SimFault::Garbage, 2);
    const QByteArray g1 = rig.ask(req), g2 = rig.ask(req);
    for (const QByteArray& g : {g1, g2}) {
        EXPECT_GE(g.size(), 3);
        EXPECT_LE(g.size(), 12);
        EXPECT_NE(at(g, 1), kReplyStart);
    }
    EXPECT_NE(g1, g2);
    EXPECT_EQ(rig.ask(req), good);

    rig.line().inject_fault(12, SimFault::BadCrc, 1);
    const QByteArray bad = rig.ask(req);
    ASSERT_EQ(bad.size(), good.size());
    EXPECT_EQ(bad.chopped(1), good.chopped(1));
    EXPECT_FALSE(reply_crc_ok(bad));
}

TEST(SimLineFaults, SplitReplyComesInTwoReads) {
    for (bool wire : {false, true}) {
        Rig rig;
        rig.line().set_wire_timing(wire);
        rig.line().inject_fault(5, SimFault::Split, 1);
        const QByteArray req = read_request(5, CMD_READ_ID);
        const QByteArray first = rig.ask(req);
        EXPECT_EQ(first.size(), 5) << wire;
        // Even a read long after the pause stops at it.
        rig.time->advance_ms(1000);
        const QByteArray second = rig.port.ReadPort();
        EXPECT_EQ(second.size(), 5) << wire;
        const QByteArray whole = first + second;
        EXPECT_TRUE(reply_crc_ok(whole));
        EXPECT_EQ(whole.left(3), hex("3E05FC"));
        EXPECT_EQ(rig.ask(req), whole);
    }
}

TEST(SimLineFaults, LateReplyMissesTheReadWindow) {
    Rig rig;
    rig.line().inject_fault(1, SimFault::Late, 1);
    const QByteArray req = read_request(1, CMD_READ_ID);
    EXPECT_TRUE(rig.ask(req).isEmpty());
    rig.time->advance_ms(1000); // the configurator's next tick
    EXPECT_TRUE(rig.port.ReadPort().isEmpty());
    rig.time->advance_ms(1000);
    const QByteArray late = rig.port.ReadPort();
    EXPECT_EQ(late.left(3), hex("3E01FC"));

    // With wire timing a read waits its 256 ms and still gets nothing.
    rig.line().set_wire_timing(true);
    rig.line().inject_fault(1, SimFault::Late, 1);
    rig.port.WritePort(req);
    const int64_t t0 = rig.time->now_us();
    EXPECT_TRUE(rig.port.ReadPort().isEmpty());
    EXPECT_EQ(rig.time->now_us() - t0, 256'000);
    rig.time->advance_ms(1500);
    EXPECT_EQ(rig.port.ReadPort().left(3), hex("3E01FC"));
}

TEST(SimLineFaults, VanishingLine) {
    Rig rig;
    EXPECT_FALSE(rig.port.LinkLost());
    rig.port.vanish();
    EXPECT_TRUE(rig.port.LinkLost());
    EXPECT_EQ(rig.port.WritePort(read_request(1, CMD_READ_STATE)), 0);
    EXPECT_TRUE(rig.port.ReadPort().isEmpty());
    EXPECT_FALSE(rig.port.PortExists(kDemoPortName));
    rig.port.ClosePort();
    EXPECT_FALSE(rig.port.OpenPort(kDemoPortName, kSettings));
    EXPECT_EQ(rig.port.LastOpenFailure(), OpenFailure::NoSuchDevice);
    rig.port.reappear();
    EXPECT_TRUE(rig.port.OpenPort(kDemoPortName, kSettings));
    EXPECT_EQ(rig.ask(read_request(1, CMD_READ_STATE)).size(), 22);
}

TEST(SimLineTiming, WireTimingPacesBytesAndTurnaround) {
    Rig rig;
    rig.line().set_wire_timing(true);
    const int64_t t0 = rig.time->now_us();
    rig.port.WritePort(read_request(12, CMD_READ_STATE));
    EXPECT_EQ(rig.time->now_us() - t0, 4 * SimLine::kByteUs);
    const QByteArray st = rig.port.ReadPort();
    EXPECT_EQ(st.size(), 24);
    // Turnaround, 24 bytes at 19200 baud, then the 20 ms that end a read.
    EXPECT_EQ(rig.time->now_us() - t0,
              4 * SimLine::kByteUs + SimLine::kSensorTurnaroundUs + 24 * SimLine::kByteUs + 20'000);

    // A read that starts late gets the whole reply at once and returns 20 ms
    // after its last byte had arrived, i.e. at once.
    rig.port.WritePort(read_request(1, CMD_READ_STATE));
    rig.time->advance_ms(500);
    const int64_t t1 = rig.time->now_us();
    EXPECT_EQ(rig.port.ReadPort().size(), 22);
    EXPECT_EQ(rig.time->now_us(), t1);

    // Without wire timing nothing takes time.
    rig.line().set_wire_timing(false);
    const int64_t t2 = rig.time->now_us();
    EXPECT_EQ(rig.ask(read_request(5, CMD_READ_STATE)).size(), 22);
    EXPECT_EQ(rig.time->now_us(), t2);
}

// ---------------------------------------------------------------- bootloader

namespace {
// The host side of an upload, as the configurator's loader does it.
uint8_t wrstr(Rig& rig, const QByteArray& frame) {
    rig.port.WritePort(frame);
    for (int i = 0; i < 5; ++i) {
        const QByteArray r = rig.port.ReadPort();
        if (r.isEmpty()) continue;
        if (at(r, 1) == 0x79) return 0x79;
        if (at(r, 1) == 0x1F) return 0;
    }
    return 255;
}

QByteArray address_frame(uint32_t a) {
    QByteArray f =
        bytes({int(a >> 24), int((a >> 16) & 0xFF), int((a >> 8) & 0xFF), int(a & 0xFF)});
    f.append(static_cast<char>(f[0] ^ f[1] ^ f[2] ^ f[3]));
    return f;
}

QByteArray data_frame(const QByteArray& data) {
    QByteArray f(1, static_cast<char>(data.size() - 1));
    f.append(data);
    uint8_t x = 0;
    for (char c : f) x ^= static_cast<uint8_t>(c);
    f.append(static_cast<char>(x));
    return f;
}

// A small image: header, 8 data-memory blocks, the unused gap, 3 program blocks.
QByteArray small_image() {
    QByteArray image(64, '\0');
    for (int i = 19; i <= 22; ++i) image[i] = static_cast<char>(0xA0 + i);
    for (int k = 0; k < 163; ++k) {
        QByteArray block(128, '\0');
        for (int i = 0; i < 128; ++i) block[i] = static_cast<char>((k * 131 + i * 7 + 3) & 0xFF);
        if (k == 160) block[0] = 0x23;
        image.append(block);
    }
    return image;
}

bool upload(Rig& rig, const QByteArray& image, bool eeprom) {
    int syncs = 0;
    while (true) {
        rig.port.WritePort(hex("7F"));
        const QByteArray r = rig.port.ReadPort();
        if (!r.isEmpty() && at(r, 1) == 0x79) break;
        if (++syncs > 20) return false;
    }
    bool ok = wrstr(rig, hex("43BC")) == 0x79 && wrstr(rig, hex("FF00")) == 0x79;
    if (eeprom) ok = ok && wrstr(rig, hex("43BC")) == 0x79 && wrstr(rig, hex("EE11")) == 0x79;
    const uint32_t header_to[4] = {0x4803, 0x4805, 0x4807, 0x4809};
    for (int i = 0; i < 4; ++i) {
        ok = ok && wrstr(rig, hex("31CE")) == 0x79 &&
             wrstr(rig, address_frame(header_to[i])) == 0x79;
        ok = ok && wrstr(rig, data_frame(image.mid(19 + i, 1))) == 0x79;
    }
    uint32_t address = 0x4000;
    for (int k = 0; 64 + 128 * k < image.size(); ++k) {
        const QByteArray block = image.mid(64 + 128 * k, 128);
        if (k == 160) address = 0x9000;
        if (k >= 160 || (eeprom && k < 8)) {
            ok = ok && wrstr(rig, hex("31CE")) == 0x79;
            ok = ok && wrstr(rig, address_frame(address)) == 0x79;
            ok = ok && wrstr(rig, data_frame(block)) == 0x79;
            address += 128;
        }
    }
    return wrstr(rig, hex("21DE")) == 0x79 && ok;
}
} // namespace

TEST(SimBootloader, UploadKeepsTheImageByteForByteAndRunsAgain) {
    Rig rig;
    SimSensor& sensor = *rig.line().sensor(12);
    rig.ask(request(12, CMD_DIRECT_EMPTY, 176, Long_to_string(77777)));
    ASSERT_EQ(sensor.config().empty, 77777u);

    rig.line().enter_bootloader(12);
    EXPECT_TRUE(rig.line().in_bootloader(12));
    EXPECT_TRUE(rig.ask(read_request(12, CMD_READ_STATE)).isEmpty()); // no sensor while flashing

    const QByteArray image = small_image();
    ASSERT_TRUE(upload(rig, image, true));
    EXPECT_FALSE(rig.line().in_bootloader(12));

    const RomBootloader& rom = *rig.line().bootloader(12);
    EXPECT_EQ(rom.memory(0x9000, 3 * 128), image.mid(64 + 160 * 128, 3 * 128));
    EXPECT_EQ(rom.memory(0x4000, 8 * 128), image.mid(64, 8 * 128));
    EXPECT_EQ(rom.memory(0x4803, 7), hex("B3 00 B4 00 B5 00 B6"));
    EXPECT_EQ(rom.memory(0x8000, 0x1000), QByteArray(0x1000, '\0')); // erased, never written
    EXPECT_EQ(rom.memory(0x9180, 16), QByteArray(16, '\0'));
    EXPECT_EQ(rom.frames_written(), 4 + 8 + 3);

    // A sensor again, with its calibration memory wiped to the factory values.
    const QByteArray st = rig.ask(read_request(12, CMD_READ_STATE));
    ASSERT_EQ(st.size(), 24);
    EXPECT_EQ(le(st, 11, 4), sensor.config().empty_raw);

    // Without the calibration reset the calibration stays.
    rig.ask(request(12, CMD_DIRECT_EMPTY, 176, Long_to_string(77777)));
    rig.line().enter_bootloader(12);
    ASSERT_TRUE(upload(rig, image, false));
    EXPECT_EQ(le(rig.ask(read_request(12, CMD_READ_STATE)), 11, 4), 77777u);
}

TEST(SimBootloader, ChecksFramesAndAnswersNack) {
    RomBootloader rom;
    // Every row also asks first whether the part would answer (the line ends
    // a loader's frame by that, without waiting for a pause).
    auto say = [&](const char* h) {
        const bool will = rom.would_answer(hex(h));
        QByteArray out;
        for (const auto& a : rom.hear(hex(h))) out.append(a.bytes);
        EXPECT_EQ(will, !out.isEmpty()) << h;
        return out;
    };
    EXPECT_TRUE(say("3105F0FE").isEmpty()); // waits for the synchronisation byte only
    EXPECT_EQ(say("7F"), hex("79"));
    EXPECT_EQ(say("7F"), hex("79"));   // again: a host that missed the first one
    EXPECT_EQ(say("43BD"), hex("1F")); // complement wrong
    EXPECT_EQ(say("00FF"), hex("1F")); // a command this part does not serve here
    EXPECT_EQ(say("43BC"), hex("79"));
    EXPECT_EQ(say("FF01"), hex("1F")); // erase code with a wrong complement
    EXPECT_EQ(say("31CE"), hex("79"));
    EXPECT_EQ(say("00009000 91"), hex("1F"));         // address checksum wrong
    EXPECT_EQ(say("31CE 00002000 20"), hex("79 1F")); // no memory there
    EXPECT_EQ(say("31CE 0000A000 A0"), hex("79 79"));
    const QByteArray before = rom.memory(0xA000, 4);
    EXPECT_EQ(say("03 11223344 00"), hex("1F")); // data checksum wrong
    EXPECT_EQ(rom.memory(0xA000, 4), before);
    EXPECT_EQ(say("31CE 0000A000 A0"), hex("79 79"));
    EXPECT_EQ(say("80"), hex("1F")); // more than one block
    // A frame may come in any number of pieces.
    EXPECT_EQ(say("31"), QByteArray());
    EXPECT_EQ(say("CE0000"), hex("79"));
    EXPECT_EQ(say("A0"), QByteArray());
    EXPECT_EQ(say("00A0 0311"), hex("79"));
    EXPECT_EQ(say("223344"), QByteArray());
    EXPECT_EQ(say("47"), hex("79")); // 03 ^ 11 ^ 22 ^ 33 ^ 44
    EXPECT_EQ(rom.memory(0xA000, 4), hex("11223344"));
    // Read memory: the count minus one and its complement, then the bytes.
    EXPECT_EQ(say("11EE 0000A000A0 03FC"), hex("79 79 79 11223344"));
    EXPECT_EQ(say("11EE 0000A000A0 03FD"), hex("79 79 1F"));
    EXPECT_EQ(say("11EE 00020000 02"), hex("79 1F")); // past the flash
    // Faults: a worn block, then the supply failing after the next block.
    rom.refuse_write_at(0xA000);
    EXPECT_EQ(say("31CE 0000A000A0 0311223344 47"), hex("79 79 1F"));
    rom.refuse_write_at(std::nullopt);
    rom.go_silent_after(1);
    const QByteArray block = hex("31CE 0000A080 20 7F") + QByteArray(128, '\0') + hex("7F");
    EXPECT_EQ(say(block.toHex().constData()), hex("79 79 79"));
    EXPECT_EQ(say("7F 21DE"), QByteArray());
    rom.go_silent_after(-1);
    EXPECT_FALSE(rom.started());
    EXPECT_EQ(say("21DE"), hex("79"));
    EXPECT_TRUE(rom.started());
}

TEST(SimBootloader, ProgrammingTakesRealisticTimeOnTheWire) {
    Rig rig;
    rig.line().set_wire_timing(true);
    rig.line().enter_bootloader(1);
    EXPECT_EQ(wrstr(rig, hex("7F")), 0x79);
    EXPECT_EQ(wrstr(rig, hex("31CE")), 0x79);
    EXPECT_EQ(wrstr(rig, address_frame(0x9000)), 0x79);
    const int64_t t0 = rig.time->now_us();
    EXPECT_EQ(wrstr(rig, data_frame(QByteArray(128, '\x42'))), 0x79);
    // 130 bytes out, 8 ms to program the block, the acknowledge back, the 20 ms gap.
    EXPECT_EQ(rig.time->now_us() - t0, 130 * SimLine::kByteUs + SimLine::kBootTurnaroundUs +
                                           RomBootloader::kBlockWriteUs + SimLine::kByteUs +
                                           20'000);
    EXPECT_EQ(rig.line().bootloader(1)->memory(0x9000, 128), QByteArray(128, '\x42'));
}

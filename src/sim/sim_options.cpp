#include "sim/sim_options.h"

#include "protocol/firmware_image.h"
#include "sim/rom_bootloader.h"

#include <algorithm>
#include <climits>

namespace {
std::optional<uint64_t> whole(const QString& text, uint64_t max) {
    bool ok = false;
    const qulonglong v = text.toULongLong(&ok, 10);
    if (!ok || text.isEmpty() || !text.front().isDigit() || v > max) return std::nullopt;
    return v;
}

std::optional<SimSensorSpec> sensor_spec(const QString& text, QString& error) {
    const QStringList f = text.split(u':');
    if (f.size() < 2 || f.size() > 4) {
        error =
            QStringLiteral("--sensor wants ADDR:VERSION[:SERIAL[:PASSWORD]], not '%1'").arg(text);
        return std::nullopt;
    }
    SimSensorSpec s;
    const auto address = whole(f[0], 255);
    if (!address) {
        error = QStringLiteral("bad sensor address '%1' (0 to 255)").arg(f[0]);
        return std::nullopt;
    }
    const auto version = whole(f[1], 255);
    if (!version) {
        error = QStringLiteral("bad firmware version code '%1' (0 to 255, e.g. 176 for 1.7.6)")
                    .arg(f[1]);
        return std::nullopt;
    }
    s.address = static_cast<uint8_t>(*address);
    s.version = static_cast<uint8_t>(*version);
    // An empty serial field keeps the default, so a password needs no serial.
    if (f.size() >= 3 && !(f.size() == 4 && f[2].isEmpty())) {
        const auto serial = whole(f[2], 0xFFFFFFFFull);
        if (!serial) {
            error = QStringLiteral("bad serial number '%1' (0 to 4294967295)").arg(f[2]);
            return std::nullopt;
        }
        s.serial = static_cast<uint32_t>(*serial);
    }
    if (f.size() == 4) {
        // What the configurator can enter: 0 to 2 000 000 000.
        const auto password = whole(f[3], 2'000'000'000ull);
        if (!password) {
            error = QStringLiteral("bad password '%1' (0 to 2000000000)").arg(f[3]);
            return std::nullopt;
        }
        s.password = static_cast<uint32_t>(*password);
    }
    return s;
}
// ADDRESS:silent=P,badcrc=P,echo,delay=MS,twin
std::optional<SimFaultSpec> fault_spec(const QString& text, QString& error) {
    const qsizetype colon = text.indexOf(u':');
    const auto address = whole(text.left(colon), 255);
    if (colon < 0 || !address) {
        error = QStringLiteral("--faults wants ADDRESS:FAULT[,FAULT...], not '%1'").arg(text);
        return std::nullopt;
    }
    SimFaultSpec s;
    s.address = uint8_t(*address);
    for (const QString& f : text.mid(colon + 1).split(u',')) {
        const QString name = f.section(u'=', 0, 0);
        const QString value = f.section(u'=', 1);
        const bool has_value = f.contains(u'=');
        bool ok = false;
        if ((name == u"silent" || name == u"badcrc") && has_value) {
            const double pct = value.toDouble(&ok);
            if (!ok || pct < 0 || pct > 100) {
                error = QStringLiteral("%1 wants a percentage 0 to 100, not '%2'").arg(name, value);
                return std::nullopt;
            }
            (name == u"silent" ? s.plan.silent_pct : s.plan.badcrc_pct) = pct;
        } else if (name == u"delay" && has_value) {
            const auto ms = whole(value, 60'000);
            if (!ms) {
                error = QStringLiteral("delay wants 0 to 60000 ms, not '%1'").arg(value);
                return std::nullopt;
            }
            s.plan.delay_ms = int(*ms);
        } else if (name == u"echo" && !has_value) {
            s.plan.echo = true;
        } else if (name == u"twin" && !has_value) {
            s.plan.twin = true;
        } else {
            error = QStringLiteral("unknown fault '%1' (silent=P, badcrc=P, echo, delay=MS, twin)")
                        .arg(f);
            return std::nullopt;
        }
    }
    return s;
}
} // namespace

std::optional<SimOptions> parse_sim_options(const QStringList& args, QString& error) {
    SimOptions o;
    for (int i = 0; i < args.size(); ++i) {
        QString arg = args[i];
        QString value;
        bool has_value = false;
        const qsizetype eq = arg.indexOf(u'=');
        if (arg.startsWith(u"--") && eq > 0) {
            value = arg.mid(eq + 1);
            arg = arg.left(eq);
            has_value = true;
        }
        auto take_value = [&]() -> bool {
            if (has_value) return true;
            if (i + 1 >= args.size()) {
                error = QStringLiteral("%1 needs a value").arg(arg);
                return false;
            }
            value = args[++i];
            return true;
        };
        auto no_value = [&]() -> bool {
            if (has_value) error = QStringLiteral("%1 takes no value").arg(arg);
            return !has_value;
        };
        if (arg == u"--help" || arg == u"-h") {
            if (!no_value()) return std::nullopt;
            o.help = true;
        } else if (arg == u"--version") {
            if (!no_value()) return std::nullopt;
            o.version = true;
        } else if (arg == u"--link") {
            if (!take_value()) return std::nullopt;
            if (value.isEmpty()) {
                error = QStringLiteral("--link needs a path");
                return std::nullopt;
            }
            o.link = value;
        } else if (arg == u"--sensor") {
            if (!take_value()) return std::nullopt;
            const auto s = sensor_spec(value, error);
            if (!s) return std::nullopt;
            // Two sensors answering one address would talk over each other.
            for (const SimSensorSpec& other : o.sensors)
                if (other.address == s->address) {
                    error = QStringLiteral("two sensors at address %1").arg(s->address);
                    return std::nullopt;
                }
            o.sensors.push_back(*s);
        } else if (arg == u"--tcp" || arg == u"--rfc2217") {
            if (!take_value()) return std::nullopt;
            const auto port = whole(value, 65535);
            if (!port) {
                error = QStringLiteral("%1 wants a TCP port 0 to 65535, not '%2'").arg(arg, value);
                return std::nullopt;
            }
            (arg == u"--tcp" ? o.tcp_port : o.rfc2217_port) = uint16_t(*port);
        } else if (arg == u"--faults") {
            if (!take_value()) return std::nullopt;
            const auto f = fault_spec(value, error);
            if (!f) return std::nullopt;
            o.faults.push_back(*f);
        } else if (arg == u"--seed") {
            if (!take_value()) return std::nullopt;
            const auto seed = whole(value, UINT64_MAX);
            if (!seed) {
                error = QStringLiteral("--seed wants a whole number, not '%1'").arg(value);
                return std::nullopt;
            }
            o.seed = *seed;
        } else if (arg == u"--terminal") {
            if (!take_value()) return std::nullopt;
            const auto ms = whole(value, 60'000);
            if (!ms) {
                error = QStringLiteral("--terminal wants 0 to 60000 ms, not '%1'").arg(value);
                return std::nullopt;
            }
            o.terminal_ms = int(*ms);
        } else if (arg == u"--wire-timing") {
            if (!no_value()) return std::nullopt;
            o.wire_timing = true;
        } else if (arg == u"--bootloader") {
            if (!no_value()) return std::nullopt;
            o.bootloader = true;
        } else if (arg == u"--read-protected") {
            if (!no_value()) return std::nullopt;
            o.read_protected = true;
        } else if (arg == u"--make-image") {
            if (!take_value()) return std::nullopt;
            if (value.isEmpty()) {
                error = QStringLiteral("--make-image needs a file name");
                return std::nullopt;
            }
            o.make_image = value;
        } else if (arg == u"--worn-block") {
            if (!take_value()) return std::nullopt;
            bool ok = false;
            const uint32_t at = value.toUInt(&ok, 0);
            if (!ok || at < RomBootloader::kFlashStart || at >= RomBootloader::kFlashEnd ||
                at % kImageBlockSize != 0) {
                error = QStringLiteral("--worn-block wants the address of a flash block, "
                                       "0x8000 to 0x17F80 in steps of 0x80, not '%1'")
                            .arg(value);
                return std::nullopt;
            }
            o.worn_block = at;
        } else {
            error = QStringLiteral("unknown option '%1'").arg(args[i]);
            return std::nullopt;
        }
    }
    const bool demo = o.sensors.empty();
    for (const SimFaultSpec& f : o.faults) {
        const bool there =
            demo ? (f.address == 1 || f.address == 5 || f.address == 12)
                 : std::any_of(o.sensors.begin(), o.sensors.end(),
                               [&](const SimSensorSpec& s) { return s.address == f.address; });
        if (!there) {
            error = QStringLiteral("--faults: no sensor at address %1").arg(f.address);
            return std::nullopt;
        }
    }
    if (!o.help && !o.version && o.make_image.isEmpty() && o.link.isEmpty() && !o.tcp_port && !o.rfc2217_port) {
        error = QStringLiteral("--link PATH, --tcp PORT or --rfc2217 PORT is required");
        return std::nullopt;
    }
    return o;
}

QString sim_usage() {
    return QStringLiteral(
        "Usage: zorvik-sim [--link PATH] [--tcp PORT] [--rfc2217 PORT]\n"
        "                  [--sensor ADDR:VERSION[:SERIAL[:PASSWORD]]]...\n"
        "                  [--wire-timing] [--bootloader] [--worn-block ADDR]\n"
        "                  [--read-protected]\n"
        "                  [--faults ADDR:FAULT[,FAULT...]]... [--seed N] [--terminal MS]\n"
        "       zorvik-sim --make-image FILE\n"
        "\n"
        "Puts a simulated RS-485 line of Zorvik fuel-level sensors on a pseudo-terminal.\n"
        "Prints where to reach it (PATH, tcp://127.0.0.1:PORT, rfc2217://127.0.0.1:PORT),\n"
        "one a line, once the line is up and serves until SIGINT, SIGTERM or SIGHUP;\n"
        "then the link is removed.  At least one of --link, --tcp and --rfc2217 is\n"
        "required.\n"
        "\n"
        "  --link PATH        make PATH a symbolic link to the pseudo-terminal's device;\n"
        "                     open it as a serial port at 19200 8N1\n"
        "  --tcp PORT         serve the line on 127.0.0.1:PORT as a serial device server\n"
        "                     in raw TCP mode does (one client at a time; 0: any free\n"
        "                     port)\n"
        "  --rfc2217 PORT     the same as telnet with RFC 2217 port control\n"
        "  --sensor ADDR:VERSION[:SERIAL[:PASSWORD]]\n"
        "                     put a sensor on the line: network address 0-255, firmware\n"
        "                     version code 0-255 (176 for 1.7.6), serial number (default\n"
        "                     24050000 + address; leave it empty, as in 5:176::1234, to\n"
        "                     keep it), access password 0-2000000000 (default 0: none;\n"
        "                     otherwise every change is refused until it is presented);\n"
        "                     repeat for more sensors, each at its own address.\n"
        "                     Without it the line holds 1:130, 5:163 and 12:176\n"
        "  --wire-timing      pace the bytes as a real 19200-baud line does (about 0.52 ms\n"
        "                     a byte, replies a few ms after the request, 8 ms to program\n"
        "                     a flash block); without it the sensors answer at once\n"
        "  --bootloader       the first sensor starts in its ROM bootloader, ready for a\n"
        "                     firmware upload; after the go command it runs as a sensor.\n"
        "                     Without it the first sensor is switched on into its\n"
        "                     bootloader when an upload starts synchronising\n"
        "  --worn-block ADDR  the first sensor's flash refuses to be written in the\n"
        "                     block at ADDR (0x9000: the first program block), so that\n"
        "                     a firmware upload fails there\n"
        "  --read-protected   the first sensor's bootloader refuses to let its memory\n"
        "                     be read, so an upload cannot check what it wrote\n"
        "  --faults ADDR:FAULT[,FAULT...]\n"
        "                     faults of the sensor at ADDR, for trying line diagnostics:\n"
        "                     silent=P   P percent of its answers never come\n"
        "                     badcrc=P   P percent come with a wrong CRC byte\n"
        "                     echo       the request's own bytes come back before the\n"
        "                                answer, as from an adapter that echoes\n"
        "                     delay=MS   answers come MS ms later than usual\n"
        "                     twin       a second sensor answers at the same address\n"
        "  --seed N           the chances of --faults are drawn from N (default 1): the\n"
        "                     same N gives the same faults on every run\n"
        "  --terminal MS      another master (a telematics terminal) polls each sensor in\n"
        "                     turn every MS ms, 0 for as fast as the line carries it,\n"
        "                     from when a client opens the line; for zorvik-cli listen\n"
        "  --make-image FILE  write a firmware image (.cri) that the simulated sensors'\n"
        "                     bootloader takes, to try an upload with, and exit\n"
        "  --lang ru|en       taken and ignored: the simulator speaks English only\n"
        "  -h, --help         show this text\n"
        "      --version      show the program's name and version\n");
}

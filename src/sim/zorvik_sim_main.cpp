// zorvik-sim: the simulated sensor line on a pseudo-terminal, and on TCP.
// ZORVIK_VERSION comes from cmake/ZorvikInstall.cmake.
#include "i18n/language.h"
#include "sim/pty_server.h"
#include "sim/sim_firmware_image.h"
#include "sim/sim_options.h"
#include "sim/tcp_line_server.h"

#include <QStringList>

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <pthread.h>

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args.append(QString::fromLocal8Bit(argv[i]));

    // Its own messages are English; --lang is taken for a script that gives
    // all three programs the same options.
    const LanguageOption lang = take_language_option(args);
    if (!lang.error.isEmpty()) {
        std::fprintf(stderr, "zorvik-sim: %s\nTry 'zorvik-sim --help'.\n", qPrintable(lang.error));
        return 2;
    }
    QString error;
    const std::optional<SimOptions> options = parse_sim_options(lang.rest, error);
    if (!options) {
        std::fprintf(stderr, "zorvik-sim: %s\nTry 'zorvik-sim --help'.\n", qPrintable(error));
        return 2;
    }
    if (options->help) {
        std::fputs(qPrintable(sim_usage()), stdout);
        return 0;
    }
    if (options->version) {
        std::puts("zorvik-sim " ZORVIK_VERSION);
        return 0;
    }

    if (!options->make_image.isEmpty()) {
        if (!write_sim_firmware_image(options->make_image, error)) {
            std::fprintf(stderr, "zorvik-sim: %s\n", qPrintable(error));
            return 1;
        }
        std::printf("%s\n", qPrintable(options->make_image));
        return 0;
    }

    SimLine line(options->seed);
    if (options->sensors.empty()) line = SimLine::demo(options->seed);
    for (const SimSensorSpec& s : options->sensors)
        line.add_sensor(s.address, s.version, s.serial).config().password = s.password;
    for (const SimFaultSpec& f : options->faults) {
        if (f.plan.twin) {
            const SimSensor& first = *line.sensor(f.address);
            line.add_sensor(f.address, first.version(), first.config().serial + 1'000'000);
        }
        line.set_fault_plan(f.address, f.plan);
    }
    line.set_wire_timing(options->wire_timing);
    // The first sensor is the one an upload finds switched on.
    line.power_on_at_sync(line.sensor_at(0).address());
    if (options->bootloader) line.enter_bootloader(line.sensor_at(0).address());
    if (options->worn_block)
        line.bootloader(line.sensor_at(0).address())->refuse_write_at(*options->worn_block);
    if (options->read_protected) line.bootloader(line.sensor_at(0).address())->protect_read(true);

    // The signals are taken by sigwait below, not by handlers; block them
    // before the server thread starts so that it inherits the mask.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    sigaddset(&stop_signals, SIGHUP); // the terminal it was started from went away
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    PtyServer server(std::move(line));
    server.set_terminal(options->terminal_ms);
    if (!server.start(options->link, &error)) {
        std::fprintf(stderr, "zorvik-sim: %s\n", qPrintable(error));
        return 1;
    }
    if (!options->link.isEmpty()) std::printf("%s\n", qPrintable(server.link_path()));
    // One server for both ports, on a pseudo-terminal of its own: a reader
    // on the link's would take bytes meant for the link's client.
    std::unique_ptr<PtyServer> network_line;
    std::unique_ptr<TcpLineServer> network;
    if (options->tcp_port || options->rfc2217_port) {
        network_line = std::make_unique<PtyServer>(server);
        network_line->set_terminal(options->terminal_ms);
        if (!network_line->start({}, &error)) {
            std::fprintf(stderr, "zorvik-sim: %s\n", qPrintable(error));
            return 1;
        }
        network = std::make_unique<TcpLineServer>(network_line->slave_path());
        const struct {
            std::optional<uint16_t> port;
            TcpLineServer::Mode mode;
            const char* scheme;
        } listeners[] = {{options->tcp_port, TcpLineServer::Mode::Raw, "tcp"},
                         {options->rfc2217_port, TcpLineServer::Mode::Rfc2217, "rfc2217"}};
        for (const auto& l : listeners) {
            if (!l.port) continue;
            if (!network->listen(l.mode, *l.port, &error)) {
                std::fprintf(stderr, "zorvik-sim: %s://127.0.0.1:%d: %s\n", l.scheme, int(*l.port),
                             qPrintable(error));
                return 1;
            }
            std::printf("%s://127.0.0.1:%d\n", l.scheme, int(network->port(l.mode)));
        }
        if (!network->start(&error)) {
            std::fprintf(stderr, "zorvik-sim: %s\n", qPrintable(error));
            return 1;
        }
    }
    std::fflush(stdout);

    int signal_number = 0;
    sigwait(&stop_signals, &signal_number);
    network.reset();
    if (network_line) network_line->stop();
    server.stop();
    return 0;
}

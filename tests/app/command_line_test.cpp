#include "app/command_line.h"

#include "../support/qt_printers.h"

#include <gtest/gtest.h>

TEST(CommandLine, OptionsInAnyOrder) {
    const CommandLine none = parse_command_line({});
    EXPECT_FALSE(none.demo || none.connect || none.help);
    EXPECT_TRUE(none.ports.isEmpty());
    EXPECT_TRUE(none.error.isEmpty());

    const CommandLine cl = parse_command_line(
        {"--connect", "--port", "/tmp/zorvik-sim", "--demo", "--port=/dev/ttyUSB0"});
    EXPECT_TRUE(cl.error.isEmpty());
    EXPECT_TRUE(cl.demo);
    EXPECT_TRUE(cl.connect);
    EXPECT_FALSE(cl.help);
    EXPECT_EQ(cl.ports, (QStringList{"/tmp/zorvik-sim", "/dev/ttyUSB0"}));

    EXPECT_TRUE(parse_command_line({"--help"}).help);
    EXPECT_EQ(parse_command_line({"--demo", "--record", "out.csv", "--connect"}).record, "out.csv");
    EXPECT_EQ(parse_command_line({"--record=/tmp/a b.csv"}).record, "/tmp/a b.csv");
    // A port name that looks like an option is still a port name.
    EXPECT_EQ(parse_command_line({"--port", "--demo"}).ports, QStringList{"--demo"});
}

TEST(CommandLine, ErrorsNameTheOffendingArgument) {
    EXPECT_EQ(parse_command_line({"--demo", "--fast"}).error, "unknown option '--fast'");
    EXPECT_EQ(parse_command_line({"-x"}).error, "unknown option '-x'");
    EXPECT_EQ(parse_command_line({"COM3"}).error, "unexpected argument 'COM3'");
    EXPECT_EQ(parse_command_line({"--port"}).error, "option --port needs a port name");
    EXPECT_EQ(parse_command_line({"--port="}).error, "option --port needs a port name");
    EXPECT_EQ(parse_command_line({"--port", ""}).error, "option --port needs a port name");
    // A serial device server's address is checked before anything starts.
    EXPECT_TRUE(parse_command_line({"--port", "tcp://gw:4001"}).error.isEmpty());
    EXPECT_TRUE(parse_command_line({"--port=rfc2217://gw:2217"}).error.isEmpty());
    EXPECT_TRUE(parse_command_line({"--port", "tcp://gw:4001", "--port", "tcp://gw"})
                    .error.startsWith(QStringLiteral("Неверный адрес порта tcp://gw: ")));
    for (const QStringList& args :
         {QStringList{"--record"}, QStringList{"--record="}, QStringList{"--record", ""}})
        EXPECT_EQ(parse_command_line(args).error, "option --record needs a file name")
            << args.join(u' ').toStdString();
}

TEST(CommandLine, ToolkitOptionsAreLeftToTheToolkit) {
    EXPECT_EQ(without_toolkit_options({"-platform", "offscreen", "--demo", "-reverse", "-style",
                                       "Fusion", "--port", "/tmp/a", "-style=Windows"}),
              (QStringList{"--demo", "--port", "/tmp/a"}));
    // Only the toolkit's own names: anything else still reaches the parser.
    EXPECT_EQ(without_toolkit_options({"-platformx", "--platform"}),
              (QStringList{"-platformx", "--platform"}));
}

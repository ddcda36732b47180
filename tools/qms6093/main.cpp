// qms6093: the everyday command-line front end of the USB-6093 stack. This file holds the
// command-line grammar (CLI11 is slow to compile, so it stays in this one file); the
// commands live in cmd_*.cpp.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cmd_setup.h"
#include "commands.h"
#include "installed_devices.h"
#include "platform_session.h"
#include "tool_error.h"

namespace {

using namespace qms::cli;

const char *const kDescription =
    "qms6093 - read, log and set USB-6093 thermocouple/voltage/current modules.\n"
    "Without hardware it runs on a simulated module (QMS_SIM, --sim).";

const char *const kFooter = R"(Examples:
  qms6093 list                                   installed devices and their modules
  qms6093 temp -d 0                              every thermocouple channel, its stored type
  qms6093 temp -d 0 -c 0,3 -t K --scale F        channels 0 and 3 as type K, in Fahrenheit
  qms6093 read -d 0 -c 4-5                       volts or milliamperes in the stored ranges
  qms6093 read -d SIM6093-DEMO -c 4              a module by its serial
  qms6093 watch -d 0 -c 0-7 -t K --duration 1h --csv log.csv
  qms6093 dio -d 0 set 3                         switch digital output 3 on
  qms6093 --json info -d 0                       everything about device 0 as JSON
  qms6093 watch -c 0-7 -i 0.1 --json             JSON Lines, one object per sample

Readings that are no measurement (an open thermocouple, an input at the end of its range, a
temperature beyond its type's span) are flagged, in JSON as a null value with a status.
Exit status: 0 success; 1 the module or the library refused (the code is shown);
2 a bad argument, an unknown device number or a device without its module.
Environment: QMS_REGISTRY (registry store, :memory: for none), QMS_SIM (simulated modules:
JSON text, @file or none; unset: one demo module, which keeps its memory in
$XDG_STATE_HOME/qms6093/demo-module.json, or ~/.local/state/qms6093/).)";

// -d takes a device number or a module's serial, which only the platform can tell: the text
// is kept and turned into a number once the platform is up.
struct DeviceChoice {
    CLI::App *command;
    std::string text = "0";
    uint32_t *number;
};

void AddDevice(std::vector<std::unique_ptr<DeviceChoice>> &choices, CLI::App *command, uint32_t &device)
{
    auto choice = std::make_unique<DeviceChoice>(DeviceChoice{.command = command, .number = &device});
    command->add_option("-d,--device", choice->text, "device number or module serial (from `qms6093 list`)")
        ->default_val("0");
    choices.push_back(std::move(choice));
}

// The commands, for the help text and for what a mistyped one most likely meant.
const std::vector<std::string> &CommandNames()
{
    static const std::vector<std::string> names = {"list", "info", "read", "temp", "dio", "watch",
                                                   "cjc",  "config", "setup", "forget", "version"};
    return names;
}

size_t EditDistance(const std::string &a, const std::string &b)
{
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The first word that is no option nor an option's value, when it names no command: one line
// saying so, with the nearest command when one is near.
std::optional<std::string> UnknownCommand(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--")
            return std::nullopt;
        if (word == "--sim" || word == "--registry") {
            ++i; // its value
            continue;
        }
        if (word.rfind('-', 0) == 0)
            continue;
        if (std::find(CommandNames().begin(), CommandNames().end(), word) != CommandNames().end())
            return std::nullopt;
        std::string message = "unknown command '" + word + "'";
        const std::string *nearest = nullptr;
        size_t best = 3;
        for (const std::string &name : CommandNames())
            if (const size_t distance = EditDistance(word, name); distance < best) {
                best = distance;
                nearest = &name;
            }
        if (nearest)
            message += "; did you mean '" + *nearest + "'?";
        return message;
    }
    return std::nullopt;
}

int ReportError(const ToolError &error, bool json)
{
    std::string line = "qms6093: error: ";
    if (!error.subject().empty())
        line += error.subject() + ": ";
    line += error.what();
    std::fprintf(stderr, "%s\n", line.c_str());
    if (json) {
        nlohmann::json doc = {{"error",
                               {{"subject", error.subject()},
                                {"message", error.what()},
                                {"exit_status", error.exitStatus()}}}};
        if (error.code())
            doc["error"]["code"] = *error.code();
        std::printf("%s\n", doc.dump(2).c_str());
    }
    return error.exitStatus();
}

} // namespace

int main(int argc, char **argv)
{
    if (const auto unknown = UnknownCommand(argc, argv)) {
        std::fprintf(stderr, "qms6093: error: %s (see qms6093 --help)\n", unknown->c_str());
        return ExitBadArgument;
    }
    CLI::App app(kDescription, "qms6093");
    app.footer(kFooter);
    app.require_subcommand(0, 1);
    app.fallthrough();
    std::vector<std::unique_ptr<DeviceChoice>> devices;

    Output out;
    std::optional<std::string> sim, registry;
    app.add_flag("--json", out.json, "print one JSON document instead of text (watch: one JSON object per line)");
    app.add_option("--sim", sim, "simulated modules: JSON scenario text, @file or none (as QMS_SIM)");
    app.add_option("--registry", registry, "registry store path, :memory: for none (as QMS_REGISTRY)");
    bool showVersion = false;
    app.add_flag("-V,--version", showVersion, "the versions of the tool, the library and the modules' firmware");


    CLI::App *list = app.add_subcommand("list", "installed device numbers with board ID, serial, firmware and module state");

    uint32_t infoDevice = 0;
    CLI::App *info = app.add_subcommand("info", "features, ranges, properties, channel settings and CJC of a device");
    AddDevice(devices, info, infoDevice);
    bool infoVerbose = false;
    info->add_flag("-v,--verbose", infoVerbose, "also the stream device and the library's file name and version");

    ReadOptions read;
    CLI::App *readCmd = app.add_subcommand("read", "volts or milliamperes of channels");
    AddDevice(devices, readCmd, read.device);
    readCmd->add_option("-c,--channel", read.channels, "channels: 0-7, 0,3 or all")->default_val("all");
    readCmd->add_option("-r,--range", read.range,
                        "set the channels to this range, which they keep: 0-0.015V 0-0.050V 0-0.100V "
                        "0-0.500V 0-1.0V 0-2.5V 0-20mA 4-20mA (default: each channel's stored range)");
    readCmd->footer("Examples:\n  qms6093 read -d 0 -c 4\n  qms6093 read -d 0 -c 5 --range 4-20mA");

    TempOptions temp;
    CLI::App *tempCmd = app.add_subcommand("temp", "thermocouple temperatures, burn-out shown plainly");
    AddDevice(devices, tempCmd, temp.device);
    tempCmd->add_option("-c,--channel", temp.channels, "channels (default: those stored as thermocouples)");
    tempCmd->add_option("-t,--type", temp.type,
                        "thermocouple type J K S T B R E, which the channels keep (default: each channel's stored type)");
    tempCmd->add_option("-s,--scale", temp.scale, "C, F, R or K")->default_val("C");
    tempCmd->footer("Examples:\n  qms6093 temp -d 0\n  qms6093 temp -d 0 -c 0,3 -t K --scale K");

    DioOptions dio;
    CLI::App *dioCmd = app.add_subcommand("dio", "digital lines: in | out | set BIT | clear BIT | write MASK STATE");
    AddDevice(devices, dioCmd, dio.device);
    dioCmd->add_option("action", dio.action, "in, out, set, clear or write")->required();
    dioCmd->add_option("values", dio.values, "BIT (0-7), or MASK and STATE (0-255, 0x.. or 0b..)");
    dioCmd->footer("Examples:\n  qms6093 dio -d 0 in\n  qms6093 dio -d 0 set 3\n  qms6093 dio -d 0 write 0x0F 0x05");

    WatchOptions watch;
    CLI::App *watchCmd = app.add_subcommand("watch", "repeated readings: live table, timestamps, CSV; Ctrl-C stops cleanly");
    AddDevice(devices, watchCmd, watch.device);
    watchCmd->add_option("-c,--channel", watch.channels, "channels (default: all)");
    CLI::Option *watchType = watchCmd->add_option("-t,--type", watch.type, "read every channel as this thermocouple type");
    CLI::Option *watchRange = watchCmd->add_option("-r,--range", watch.range, "read every channel in this range");
    watchType->excludes(watchRange);
    watchCmd->add_option("-s,--scale", watch.scale, "temperature scale C, F, R or K")->default_val("C");
    watchCmd->add_option("-i,--interval", watch.interval,
                         "seconds between samples, down to 0.001; when a sample takes longer, the module sets the pace")
        ->default_val(1.0);
    CLI::Option *count = watchCmd->add_option("-n,--count", watch.count, "stop after this many samples");
    CLI::Option *duration = watchCmd->add_option("--duration", watch.duration, "stop after this time: 90s, 15m, 1h");
    count->excludes(duration);
    watchCmd->add_option("--csv", watch.csv, "also write every reading to this CSV file; - writes the CSV alone to standard output");
    watchCmd->footer("Without --type or --range each channel is read as stored: thermocouples as temperatures,\n"
                     "the others in volts or milliamperes.\n"
                     "Examples:\n  qms6093 watch -d 0 -c 0-7 -t K --interval 1 --duration 1h --csv run.csv\n"
                     "  qms6093 watch -d 0 -c 4 --count 10");

    CjcOptions cjc;
    CLI::App *cjcCmd = app.add_subcommand("cjc", "cold-junction offset: measure | offset [--set C] | reset");
    AddDevice(devices, cjcCmd, cjc.device);
    cjcCmd->add_option("action", cjc.action, "measure, offset or reset")->required();
    cjcCmd->add_option("-t,--type", cjc.type, "measure: type of the calibrator on the channel (required)");
    cjcCmd->add_option("-c,--channel", cjc.channel, "measure: channel fed by the calibrator (required)");
    cjcCmd->add_option("--set", cjc.set, "offset: store this offset in degrees C (-10 to 10)");
    cjcCmd->footer("measure needs a compensated thermocouple calibrator at the type's reference temperature\n"
                   "(J 380, K 685, S 1125, T 150, B 1150, R 1125, E 500 °C) on the channel.\n"
                   "The error measured is stored as the module's offset only when it lies within -10 to +10 °C.\n"
                   "Examples:\n  qms6093 cjc offset -d 0\n  qms6093 cjc measure -d 0 -c 7 -t K\n  qms6093 cjc reset -d 0");

    ConfigOptions config;
    CLI::App *configCmd = app.add_subcommand("config", "show or change the stored settings of a module");
    AddDevice(devices, configCmd, config.device);
    configCmd->add_option("--board-id", config.boardId, "board ID 0-15 (must not clash with another device)");
    configCmd->add_option("--range", config.ranges, "CHANNELS=RANGE, a range or thermocouple type (repeatable)");
    configCmd->add_option("--burnout", config.burnouts,
                          "CHANNELS=SETTING: disable, 888888, -888888, max or min (repeatable)");
    configCmd->add_option("--exception", config.exceptions,
                          "CHANNELS=SETTING for 4-20 mA below 3 mA: upper, lower or last (repeatable)");
    configCmd->add_option("--label", config.label, "label kept in the module, at most 31 characters");
    configCmd->footer("Examples:\n  qms6093 config -d 0\n  qms6093 config -d 0 --range 0-3=K --burnout 0-3=888888\n"
                      "  qms6093 config -d 0 --range 5=4-20mA --exception 5=lower --label \"Oven 2\"");

    const auto runSetup = AddSetupCommand(app);

    std::string forgetDevice;
    CLI::App *forgetCmd = app.add_subcommand("forget", "remove the registry settings of a device whose module is absent");
    forgetCmd->add_option("-d,--device", forgetDevice, "device number (from `qms6093 list`)")->required();
    forgetCmd->footer("Refused while the module is attached.\nExample:\n  qms6093 forget -d 1");

    CLI::App *version = app.add_subcommand("version", "the versions of the tool, the library and the modules' firmware");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp &e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp &e) {
        return app.exit(e);
    } catch (const CLI::ParseError &e) {
        std::fprintf(stderr, "qms6093: error: %s (see qms6093 --help)\n", e.what());
        return ExitBadArgument;
    }

    if (!showVersion && app.get_subcommands().empty()) {
        std::fprintf(stderr, "qms6093: error: a command is required: %s (see qms6093 --help)\n", [] {
            std::string names;
            for (const std::string &name : CommandNames())
                names += (names.empty() ? "" : ", ") + name;
            return names;
        }().c_str());
        return ExitBadArgument;
    }

    try {
        PlatformSession platform(sim, registry);
        if (showVersion || *version)
            return RunVersion(out);
        for (const auto &choice : devices)
            if (*choice->command)
                *choice->number = ResolveDevice(choice->text, "--device");
        if (const std::optional<int> status = runSetup(out))
            return *status;
        if (*list)
            return RunList(out);
        if (*forgetCmd)
            return RunForget(out, ResolveDevice(forgetDevice, "--device"));
        if (*info)
            return RunInfo(out, infoDevice, infoVerbose);
        if (*readCmd)
            return RunRead(out, read);
        if (*tempCmd)
            return RunTemp(out, temp);
        if (*dioCmd)
            return RunDio(out, dio);
        if (*watchCmd)
            return RunWatch(out, watch);
        if (*cjcCmd)
            return RunCjc(out, cjc);
        return RunConfig(out, config);
    } catch (const ToolError &error) {
        return ReportError(error, out.json);
    } catch (const std::exception &error) {
        return ReportError(ToolError(ExitDeviceError, "", error.what()), out.json);
    }
}

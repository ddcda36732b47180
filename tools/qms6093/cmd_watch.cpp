// qms6093 watch: repeated readings with a live table, timestamps, a CSV log and JSON Lines,
// until a count, a duration or Ctrl-C.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>

#include <unistd.h>

#include "channel_list.h"
#include "channel_reader.h"
#include "commands.h"
#include "csv_log.h"
#include "device_session.h"
#include "stop_signal.h"
#include "text_table.h"
#include "tool_error.h"

namespace qms::cli {

namespace {

using Clock = std::chrono::steady_clock;

// The timestamps count milliseconds: two samples closer than that could not be told apart.
// Above it the module sets the pace: a sample takes what its transfers take.
constexpr double kShortestInterval = 0.001;

// "90", "90s", "500ms", "15m", "1h", "1.5h" in seconds.
double ParseDuration(const std::string &text)
{
    size_t used = 0;
    double value = -1;
    try {
        value = std::stod(text, &used);
    } catch (const std::exception &) {
        used = 0;
    }
    const std::string unit = text.substr(used);
    const double scale = unit.empty() || unit == "s" ? 1 : unit == "ms" ? 0.001 : unit == "m" ? 60
                         : unit == "h"                ? 3600
                                                      : -1;
    if (used == 0 || scale < 0 || !(value > 0) || !std::isfinite(value))
        throw BadArgument("--duration", "\"" + text + "\" is not a duration; write e.g. 90s, 15m or 1h");
    return value * scale;
}

std::string UtcTimestamp()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[40];
    const size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    std::snprintf(text + length, sizeof text - length, ".%03dZ", static_cast<int>(millis));
    return text;
}

// What the user sees while samples come in: a table redrawn in place on a terminal, or
// one line per reading when the output goes to a file or a pipe.
class LiveView {
public:
    explicit LiveView(bool terminal) : terminal_(terminal) {}

    void show(uint64_t sample, const std::string &time, const std::vector<Reading> &readings)
    {
        std::string text;
        if (terminal_) {
            if (lines_)
                text += "\x1b[" + std::to_string(lines_) + "A\x1b[J";
            TextTable table({">channel", "range", ">value", "unit", "note"});
            for (const Reading &reading : readings)
                table.add({std::to_string(reading.channel), reading.label, reading.valueText(),
                           reading.measured() ? reading.unit : "", reading.note()});
            text += "sample " + std::to_string(sample) + " at " + time + "   (Ctrl-C stops)\n" + table.render();
            lines_ = 1 + static_cast<int>(readings.size()) + 1;
        } else {
            TextTable table({"time", ">channel", "range", ">value", "unit"});
            for (const Reading &reading : readings)
                table.add({time, std::to_string(reading.channel), reading.label, reading.valueText(),
                           reading.measured() ? reading.unit : ""});
            text = table.render();
            if (sample > 1)
                text.erase(0, text.find('\n') + 1); // the heading once
        }
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
    }

private:
    bool terminal_;
    int lines_ = 0;
};

} // namespace

namespace {

// --json: one JSON object per line as the samples come, then one that says how the run ended.
void EmitLine(const nlohmann::json &object)
{
    const std::string line = object.dump() + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

// Said once, the first time a steady sample takes longer than the interval asked for.
void TellThePace(double took, double interval, size_t channels)
{
    std::fprintf(stderr,
                 "qms6093: a sample of %zu channel%s takes %.1f ms on this module, longer than --interval %g s; "
                 "samples follow one another as fast as the module delivers them\n",
                 channels, channels == 1 ? "" : "s", took * 1000.0, interval);
}

} // namespace

int RunWatch(const Output &out, const WatchOptions &options)
{
    const auto channels = ParseChannelList(options.channels.empty() ? "all" : options.channels, "--channel");
    const Scale scale = ParseScale(options.scale, "--scale");
    const InputRange *type = options.type.empty() ? nullptr : &ParseThermocouple(options.type, "--type");
    const InputRange *range = options.range.empty() ? nullptr : &ParseRange(options.range, "--range", false);
    if (!(options.interval >= kShortestInterval) || !std::isfinite(options.interval))
        throw BadArgument("--interval", "the interval must be at least 0.001 seconds (the timestamps count "
                                        "milliseconds); below what the module delivers, it sets the pace");
    if (options.count && *options.count == 0)
        throw BadArgument("--count", "the count must be at least 1");
    const double duration = options.duration.empty() ? 0 : ParseDuration(options.duration);
    // The CSV on standard output is all that goes there.
    const bool csvOut = options.csv == "-";
    if (csvOut && out.json)
        throw BadArgument("--csv", "--csv - writes the CSV to standard output, where --json would write too; "
                                   "give --csv a file name");
    std::unique_ptr<CsvLog> csv;
    if (!options.csv.empty())
        csv = std::make_unique<CsvLog>(options.csv);

    DeviceSession session(options.device);
    const auto plans = type    ? TemperaturePlans(session, channels, type)
                       : range ? ElectricalPlans(session, channels, range)
                               : StoredPlans(session, channels);
    ChannelReader reader(session, scale);
    const StopSignal stop;
    LiveView view(!out.json && isatty(STDOUT_FILENO));
    const auto interval = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options.interval));
    // The run's clock starts with the first sample, which may wait for the driver's first
    // cold-junction sample: elapsed times, the pace and the duration count from there.
    Clock::time_point start, due;
    const char *stoppedBy = "signal";
    bool told = false;
    uint64_t taken = 0;
    for (uint64_t sample = 1;; ++sample) {
        // A stop signal during a sample lets the sample finish: every row it writes is whole.
        const Clock::time_point began = Clock::now();
        const std::vector<Reading> readings = reader.readAll(plans);
        const Clock::time_point ended = Clock::now();
        if (sample == 1)
            start = due = ended;
        ++taken;
        const std::string time = UtcTimestamp();
        const double elapsed = std::chrono::duration<double>(ended - start).count();
        if (csv)
            csv->write(time, elapsed, session.number(), readings);
        if (out.json) {
            nlohmann::json list = nlohmann::json::array();
            for (const Reading &reading : readings)
                list.push_back(reading.json());
            EmitLine({{"device", session.number()},
                      {"sample", sample},
                      {"time", time},
                      {"elapsed_s", Rounded(elapsed, 3)},
                      {"readings", list}});
        } else if (!csvOut) {
            view.show(sample, time, readings);
        }
        // The first sample may wait for the driver's first cold-junction sample: the pace is
        // judged from the next.
        if (sample > 1 && !told && ended - began > interval) {
            TellThePace(std::chrono::duration<double>(ended - began).count(), options.interval, plans.size());
            told = true;
        }
        if (options.count && sample >= *options.count) {
            stoppedBy = "count";
            break;
        }
        // A late sample moves the ones after it; they do not crowd in to catch up.
        due = std::max(due + interval, ended);
        if (duration > 0 && std::chrono::duration<double>(due - start).count() >= duration) {
            stoppedBy = "duration";
            break;
        }
        if (!stop.waitUntil(due))
            break;
    }
    if (csv)
        csv->close();
    if (out.json) {
        EmitLine({{"device", session.number()},
                  {"interval_s", options.interval},
                  {"stopped_by", stoppedBy},
                  {"samples", taken},
                  {"csv", options.csv.empty() ? nlohmann::json() : nlohmann::json(options.csv)}});
    } else if (!options.csv.empty()) {
        std::fprintf(stderr, "qms6093: %llu samples of %zu channels written to %s\n",
                     static_cast<unsigned long long>(taken), plans.size(),
                     csvOut ? "standard output" : options.csv.c_str());
    }
    return 0;
}

} // namespace qms::cli

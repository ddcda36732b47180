#include "csv_log.h"

#include <cerrno>
#include <cstring>

#include "text_table.h"
#include "tool_error.h"

namespace qms::cli {

namespace {

ToolError WriteFailure(const std::string &path, int error)
{
    return BadArgument("--csv", "cannot write \"" + path + "\": " + std::strerror(error));
}

} // namespace

CsvLog::CsvLog(const std::string &path) : path_(path), standardOutput_(path == "-")
{
    file_ = standardOutput_ ? stdout : std::fopen(path.c_str(), "w");
    if (!file_)
        throw WriteFailure(path, errno);
    std::fputs("time,elapsed_s,device,channel,range,value,unit,status\n", file_);
    if (std::fflush(file_) != 0) {
        const int error = errno;
        if (!standardOutput_)
            std::fclose(file_);
        file_ = nullptr;
        throw WriteFailure(path, error);
    }
}

CsvLog::~CsvLog()
{
    if (file_ && !standardOutput_)
        std::fclose(file_);
}

void CsvLog::write(const std::string &time, double elapsed, uint32_t device, const std::vector<Reading> &readings)
{
    std::string rows;
    for (const Reading &reading : readings)
        rows += time + "," + FormatFixed(elapsed, 3) + "," + std::to_string(device) + "," +
                std::to_string(reading.channel) + "," + reading.label + "," +
                (reading.measured() ? FormatFixed(reading.value, reading.decimals) : "") + "," + reading.unit + "," +
                reading.statusName() + "\n";
    if (std::fwrite(rows.data(), 1, rows.size(), file_) != rows.size() || std::fflush(file_) != 0)
        throw ToolError(ExitDeviceError, "--csv", "writing \"" + path_ + "\" failed: " + std::strerror(errno));
}

void CsvLog::close()
{
    if (!file_)
        return;
    std::FILE *file = file_;
    file_ = nullptr;
    if (standardOutput_ ? std::fflush(file) != 0 : std::fclose(file) != 0)
        throw ToolError(ExitDeviceError, "--csv", "closing \"" + path_ + "\" failed: " + std::strerror(errno));
}

} // namespace qms::cli

// The CSV file of qms6093 watch: a header, then one row per channel and sample, flushed
// after every sample so that an interrupted run leaves only complete rows.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "channel_reader.h"

namespace qms::cli {

class CsvLog {
public:
    // Creates (or empties) the file and writes the header; a path that cannot be written
    // throws a bad-argument error naming --csv. "-" is standard output.
    explicit CsvLog(const std::string &path);
    ~CsvLog();
    CsvLog(const CsvLog &) = delete;
    CsvLog &operator=(const CsvLog &) = delete;

    // The rows of one sample, written and flushed together.
    void write(const std::string &time, double elapsed, uint32_t device, const std::vector<Reading> &readings);
    // Flushes and closes; a failure throws.
    void close();

private:
    std::string path_;
    std::FILE *file_ = nullptr;
    bool standardOutput_ = false;
};

} // namespace qms::cli

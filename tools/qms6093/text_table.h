// Aligned text tables and numbers as the tool prints them.
#pragma once

#include <string>
#include <vector>

namespace qms::cli {

// `value` with `decimals` digits after the point ("-0.00" shows as "0.00").
std::string FormatFixed(double value, int decimals);
// `value` rounded to what FormatFixed shows, so that machine output carries the same
// number as the human output.
double Rounded(double value, int decimals);

class TextTable {
public:
    // Columns whose heading starts with '>' are right-aligned (the '>' is not shown); a column
    // with no entry in any row is left out.
    explicit TextTable(std::vector<std::string> headings);
    void add(std::vector<std::string> cells);
    // The table, one line per row, with the heading line first; columns two blanks apart.
    std::string render() const;
    size_t rows() const { return rows_.size(); }

private:
    std::vector<std::string> headings_;
    std::vector<bool> right_;
    std::vector<std::vector<std::string>> rows_;
};

// Width of UTF-8 text in terminal columns (one per character).
size_t DisplayWidth(const std::string &text);

} // namespace qms::cli

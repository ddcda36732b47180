#include "text_table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace qms::cli {

std::string FormatFixed(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, Rounded(value, decimals));
    return text;
}

double Rounded(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    const double rounded = std::strtod(text, nullptr);
    return rounded == 0.0 ? 0.0 : rounded; // no "-0.00"
}

size_t DisplayWidth(const std::string &text)
{
    return static_cast<size_t>(std::count_if(text.begin(), text.end(),
                                             [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

TextTable::TextTable(std::vector<std::string> headings)
{
    for (std::string &heading : headings) {
        const bool right = !heading.empty() && heading[0] == '>';
        right_.push_back(right);
        headings_.push_back(right ? heading.substr(1) : heading);
    }
}

void TextTable::add(std::vector<std::string> cells)
{
    cells.resize(headings_.size());
    rows_.push_back(std::move(cells));
}

std::string TextTable::render() const
{
    std::vector<size_t> widths;
    for (const std::string &heading : headings_)
        widths.push_back(DisplayWidth(heading));
    for (const auto &row : rows_)
        for (size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], DisplayWidth(row[i]));
    // A column without any entry (a note nobody needed) is left out, heading and all.
    std::vector<bool> used(headings_.size(), rows_.empty());
    for (const auto &row : rows_)
        for (size_t i = 0; i < row.size(); ++i)
            used[i] = used[i] || !row[i].empty();
    std::string text;
    const auto line = [&](const std::vector<std::string> &cells) {
        std::string out;
        bool first = true;
        for (size_t i = 0; i < cells.size(); ++i) {
            if (!used[i])
                continue;
            const std::string pad(widths[i] - DisplayWidth(cells[i]), ' ');
            if (!first)
                out += "  ";
            first = false;
            out += right_[i] ? pad + cells[i] : cells[i] + (i + 1 < cells.size() ? pad : "");
        }
        while (!out.empty() && out.back() == ' ')
            out.pop_back();
        text += out + "\n";
    };
    line(headings_);
    for (const auto &row : rows_)
        line(row);
    return text;
}

} // namespace qms::cli

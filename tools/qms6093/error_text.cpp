#include "error_text.h"

#include "qms6093ext.h"

namespace qms::cli {

namespace {

// A text of one of the library's error-text calls, whatever its length.
template <typename Call>
std::string Text(Call call)
{
    std::string text(128, '\0');
    const size_t length = call(text.data(), text.size());
    if (length >= text.size()) {
        text.resize(length + 1);
        call(text.data(), text.size());
    }
    text.resize(length);
    return text;
}

} // namespace

std::string CodeSentence(uint32_t code)
{
    return Text([code](char *buf, size_t size) { return QmsErrorSentence(code, buf, size); });
}

std::string DescribeCode(uint32_t code)
{
    return CodeSentence(code) + " (code " + std::to_string(code) + ")";
}

std::string DescribeCjcMeasureCode(int32_t code)
{
    return Text([code](char *buf, size_t size) { return QmsMeasureCJCErrorText(code, buf, size); }) +
           " (code " + std::to_string(code) + ")";
}

} // namespace qms::cli

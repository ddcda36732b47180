#include "tool_error.h"

#include "error_text.h"

namespace qms::cli {

ToolError DeviceFailure(uint32_t deviceNumber, const std::string &what, uint32_t code)
{
    const bool sentence = !what.empty() && what.back() == '.';
    return ToolError(ExitDeviceError, "device " + std::to_string(deviceNumber),
                     what + (sentence ? " " : ": ") + DescribeCode(code), code);
}

} // namespace qms::cli

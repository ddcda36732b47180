#include "device_session.h"

#include "error_text.h"
#include "qms6093.h"
#include "tool_error.h"

namespace qms::cli {

DeviceSession::DeviceSession(uint32_t number)
{
    const std::string subject = "--device " + std::to_string(number);
    const auto installed = FindInstalledDevice(number);
    if (!installed)
        throw BadArgument(subject, "no device " + std::to_string(number) +
                                       " is installed; `qms6093 list` shows the installed devices");
    installed_ = *installed;
    const uint32_t code = DeviceOpen(number, &handle_);
    if (code == QmsDeviceCode(number, QMS_ERRIDX_STREAM_OPEN))
        throw ToolError(ExitBadArgument, subject,
                        "device " + std::to_string(number) + " is installed but its module is not attached (code " +
                            std::to_string(code) + ")",
                        code);
    // Unreadable stored settings leave a usable handle; the commands that show them say so.
    if (code != 0 && code != QmsDeviceCode(number, QMS_ERRIDX_PARAMETERS))
        throw ToolError(ExitDeviceError, subject, "Open device failed: " + DescribeCode(code), code);
}

DeviceSession::~DeviceSession()
{
    if (handle_)
        DeviceClose(&handle_);
}

void DeviceSession::check(uint32_t code, const std::string &what) const
{
    if (code != 0)
        throw DeviceFailure(number(), what, code);
}

} // namespace qms::cli

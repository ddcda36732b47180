// How a command fails: one line for the user, the argument or device it concerns, the
// library code when there is one, and the exit status scripts see.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace qms::cli {

// Exit statuses: 0 success; 1 the module or the library refused; 2 a bad argument, an
// unknown device number or a device without its module (nothing was changed).
enum ExitStatus : int { ExitOk = 0, ExitDeviceError = 1, ExitBadArgument = 2 };

class ToolError : public std::runtime_error {
public:
    ToolError(int exitStatus, std::string subject, const std::string &message,
              std::optional<uint32_t> code = std::nullopt)
        : std::runtime_error(message), exitStatus_(exitStatus), subject_(std::move(subject)),
          code_(code)
    {
    }

    int exitStatus() const { return exitStatus_; }
    // The argument ("--channel") or the thing ("device 0") the message is about.
    const std::string &subject() const { return subject_; }
    std::optional<uint32_t> code() const { return code_; }

private:
    int exitStatus_;
    std::string subject_;
    std::optional<uint32_t> code_;
};

// A bad value of a command-line argument.
inline ToolError BadArgument(const std::string &argument, const std::string &message)
{
    return ToolError(ExitBadArgument, argument, message);
}

// A refusal by the library or the module: the text says what was being done (for the
// settings the dialogs' own texts), the code says why.
ToolError DeviceFailure(uint32_t deviceNumber, const std::string &what, uint32_t code);

} // namespace qms::cli

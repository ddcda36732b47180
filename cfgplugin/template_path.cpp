#include "cfgplugin/template_path.h"

#include <cstring>
#include <string_view>

namespace usb6093cfg {
namespace {

// Appends to a fixed field and drops what does not fit.
class FieldWriter {
public:
    FieldWriter(char *field, std::size_t size) : field_(field), room_(size - 1) { field_[0] = '\0'; }

    void append(std::string_view text)
    {
        const std::size_t n = text.size() < room_ - used_ ? text.size() : room_ - used_;
        if (n == 0)
            return; // a missing text has no data to copy from
        std::memcpy(field_ + used_, text.data(), n);
        used_ += n;
        field_[used_] = '\0';
    }

private:
    char *field_;
    std::size_t room_;
    std::size_t used_ = 0;
};

// At most `limit` characters of a text that may be null, found without reading past them.
std::string_view prefix(const char *text, std::size_t limit)
{
    if (!text)
        return {};
    const void *end = std::memchr(text, '\0', limit);
    return {text, end ? static_cast<std::size_t>(static_cast<const char *>(end) - text) : limit};
}

} // namespace

void CopyField(char *field, std::size_t size, const char *text)
{
    if (!field || size == 0)
        return;
    FieldWriter(field, size).append(prefix(text, size - 1));
}

void BuildTemplatePath(char *path, std::size_t size, const char *hostDirectory, const char *deviceName)
{
    if (!path || size == 0)
        return;
    const std::string_view name = prefix(deviceName, templateNameLength);
    FieldWriter out(path, size);
    // No more of the directory is read than the path can hold.
    out.append(prefix(hostDirectory, size - 1));
    out.append(templateFolder);
    out.append(name);
    out.append("\\");
    out.append(name);
    out.append(".reg");
}

} // namespace usb6093cfg

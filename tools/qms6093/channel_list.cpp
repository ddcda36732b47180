#include "channel_list.h"

#include <algorithm>
#include <cctype>

#include "tool_error.h"

namespace qms::cli {

namespace {

unsigned ParseChannel(const std::string &text, const std::string &list, const std::string &argument)
{
    if (text.empty() || text.size() > 3 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }))
        throw BadArgument(argument, "\"" + list + "\" is not a channel list (write e.g. 0-7 or 0,3)");
    const unsigned channel = static_cast<unsigned>(std::stoul(text));
    if (channel >= kChannelCount)
        throw BadArgument(argument, "channel " + text + " does not exist; the module has channels 0 to 7");
    return channel;
}

} // namespace

std::vector<uint16_t> ParseChannelList(const std::string &text, const std::string &argument)
{
    std::vector<uint16_t> channels;
    const auto add = [&](unsigned channel) {
        if (std::find(channels.begin(), channels.end(), channel) == channels.end())
            channels.push_back(static_cast<uint16_t>(channel));
    };
    if (text == "all") {
        for (unsigned channel = 0; channel < kChannelCount; ++channel)
            add(channel);
        return channels;
    }
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, comma - start);
        const size_t dash = item.find('-');
        if (dash == std::string::npos) {
            add(ParseChannel(item, text, argument));
        } else {
            const unsigned first = ParseChannel(item.substr(0, dash), text, argument);
            const unsigned last = ParseChannel(item.substr(dash + 1), text, argument);
            if (last < first)
                throw BadArgument(argument, "\"" + item + "\" counts backwards; write " +
                                                std::to_string(last) + "-" + std::to_string(first));
            for (unsigned channel = first; channel <= last; ++channel)
                add(channel);
        }
        start = comma + 1;
    }
    return channels;
}

} // namespace qms::cli

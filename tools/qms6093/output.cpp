#include <cstdio>

#include "commands.h"

namespace qms::cli {

void Output::emit(const nlohmann::json &document, const std::string &human) const
{
    const std::string text = json ? document.dump(2) + "\n" : human;
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

} // namespace qms::cli

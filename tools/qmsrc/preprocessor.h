// The script's tokens after preprocessing: includes read, conditionals decided, comments gone;
// names defined with #define are replaced by their value when the parser asks for them.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace qms::rc {

struct Token {
    enum Kind { Name, Number, String, Punct, End } kind = End;
    std::string text;       // names, punctuation, and strings as UTF-8 without quotes
    long long value = 0;    // numbers
    std::string file;
    int line = 0;
};

struct Preprocessed {
    std::vector<Token> tokens; // ends with an End token
    std::map<std::string, std::vector<Token>> defines;
    std::vector<std::string> includes;
};

Preprocessed preprocess(const std::string &text, const std::string &name, const std::string &folder);

} // namespace qms::rc

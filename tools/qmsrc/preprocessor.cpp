#include "tools/qmsrc/preprocessor.h"

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include "tools/qmsrc/compiler.h"

namespace qms::rc {
namespace {

constexpr int maxIncludeDepth = 16;
constexpr int maxExpansionDepth = 32;

[[noreturn]] void fail(const std::string &file, int line, const std::string &message)
{
    throw CompileError(file + ":" + std::to_string(line) + ": " + message);
}

bool nameStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool nameChar(char c)
{
    return nameStart(c) || (c >= '0' && c <= '9');
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Splits one line (comments already gone) into tokens.
std::vector<Token> tokenize(const std::string &line, const std::string &file, int number)
{
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            ++i;
            continue;
        }
        Token t;
        t.file = file;
        t.line = number;
        if (c == '"' || ((c == 'L' || c == 'u') && i + 1 < line.size() && line[i + 1] == '"')) {
            i += c == '"' ? 1 : 2;
            t.kind = Token::String;
            for (;;) {
                if (i >= line.size())
                    fail(file, number, "string without its closing quote");
                const char s = line[i++];
                if (s == '"') {
                    if (i < line.size() && line[i] == '"') { // "" is a quote
                        t.text += '"';
                        ++i;
                        continue;
                    }
                    break;
                }
                if (s == '\\' && i < line.size()) {
                    const char e = line[i++];
                    switch (e) {
                    case 'n': t.text += '\n'; break;
                    case 't': t.text += '\t'; break;
                    case 'r': t.text += '\r'; break;
                    case 'a': t.text += '\a'; break;
                    case '0': t.text += '\0'; break;
                    case '\\': t.text += '\\'; break;
                    case '"': t.text += '"'; break;
                    default:
                        fail(file, number, std::string("unknown escape \\") + e + " in a string");
                    }
                    continue;
                }
                t.text += s;
            }
        } else if (nameStart(c)) {
            t.kind = Token::Name;
            while (i < line.size() && nameChar(line[i]))
                t.text += line[i++];
        } else if (c >= '0' && c <= '9') {
            t.kind = Token::Number;
            long long value = 0;
            if (c == '0' && i + 1 < line.size() && (line[i + 1] == 'x' || line[i + 1] == 'X')) {
                i += 2;
                const std::size_t start = i;
                while (i < line.size() && hexDigit(line[i]) >= 0) {
                    value = value * 16 + hexDigit(line[i++]);
                    if (value > 0xFFFFFFFFLL)
                        fail(file, number, "number too large");
                }
                if (i == start)
                    fail(file, number, "0x without hexadecimal digits");
            } else {
                while (i < line.size() && line[i] >= '0' && line[i] <= '9') {
                    value = value * 10 + (line[i++] - '0');
                    if (value > 0xFFFFFFFFLL)
                        fail(file, number, "number too large");
                }
            }
            while (i < line.size() && (line[i] == 'L' || line[i] == 'l' || line[i] == 'U' || line[i] == 'u'))
                ++i;
            if (i < line.size() && nameChar(line[i]))
                fail(file, number, "bad number");
            t.value = value;
        } else {
            t.kind = Token::Punct;
            t.text = std::string(1, c);
            ++i;
        }
        tokens.push_back(std::move(t));
    }
    return tokens;
}

// Removes /* */ and // comments outside strings; `inComment` carries a block comment over
// line ends.
std::string stripComments(const std::string &line, bool &inComment)
{
    std::string out;
    bool inString = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        const char next = i + 1 < line.size() ? line[i + 1] : '\0';
        if (inComment) {
            if (c == '*' && next == '/') {
                inComment = false;
                ++i;
                out += ' ';
            }
            continue;
        }
        if (inString) {
            out += c;
            if (c == '\\' && next != '\0') {
                out += next;
                ++i;
            } else if (c == '"') {
                inString = false;
            }
            continue;
        }
        if (c == '"') {
            inString = true;
            out += c;
        } else if (c == '/' && next == '*') {
            inComment = true;
            ++i;
        } else if (c == '/' && next == '/') {
            break;
        } else {
            out += c;
        }
    }
    return out;
}

// Evaluates the expression of #if / #elif: integers, defined NAME, defined(NAME), names
// (defined ones by their value, others as 0), ! - ( ) and the usual binary operators.
class ConditionEvaluator {
public:
    ConditionEvaluator(const std::vector<Token> &tokens,
                       const std::map<std::string, std::vector<Token>> &defines)
        : tokens_(tokens), defines_(defines)
    {
    }

    long long evaluate()
    {
        const long long value = orExpression();
        if (pos_ != tokens_.size())
            error("unexpected '" + tokens_[pos_].text + "' in #if");
        return value;
    }

private:
    bool punct(const char *text)
    {
        const std::string s(text);
        if (pos_ + s.size() > tokens_.size())
            return false;
        for (std::size_t k = 0; k < s.size(); ++k) {
            const Token &t = tokens_[pos_ + k];
            if (t.kind != Token::Punct || t.text[0] != s[k])
                return false;
        }
        pos_ += s.size();
        return true;
    }

    long long orExpression()
    {
        long long value = andExpression();
        while (punct("||"))
            value = (andExpression() != 0) || value != 0;
        return value;
    }

    long long andExpression()
    {
        long long value = comparison();
        while (punct("&&")) {
            const long long right = comparison();
            value = value != 0 && right != 0;
        }
        return value;
    }

    long long comparison()
    {
        long long value = sum();
        for (;;) {
            if (punct("=="))
                value = value == sum();
            else if (punct("!="))
                value = value != sum();
            else if (punct("<="))
                value = value <= sum();
            else if (punct(">="))
                value = value >= sum();
            else if (punct("<"))
                value = value < sum();
            else if (punct(">"))
                value = value > sum();
            else
                return value;
        }
    }

    long long sum()
    {
        long long value = unary();
        for (;;) {
            if (punct("+"))
                value += unary();
            else if (punct("-"))
                value -= unary();
            else
                return value;
        }
    }

    long long unary()
    {
        if (punct("!"))
            return unary() == 0;
        if (punct("-"))
            return -unary();
        if (punct("(")) {
            const long long value = orExpression();
            if (!punct(")"))
                error("missing ')' in #if");
            return value;
        }
        if (pos_ >= tokens_.size())
            error("incomplete #if");
        const Token &t = tokens_[pos_++];
        if (t.kind == Token::Number)
            return t.value;
        if (t.kind == Token::Name && t.text == "defined") {
            const bool paren = punct("(");
            if (pos_ >= tokens_.size() || tokens_[pos_].kind != Token::Name)
                error("defined needs a name");
            const bool isDefined = defines_.count(tokens_[pos_++].text) != 0;
            if (paren && !punct(")"))
                error("missing ')' after defined");
            return isDefined;
        }
        if (t.kind == Token::Name) {
            const auto it = defines_.find(t.text);
            if (it == defines_.end())
                return 0;
            if (++depth_ > maxExpansionDepth)
                error("#define of " + t.text + " refers to itself");
            const long long value = ConditionEvaluator(it->second, defines_).evaluate();
            --depth_;
            return value;
        }
        error("unexpected '" + t.text + "' in #if");
    }

    [[noreturn]] void error(const std::string &message) const
    {
        const Token &at = tokens_.empty() ? Token{} : tokens_[std::min(pos_, tokens_.size() - 1)];
        fail(at.file, at.line, message);
    }

    const std::vector<Token> &tokens_;
    const std::map<std::string, std::vector<Token>> &defines_;
    std::size_t pos_ = 0;
    int depth_ = 0;
};

struct Condition {
    bool parentActive;
    bool active;
    bool taken; // some branch of this #if was taken already
    bool sawElse = false;
};

class Preprocessor {
public:
    Preprocessed result;

    void run(const std::string &text, const std::string &name, const std::string &folder, int depth)
    {
        if (depth > maxIncludeDepth)
            fail(name, 1, "#include nested too deeply");
        std::istringstream in(text);
        std::string line;
        std::vector<Condition> conditions;
        bool inComment = false;
        int number = 0;
        while (std::getline(in, line)) {
            const int first = ++number;
            // Directives continue over lines that end in a backslash.
            while (!line.empty() && line.back() == '\\') {
                line.pop_back();
                std::string next;
                if (!std::getline(in, next))
                    break;
                ++number;
                line += next;
            }
            const std::string code = stripComments(line, inComment);
            const bool active = conditions.empty() || conditions.back().active;
            const std::size_t start = code.find_first_not_of(" \t\r");
            if (start != std::string::npos && code[start] == '#') {
                directive(code.substr(start + 1), name, folder, first, depth, conditions, active);
                continue;
            }
            if (!active)
                continue;
            for (Token &t : tokenize(code, name, first))
                emit(t, 0);
        }
        if (!conditions.empty())
            fail(name, number, "#if without #endif");
    }

private:
    void emit(const Token &t, int depth)
    {
        if (t.kind == Token::Name) {
            const auto it = result.defines.find(t.text);
            if (it != result.defines.end()) {
                if (depth > maxExpansionDepth)
                    fail(t.file, t.line, "#define of " + t.text + " refers to itself");
                for (Token replacement : it->second) {
                    replacement.file = t.file;
                    replacement.line = t.line;
                    emit(replacement, depth + 1);
                }
                return;
            }
        }
        result.tokens.push_back(t);
    }

    void directive(const std::string &body, const std::string &file, const std::string &folder,
                   int line, int depth, std::vector<Condition> &conditions, bool active)
    {
        std::vector<Token> tokens = tokenize(body, file, line);
        if (tokens.empty())
            return; // a lone '#'
        const std::string word = tokens[0].kind == Token::Name ? tokens[0].text : "";
        const std::vector<Token> rest(tokens.begin() + 1, tokens.end());
        auto decide = [&](bool value) {
            Condition &c = conditions.back();
            c.active = c.parentActive && !c.taken && value;
            c.taken = c.taken || c.active;
        };
        if (word == "if" || word == "ifdef" || word == "ifndef") {
            bool value = false;
            if (active) {
                if (word == "if") {
                    value = ConditionEvaluator(rest, result.defines).evaluate() != 0;
                } else {
                    if (rest.size() != 1 || rest[0].kind != Token::Name)
                        fail(file, line, "#" + word + " needs one name");
                    value = (result.defines.count(rest[0].text) != 0) == (word == "ifdef");
                }
            }
            conditions.push_back(Condition{active, false, false});
            decide(value);
            return;
        }
        if (word == "elif" || word == "else" || word == "endif") {
            if (conditions.empty())
                fail(file, line, "#" + word + " without #if");
            if (word == "endif") {
                conditions.pop_back();
                return;
            }
            if (conditions.back().sawElse)
                fail(file, line, "#" + word + " after #else");
            if (word == "else") {
                conditions.back().sawElse = true;
                decide(true);
            } else {
                const bool evaluate = conditions.back().parentActive && !conditions.back().taken;
                decide(evaluate && ConditionEvaluator(rest, result.defines).evaluate() != 0);
            }
            return;
        }
        if (!active)
            return;
        if (word == "define") {
            if (rest.empty() || rest[0].kind != Token::Name)
                fail(file, line, "#define needs a name");
            // Macros with parameters have no use in a resource script; they are left out.
            const std::size_t nameEnd = body.find(rest[0].text) + rest[0].text.size();
            if (nameEnd < body.size() && body[nameEnd] == '(')
                return;
            result.defines[rest[0].text] = std::vector<Token>(rest.begin() + 1, rest.end());
        } else if (word == "undef") {
            if (rest.size() != 1 || rest[0].kind != Token::Name)
                fail(file, line, "#undef needs one name");
            result.defines.erase(rest[0].text);
        } else if (word == "include") {
            include(body, file, folder, line, depth);
        } else if (word == "pragma") {
            return;
        } else if (word == "error") {
            fail(file, line, "#error" + body.substr(5));
        } else {
            fail(file, line, "unknown directive #" + (word.empty() ? tokens[0].text : word));
        }
    }

    void include(const std::string &body, const std::string &file, const std::string &folder,
                 int line, int depth)
    {
        const std::size_t open = body.find_first_of("\"<");
        if (open == std::string::npos)
            fail(file, line, "#include needs a file name");
        // The system's headers are built in: their names are known without reading them.
        if (body[open] == '<')
            return;
        const std::size_t close = body.find('"', open + 1);
        if (close == std::string::npos)
            fail(file, line, "#include file name without its closing quote");
        const std::string name = body.substr(open + 1, close - open - 1);
        const std::string path = name.starts_with("/") ? name : folder + "/" + name;
        std::ifstream in(path, std::ios::binary);
        if (!in)
            fail(file, line, "cannot read #include file " + path);
        std::ostringstream text;
        text << in.rdbuf();
        result.includes.push_back(path);
        const std::size_t slash = path.rfind('/');
        run(text.str(), path, slash == std::string::npos ? "." : path.substr(0, slash), depth + 1);
    }
};

} // namespace

Preprocessed preprocess(const std::string &text, const std::string &name, const std::string &folder)
{
    Preprocessor p;
    p.run(text, name, folder, 0);
    Token end;
    end.kind = Token::End;
    end.file = name;
    end.line = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
    p.result.tokens.push_back(end);
    return std::move(p.result);
}

} // namespace qms::rc

#include <cctype>
#include <optional>

#include "platform/registry/reg_file.h"

#include "qms_byteorder.h"

namespace qms::registry {

namespace {

constexpr std::string_view kRootName = "HKEY_LOCAL_MACHINE";
constexpr std::string_view kRootShort = "HKLM";
constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";

struct SyntaxError {
    std::string message;
};

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix)
{
    if (s.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
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

// Parses 1 to maxDigits hex digits that make up all of text.
std::optional<uint32_t> hexNumber(std::string_view text, size_t maxDigits)
{
    if (text.empty() || text.size() > maxDigits)
        return std::nullopt;
    uint32_t n = 0;
    for (char c : text) {
        int d = hexDigit(c);
        if (d < 0)
            return std::nullopt;
        n = n * 16 + uint32_t(d);
    }
    return n;
}

std::u16string utf16OrFail(std::string_view text, const char *what)
{
    std::u16string out;
    if (!toUtf16(text, out))
        throw SyntaxError{std::string(what) + " is not valid UTF-8"};
    return out;
}

// A key or value name: every character of it must be reachable through the registry calls,
// which take names as NUL-terminated text, so a NUL inside one is refused.
std::u16string nameOrFail(std::string_view text, const char *what)
{
    std::u16string name = utf16OrFail(text, what);
    if (name.find(u'\0') != std::u16string::npos)
        throw SyntaxError{std::string(what) + " holds a NUL character"};
    return name;
}

void appendUnits(std::string &bytes, std::u16string_view units)
{
    for (char16_t u : units) {
        uint8_t le[2];
        QmsStoreLe16(le, u);
        bytes.append(reinterpret_cast<const char *>(le), 2);
    }
}

class Parser {
public:
    Parser(std::string_view text, std::vector<Edit> &edits) : edits_(edits)
    {
        if (text.substr(0, 3) == "\xEF\xBB\xBF")
            text.remove_prefix(3);
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find('\n', start);
            if (end == text.npos) {
                if (start < text.size())
                    lines_.push_back(text.substr(start));
                break;
            }
            lines_.push_back(text.substr(start, end - start));
            start = end + 1;
        }
    }

    void run()
    {
        bool headerSeen = false;
        for (index_ = 0; index_ < lines_.size(); ++index_) {
            std::string_view line = trimmed(lines_[index_]);
            if (line.empty() || line.front() == ';')
                continue;
            if (!headerSeen) {
                if (line == kHeader4)
                    unicodeHex_ = false;
                else if (line == kHeader5)
                    unicodeHex_ = true;
                else
                    throw SyntaxError{"the file does not start with REGEDIT4"};
                headerSeen = true;
            } else if (line.front() == '[') {
                keyLine(line);
            } else if (line.front() == '"' || line.front() == '@') {
                valueLine(line);
            } else {
                throw SyntaxError{"expected a [key] line, a \"name\"=value line or a ; comment"};
            }
        }
        if (!headerSeen)
            throw SyntaxError{"the file does not start with REGEDIT4"};
    }

    size_t lineNumber() const { return index_ + 1; }

private:
    void keyLine(std::string_view line)
    {
        if (line.back() != ']')
            throw SyntaxError{"a key line must end with ']'"};
        std::string_view body = line.substr(1, line.size() - 2);
        bool remove = !body.empty() && body.front() == '-';
        if (remove)
            body.remove_prefix(1);
        size_t cut = body.find('\\');
        std::string_view root = body.substr(0, cut);
        if (!(root.size() == kRootName.size() && startsWithNoCase(root, kRootName)) &&
            !(root.size() == kRootShort.size() && startsWithNoCase(root, kRootShort)))
            throw SyntaxError{"only keys under HKEY_LOCAL_MACHINE can be imported"};
        KeyPath path;
        if (cut != body.npos) {
            std::u16string rest = nameOrFail(body.substr(cut + 1), "the key name");
            LONG rc = splitKeyPath(rest, path);
            if (rc == ERROR_FILENAME_EXCED_RANGE)
                throw SyntaxError{"the key name is too long (at most 255 characters a component)"};
            if (rc)
                throw SyntaxError{"the key name has an empty component"};
        }
        if (remove) {
            if (path.empty())
                throw SyntaxError{"HKEY_LOCAL_MACHINE itself cannot be deleted"};
            edits_.push_back({Edit::DeleteKey, path, {}, {}});
            inKey_ = false;
        } else {
            edits_.push_back({Edit::CreateKey, path, {}, {}});
            current_ = std::move(path);
            inKey_ = true;
        }
    }

    // A quoted string starting at text[pos] (the opening quote); returns the text between
    // the quotes with \\ and \" resolved and moves pos past the closing quote.
    std::string quoted(std::string_view text, size_t &pos)
    {
        std::string out;
        for (size_t i = pos + 1; i < text.size(); ++i) {
            char c = text[i];
            if (c == '"') {
                pos = i + 1;
                return out;
            }
            if (c == '\\') {
                if (i + 1 >= text.size() || (text[i + 1] != '\\' && text[i + 1] != '"'))
                    throw SyntaxError{"unknown escape in a quoted string (only \\\\ and \\\" are allowed)"};
                c = text[++i];
            }
            out += c;
        }
        throw SyntaxError{"missing closing quote"};
    }

    void valueLine(std::string_view line)
    {
        if (!inKey_)
            throw SyntaxError{"a value line must follow a [HKEY_LOCAL_MACHINE\\...] key line"};
        size_t pos = 1;
        std::u16string name;
        if (line.front() == '"') {
            pos = 0;
            name = nameOrFail(quoted(line, pos), "the value name");
            if (name.size() > QMS_REG_MAX_VALUE_NAME)
                throw SyntaxError{"the value name is too long (at most 16383 characters)"};
        }
        std::string_view rest = trimmed(line.substr(pos));
        if (rest.empty() || rest.front() != '=')
            throw SyntaxError{"expected '=' after the value name"};
        rest = trimmed(rest.substr(1));

        Edit edit{Edit::SetValue, current_, std::move(name), {}};
        if (rest == "-") {
            edit.kind = Edit::DeleteValue;
        } else if (!rest.empty() && rest.front() == '"') {
            size_t end = 0;
            std::u16string text = utf16OrFail(quoted(rest, end), "the string");
            if (!trimmed(rest.substr(end)).empty())
                throw SyntaxError{"unexpected text after the closing quote"};
            edit.value.type = REG_SZ;
            appendUnits(edit.value.data, text);
            edit.value.data.append(2, '\0');
        } else if (startsWithNoCase(rest, "dword:")) {
            auto n = hexNumber(rest.substr(6), 8);
            if (!n)
                throw SyntaxError{"dword: needs 1 to 8 hex digits"};
            edit.value.type = REG_DWORD;
            for (int i = 0; i < 4; ++i)
                edit.value.data += char((*n >> (8 * i)) & 0xFF);
        } else if (startsWithNoCase(rest, "hex")) {
            hexValue(rest.substr(3), edit.value);
        } else {
            throw SyntaxError{"expected \"text\", dword:, hex:, hex(n): or - after '='"};
        }
        if (edit.value.data.size() > kMaxValueData)
            throw SyntaxError{"the value data is too large (at most 1 MiB)"};
        edits_.push_back(std::move(edit));
    }

    void hexValue(std::string_view rest, Value &value)
    {
        value.type = REG_BINARY;
        if (!rest.empty() && rest.front() == '(') {
            size_t close = rest.find(')');
            auto type = close == rest.npos ? std::nullopt : hexNumber(rest.substr(1, close - 1), 8);
            if (!type)
                throw SyntaxError{"hex(n): needs a hex type number"};
            value.type = *type;
            rest.remove_prefix(close + 1);
        }
        if (rest.empty() || rest.front() != ':')
            throw SyntaxError{"expected ':' after hex"};
        rest.remove_prefix(1);

        // A trailing backslash continues the byte list on the next line.
        std::string list;
        size_t first = index_;
        while (!rest.empty() && rest.back() == '\\') {
            list += rest.substr(0, rest.size() - 1);
            if (++index_ >= lines_.size()) {
                index_ = first;
                throw SyntaxError{"the byte list continues past the end of the file"};
            }
            rest = trimmed(lines_[index_]);
        }
        list += rest;

        std::string bytes;
        std::string_view items = trimmed(list);
        while (!items.empty()) {
            size_t comma = items.find(',');
            auto byte = hexNumber(trimmed(items.substr(0, comma)), 2);
            if (!byte)
                throw SyntaxError{"expected a byte of 1 or 2 hex digits in the hex list"};
            bytes += char(*byte);
            if (comma == items.npos)
                break;
            items = items.substr(comma + 1);
            if (trimmed(items).empty())
                break; // a comma before the end of the list is allowed
        }

        bool text = value.type == REG_SZ || value.type == REG_EXPAND_SZ || value.type == REG_MULTI_SZ;
        if (text && !unicodeHex_) {
            appendUnits(value.data, utf16OrFail(bytes, "the text"));
        } else {
            if (text && bytes.size() % 2)
                throw SyntaxError{"UTF-16 text needs an even number of bytes"};
            value.data = std::move(bytes);
        }
    }

    std::vector<Edit> &edits_;
    std::vector<std::string_view> lines_;
    size_t index_ = 0;
    bool unicodeHex_ = false;
    KeyPath current_; // the key that value lines belong to, while inKey_
    bool inKey_ = false;
};

} // namespace

bool parseRegFile(std::string_view text, std::vector<Edit> &edits, std::string &error)
{
    edits.clear();
    Parser parser(text, edits);
    try {
        parser.run();
        return true;
    } catch (const SyntaxError &e) {
        error = "line " + std::to_string(parser.lineNumber()) + ": " + e.message;
        return false;
    }
}

} // namespace qms::registry

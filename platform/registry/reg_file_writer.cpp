#include <cstdio>

#include "platform/registry/reg_file.h"

#include "qms_byteorder.h"

namespace qms::registry {

namespace {

// Width that byte lists wrap at, as registry editors write them.
constexpr size_t kLineWidth = 77;

bool isTextType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

std::u16string unitsOf(const std::string &bytes)
{
    std::u16string units;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        units += char16_t(QmsLoadLe16(reinterpret_cast<const uint8_t *>(bytes.data()) + i));
    return units;
}

// Text data that REGEDIT4 can carry as 8-bit (UTF-8) text: whole UTF-16 units, well formed.
bool hasEightBitForm(const Value &value, std::string &utf8)
{
    return value.data.size() % 2 == 0 && toUtf8(unitsOf(value.data), utf8);
}

// A REG_SZ that reads back the same from "text": one terminator at the end, no other zero,
// no line break.
bool hasQuotedForm(const Value &value, std::string &utf8)
{
    if (value.type != REG_SZ || !hasEightBitForm(value, utf8) || utf8.empty() || utf8.back() != '\0')
        return false;
    utf8.pop_back();
    return utf8.find_first_of(std::string_view("\0\r\n", 3)) == std::string::npos;
}

std::string quoted(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

void appendHexList(std::string &out, std::string_view prefix, std::string_view bytes)
{
    out += prefix;
    size_t column = prefix.size();
    char digits[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i) {
            out += ',';
            ++column;
            if (column + 3 > kLineWidth) {
                out += "\\\n  ";
                column = 2;
            }
        }
        std::snprintf(digits, sizeof digits, "%02x", unsigned(uint8_t(bytes[i])));
        out += digits;
        column += 2;
    }
    out += '\n';
}

void appendValue(std::string &out, const NamedValue &entry, bool unicodeHex)
{
    std::string name;
    toUtf8(entry.name, name); // names in the store are well formed
    std::string prefix = entry.name.empty() ? "@=" : quoted(name) + "=";
    const Value &value = entry.value;
    std::string text;
    if (hasQuotedForm(value, text)) {
        out += prefix + quoted(text) + "\n";
        return;
    }
    if (value.type == REG_DWORD && value.data.size() == 4) {
        char digits[16];
        const uint32_t n = QmsLoadLe32(reinterpret_cast<const uint8_t *>(value.data.data()));
        std::snprintf(digits, sizeof digits, "%08x", unsigned(n));
        out += prefix + "dword:" + digits + "\n";
        return;
    }
    char type[24];
    if (value.type == REG_BINARY)
        std::snprintf(type, sizeof type, "hex:");
    else
        std::snprintf(type, sizeof type, "hex(%x):", unsigned(value.type));
    bool eightBit = isTextType(value.type) && !unicodeHex && hasEightBitForm(value, text);
    appendHexList(out, prefix + type, eightBit ? std::string_view(text) : std::string_view(value.data));
}

} // namespace

std::string renderRegFile(const std::vector<KeyRecord> &keys)
{
    // Text values that are not well-formed UTF-16 have no 8-bit form: such a tree is written
    // in the later format, whose hex text is UTF-16 as it stands.
    bool unicodeHex = false;
    std::string scratch;
    for (const auto &key : keys)
        for (const auto &entry : key.values)
            if (isTextType(entry.value.type) && !hasEightBitForm(entry.value, scratch))
                unicodeHex = true;

    std::string out = unicodeHex ? "Windows Registry Editor Version 5.00\n" : "REGEDIT4\n";
    for (const auto &key : keys) {
        out += "\n[HKEY_LOCAL_MACHINE";
        for (const auto &part : key.path) {
            std::string name;
            toUtf8(part, name);
            out += "\\" + name;
        }
        out += "]\n";
        for (const auto &entry : key.values)
            appendValue(out, entry, unicodeHex);
    }
    return out;
}

} // namespace qms::registry

// The statements of a resource script, from preprocessed tokens to resources.
#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>

#include "qms_ui.h"
#include "tools/qmsrc/compiler.h"
#include "tools/qmsrc/dialog_spec.h"
#include "tools/qmsrc/names.h"
#include "tools/qmsrc/preprocessor.h"

namespace qms::rc {
namespace {

constexpr std::uint16_t resourceBitmap = 2;
constexpr std::uint16_t resourceDialog = 5;
constexpr std::uint16_t englishUs = 0x0409;

std::u16string utf16(const std::string &text, const Token &at);

// How a control statement starts and which styles it always has.
enum class Form { TextFirst, IdFirst };

struct ControlStatement {
    const char *keyword;
    Form form;
    const char16_t *windowClass;
    std::uint32_t style; // besides WS_CHILD | WS_VISIBLE
};

constexpr ControlStatement controlStatements[] = {
    {.keyword = "PUSHBUTTON", .form = Form::TextFirst, .windowClass = u"Button", .style = BS_PUSHBUTTON | WS_TABSTOP},
    {.keyword = "DEFPUSHBUTTON", .form = Form::TextFirst, .windowClass = u"Button", .style = BS_DEFPUSHBUTTON | WS_TABSTOP},
    {.keyword = "CHECKBOX", .form = Form::TextFirst, .windowClass = u"Button", .style = BS_CHECKBOX | WS_TABSTOP},
    {.keyword = "AUTOCHECKBOX", .form = Form::TextFirst, .windowClass = u"Button", .style = BS_AUTOCHECKBOX | WS_TABSTOP},
    {.keyword = "RADIOBUTTON", .form = Form::TextFirst, .windowClass = u"Button", .style = BS_RADIOBUTTON},
    {.keyword = "AUTORADIOBUTTON", .form = Form::TextFirst, .windowClass = u"Button", .style = BS_AUTORADIOBUTTON},
    {.keyword = "STATE3", .form = Form::TextFirst, .windowClass = u"Button", .style = BS_3STATE | WS_TABSTOP},
    {.keyword = "AUTO3STATE", .form = Form::TextFirst, .windowClass = u"Button", .style = BS_AUTO3STATE | WS_TABSTOP},
    {.keyword = "GROUPBOX", .form = Form::TextFirst, .windowClass = u"Button", .style = BS_GROUPBOX},
    {.keyword = "LTEXT", .form = Form::TextFirst, .windowClass = u"Static", .style = SS_LEFT | WS_GROUP},
    {.keyword = "CTEXT", .form = Form::TextFirst, .windowClass = u"Static", .style = SS_CENTER | WS_GROUP},
    {.keyword = "RTEXT", .form = Form::TextFirst, .windowClass = u"Static", .style = SS_RIGHT | WS_GROUP},
    {.keyword = "EDITTEXT", .form = Form::IdFirst, .windowClass = u"Edit", .style = ES_LEFT | WS_BORDER | WS_TABSTOP},
    {.keyword = "COMBOBOX", .form = Form::IdFirst, .windowClass = u"ComboBox", .style = CBS_SIMPLE | WS_TABSTOP},
    {.keyword = "LISTBOX", .form = Form::IdFirst, .windowClass = u"ListBox", .style = 0x0001 /* LBS_NOTIFY */ | WS_BORDER},
    {.keyword = "SCROLLBAR", .form = Form::IdFirst, .windowClass = u"ScrollBar", .style = SBS_HORZ},
};

// The predefined classes travel as ordinals.
NameOrOrdinal classOf(const std::u16string &name)
{
    static const char16_t *const predefined[] = {u"button", u"edit", u"static", u"listbox",
                                                 u"scrollbar", u"combobox"};
    std::u16string lower;
    for (char16_t c : name)
        lower += (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
    for (std::uint16_t i = 0; i < 6; ++i) {
        if (lower == predefined[i])
            return NameOrOrdinal{.isOrdinal = true, .ordinal = static_cast<std::uint16_t>(0x80 + i), .name = {}};
    }
    return NameOrOrdinal{.isOrdinal = false, .ordinal = 0, .name = name};
}

class Parser {
public:
    Parser(const Preprocessed &input, std::string folder) : t_(input.tokens), folder_(std::move(folder)) {}

    Compilation parse()
    {
        while (peek().kind != Token::End)
            statement();
        return std::move(out_);
    }

private:
    // ---- tokens ----

    const Token &peek(std::size_t ahead = 0) const
    {
        const std::size_t at = std::min(pos_ + ahead, t_.size() - 1);
        return t_[at];
    }

    const Token &next()
    {
        const Token &token = peek();
        if (token.kind != Token::End)
            ++pos_;
        return token;
    }

    bool isName(const char *word, std::size_t ahead = 0) const
    {
        const Token &token = peek(ahead);
        return token.kind == Token::Name && token.text == word;
    }

    bool isPunct(char c) const { return peek().kind == Token::Punct && peek().text[0] == c; }

    bool accept(char c)
    {
        if (!isPunct(c))
            return false;
        ++pos_;
        return true;
    }

    void expect(char c, const char *what)
    {
        if (!accept(c))
            error(peek(), std::string("expected '") + c + "' " + what);
    }

    [[noreturn]] static void error(const Token &at, const std::string &message)
    {
        throw CompileError(at.file + ":" + std::to_string(at.line) + ": " + message);
    }

    static std::string describe(const Token &token)
    {
        switch (token.kind) {
        case Token::End:
            return "the end of the script";
        case Token::String:
            return "\"" + token.text + "\"";
        case Token::Number:
            return std::to_string(token.value);
        default:
            return "'" + token.text + "'";
        }
    }

    // ---- expressions ----

    long long primary()
    {
        const Token &token = next();
        if (token.kind == Token::Number)
            return token.value;
        if (token.kind == Token::Punct) {
            if (token.text == "-")
                return -primary();
            if (token.text == "~")
                return ~primary();
            if (token.text == "(") {
                const long long value = expression();
                expect(')', "to close the parenthesis");
                return value;
            }
        }
        if (token.kind == Token::Name) {
            long long value = 0;
            if (constantValue(token.text, value))
                return value;
            error(token, "unknown name " + token.text);
        }
        error(token, "expected a number, found " + describe(token));
    }

    long long additive()
    {
        long long value = primary();
        for (;;) {
            if (accept('+'))
                value += primary();
            else if (accept('-'))
                value -= primary();
            else
                return value;
        }
    }

    long long expression()
    {
        long long value = additive();
        while (accept('|'))
            value |= additive();
        return value;
    }

    // Styles add to the statement's defaults; NOT takes bits away.
    std::uint32_t style(std::uint32_t defaults)
    {
        std::uint32_t value = defaults;
        do {
            if (isName("NOT")) {
                next();
                value &= ~static_cast<std::uint32_t>(primary());
            } else {
                value |= static_cast<std::uint32_t>(additive());
            }
        } while (accept('|'));
        return value;
    }

    std::int16_t coordinate()
    {
        const Token &at = peek();
        const long long value = expression();
        if (value < -32768 || value > 32767)
            error(at, "coordinate " + std::to_string(value) + " out of range");
        return static_cast<std::int16_t>(value);
    }

    std::uint32_t controlId(bool extended)
    {
        const Token &at = peek();
        const long long value = expression();
        if (value < -0x80000000LL || value > 0xFFFFFFFFLL)
            error(at, "control ID out of range");
        if (!extended && (value < -1 || value > 0xFFFF))
            error(at, "control ID " + std::to_string(value) + " does not fit a DIALOG template");
        return static_cast<std::uint32_t>(value) & (extended ? 0xFFFFFFFFu : 0xFFFFu);
    }

    std::u16string string(const char *what)
    {
        const Token &token = next();
        if (token.kind != Token::String)
            error(token, std::string("expected ") + what + ", found " + describe(token));
        return utf16(token.text, token);
    }

    std::uint16_t word(const char *what)
    {
        const Token &at = peek();
        const long long value = expression();
        if (value < 0 || value > 0xFFFF)
            error(at, std::string(what) + " out of range");
        return static_cast<std::uint16_t>(value);
    }

    // ---- statements ----

    void statement()
    {
        if (isName("LANGUAGE")) {
            next();
            language_ = languageValue();
            return;
        }
        const Token &nameToken = peek();
        Resource resource;
        resource.language = language_;
        if (nameToken.kind == Token::Number) {
            if (nameToken.value <= 0 || nameToken.value > 0xFFFF)
                error(nameToken, "resource ID out of range");
            resource.id = static_cast<std::uint16_t>(nameToken.value);
        } else if (nameToken.kind == Token::Name || nameToken.kind == Token::String) {
            resource.name = utf16(nameToken.text, nameToken);
        } else {
            error(nameToken, "expected a resource name, found " + describe(nameToken));
        }
        next();
        const Token &kind = next();
        if (kind.kind != Token::Name)
            error(kind, "expected a resource type, found " + describe(kind));
        skipMemoryOptions();
        if (kind.text == "DIALOGEX" || kind.text == "DIALOG") {
            resource.type = resourceDialog;
            dialogLanguage_.reset();
            resource.data = writeDialog(dialog(kind.text == "DIALOGEX"));
            resource.language = dialogLanguage_.value_or(resource.language);
        } else if (kind.text == "BITMAP") {
            resource.type = resourceBitmap;
            resource.data = bitmap();
        } else {
            error(kind, kind.text + " resources are not supported");
        }
        out_.resources.push_back(std::move(resource));
    }

    void skipMemoryOptions()
    {
        for (const char *option : {"DISCARDABLE", "MOVEABLE", "FIXED", "PURE", "IMPURE", "PRELOAD", "LOADONCALL"}) {
            if (isName(option)) {
                next();
                skipMemoryOptions();
                return;
            }
        }
    }

    std::uint16_t languageValue()
    {
        const long long primaryLanguage = expression();
        expect(',', "between the language and the sublanguage");
        const long long sublanguage = expression();
        return static_cast<std::uint16_t>((sublanguage << 10) | (primaryLanguage & 0x3FF));
    }

    DialogSpec dialog(bool extended)
    {
        DialogSpec d;
        d.extended = extended;
        position(d);
        if (extended && accept(','))
            d.helpId = static_cast<std::uint32_t>(expression());
        bool styled = false;
        bool caption = false;
        for (;;) {
            const Token &option = peek();
            if (isName("STYLE")) {
                next();
                d.style = style(0);
                styled = true;
            } else if (isName("EXSTYLE")) {
                next();
                d.exStyle = style(0);
            } else if (isName("CAPTION")) {
                next();
                d.title = string("the caption");
                caption = true;
            } else if (isName("FONT")) {
                next();
                d.hasFont = true;
                d.pointSize = word("point size");
                expect(',', "after the point size");
                d.typeface = string("the typeface name");
                if (extended && accept(',')) {
                    d.weight = word("font weight");
                    if (accept(',')) {
                        d.italic = static_cast<std::uint8_t>(word("italic flag"));
                        if (accept(','))
                            d.charset = static_cast<std::uint8_t>(word("character set"));
                    }
                }
            } else if (isName("CLASS")) {
                next();
                d.windowClass = peek().kind == Token::String
                                    ? NameOrOrdinal{.isOrdinal = false, .ordinal = 0, .name = string("a class")}
                                    : NameOrOrdinal{.isOrdinal = true, .ordinal = word("class"), .name = {}};
            } else if (isName("MENU")) {
                next();
                const Token &menu = next();
                if (menu.kind == Token::Number)
                    d.menu = NameOrOrdinal{.isOrdinal = true, .ordinal = static_cast<std::uint16_t>(menu.value), .name = {}};
                else
                    d.menu = NameOrOrdinal{.isOrdinal = false, .ordinal = 0, .name = utf16(menu.text, menu)};
            } else if (isName("LANGUAGE")) {
                next();
                dialogLanguage_ = languageValue(); // this dialog's only
            } else if (isName("CHARACTERISTICS") || isName("VERSION")) {
                next();
                expression();
            } else if (isName("BEGIN") || isPunct('{')) {
                break;
            } else {
                error(option, "expected a dialog option or BEGIN, found " + describe(option));
            }
        }
        // Without STYLE a dialog is a bordered popup with a system menu; CAPTION adds the
        // caption and FONT the font flag either way.
        if (!styled)
            d.style = WS_POPUP | WS_BORDER | WS_SYSMENU;
        if (caption)
            d.style |= WS_CAPTION;
        if (d.hasFont)
            d.style |= DS_SETFONT;
        next(); // BEGIN or {
        while (!isName("END") && !isPunct('}')) {
            if (peek().kind == Token::End)
                error(peek(), "dialog without END");
            d.items.push_back(control(extended));
            if (d.items.size() > 0xFFFF)
                error(peek(), "too many controls");
        }
        next();
        return d;
    }

    // x, y, cx, cy of a dialog or a control.
    template <class Placed>
    void position(Placed &item)
    {
        item.x = coordinate();
        expect(',', "after x");
        item.y = coordinate();
        expect(',', "after y");
        item.cx = coordinate();
        expect(',', "after the width");
        item.cy = coordinate();
    }

    // The optional tail: [, exstyle [, helpid]].
    void extendedTail(ItemSpec &item, bool extended)
    {
        if (!accept(','))
            return;
        item.exStyle = style(0);
        if (accept(',')) {
            const Token &at = peek();
            if (!extended)
                error(at, "a DIALOG control has no help ID");
            item.helpId = static_cast<std::uint32_t>(expression());
        }
    }

    ItemSpec control(bool extended)
    {
        const Token &keyword = next();
        if (keyword.kind != Token::Name)
            error(keyword, "expected a control statement, found " + describe(keyword));
        ItemSpec item;
        if (keyword.text == "CONTROL") {
            if (peek().kind == Token::String) {
                item.title.name = string("the text");
            } else {
                item.title = NameOrOrdinal{.isOrdinal = true, .ordinal = word("picture ID"), .name = {}};
            }
            expect(',', "after the text");
            item.id = controlId(extended);
            expect(',', "after the ID");
            const Token &cls = next();
            std::string className;
            if (cls.kind == Token::String)
                className = cls.text;
            else if (cls.kind != Token::Name || !classNameValue(cls.text, className))
                error(cls, "expected a class name, found " + describe(cls));
            item.windowClass = classOf(utf16(className, cls));
            expect(',', "after the class");
            item.style = style(WS_CHILD | WS_VISIBLE);
            expect(',', "after the style");
            position(item);
            extendedTail(item, extended);
            return item;
        }
        for (const ControlStatement &s : controlStatements) {
            if (keyword.text != s.keyword)
                continue;
            if (s.form == Form::TextFirst) {
                item.title.name = string("the text");
                expect(',', "after the text");
            }
            item.id = controlId(extended);
            expect(',', "after the ID");
            position(item);
            item.style = WS_CHILD | WS_VISIBLE | s.style;
            if (accept(',')) {
                item.style = style(item.style);
                extendedTail(item, extended);
            }
            item.windowClass = classOf(s.windowClass);
            return item;
        }
        error(keyword, keyword.text + " is not a control statement this compiler knows");
    }

    std::vector<unsigned char> bitmap()
    {
        const Token &at = peek();
        const std::u16string name16 = string("a bitmap file name");
        std::string name;
        for (char16_t c : name16)
            name += static_cast<char>(c);
        const std::string path = name.starts_with("/") ? name : folder_ + "/" + name;
        std::ifstream in(path, std::ios::binary);
        if (!in)
            error(at, "cannot read bitmap file " + path);
        const std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        out_.dependencies.push_back(path);
        try {
            return packedDib(file);
        } catch (const std::runtime_error &e) {
            error(at, path + ": " + e.what());
        }
    }

    const std::vector<Token> &t_;
    std::string folder_;
    std::size_t pos_ = 0;
    std::uint16_t language_ = englishUs;
    std::optional<std::uint16_t> dialogLanguage_;
    Compilation out_;
};

// Script text is UTF-8.
std::u16string utf16(const std::string &text, const Token &at)
{
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        unsigned length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size())
            throw CompileError(at.file + ":" + std::to_string(at.line) + ": text is not UTF-8");
        char32_t code = length == 1 ? c : c & (0x3F >> (length - 1));
        for (unsigned k = 1; k < length; ++k) {
            const auto cont = static_cast<unsigned char>(text[i + k]);
            if ((cont & 0xC0) != 0x80)
                throw CompileError(at.file + ":" + std::to_string(at.line) + ": text is not UTF-8");
            code = (code << 6) | (cont & 0x3F);
        }
        i += length;
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code >> 10));
            out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
    }
    return out;
}

} // namespace

Compilation compileText(const std::string &text, const std::string &name, const std::string &folder)
{
    const Preprocessed input = preprocess(text, name, folder);
    Compilation result = Parser(input, folder).parse();
    result.dependencies.insert(result.dependencies.begin(), input.includes.begin(), input.includes.end());
    return result;
}

Compilation compileFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw CompileError(path + ": cannot read the script");
    std::ostringstream text;
    text << in.rdbuf();
    const std::size_t slash = path.rfind('/');
    return compileText(text.str(), path, slash == std::string::npos ? "." : path.substr(0, slash));
}

} // namespace qms::rc

#include "tools/qmsrc/dialog_spec.h"

namespace qms::rc {
namespace {

class TemplateWriter {
public:
    void word(std::uint16_t value)
    {
        bytes_.push_back(static_cast<unsigned char>(value & 0xFF));
        bytes_.push_back(static_cast<unsigned char>(value >> 8));
    }

    void dword(std::uint32_t value)
    {
        word(static_cast<std::uint16_t>(value & 0xFFFF));
        word(static_cast<std::uint16_t>(value >> 16));
    }

    void coordinate(std::int16_t value) { word(static_cast<std::uint16_t>(value)); }

    void byte(std::uint8_t value) { bytes_.push_back(value); }

    void string(const std::u16string &text)
    {
        for (char16_t c : text)
            word(static_cast<std::uint16_t>(c));
        word(0);
    }

    void nameOrOrdinal(const NameOrOrdinal &value)
    {
        if (value.isOrdinal) {
            word(0xFFFF);
            word(value.ordinal);
        } else {
            string(value.name);
        }
    }

    void alignDword()
    {
        while (bytes_.size() % 4 != 0)
            bytes_.push_back(0);
    }

    std::vector<unsigned char> take() { return std::move(bytes_); }

private:
    std::vector<unsigned char> bytes_;
};

} // namespace

std::vector<unsigned char> writeDialog(const DialogSpec &d)
{
    TemplateWriter w;
    if (d.extended) {
        w.word(1);      // dlgVer
        w.word(0xFFFF); // signature
        w.dword(d.helpId);
        w.dword(d.exStyle);
        w.dword(d.style);
    } else {
        w.dword(d.style);
        w.dword(d.exStyle);
    }
    w.word(static_cast<std::uint16_t>(d.items.size()));
    w.coordinate(d.x);
    w.coordinate(d.y);
    w.coordinate(d.cx);
    w.coordinate(d.cy);
    w.nameOrOrdinal(d.menu);
    w.nameOrOrdinal(d.windowClass);
    w.string(d.title);
    if (d.hasFont) {
        w.word(d.pointSize);
        if (d.extended) {
            w.word(d.weight);
            w.byte(d.italic);
            w.byte(d.charset);
        }
        w.string(d.typeface);
    }
    for (const ItemSpec &item : d.items) {
        w.alignDword();
        if (d.extended) {
            w.dword(item.helpId);
            w.dword(item.exStyle);
            w.dword(item.style);
        } else {
            w.dword(item.style);
            w.dword(item.exStyle);
        }
        w.coordinate(item.x);
        w.coordinate(item.y);
        w.coordinate(item.cx);
        w.coordinate(item.cy);
        if (d.extended)
            w.dword(item.id);
        else
            w.word(static_cast<std::uint16_t>(item.id));
        w.nameOrOrdinal(item.windowClass);
        w.nameOrOrdinal(item.title);
        w.word(0); // no creation data
    }
    return w.take();
}

} // namespace qms::rc

#include "platform/ui/dialog_template.h"


namespace qms::ui {
namespace {

// Reads little-endian fields from the template, never past its end.
class TemplateReader {
public:
    TemplateReader(const BYTE *data, std::size_t size) : data_(data), size_(size) {}

    bool word(WORD &value)
    {
        if (!has(2))
            return false;
        value = static_cast<WORD>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return true;
    }

    bool dword(DWORD &value)
    {
        WORD low = 0, high = 0;
        if (!has(4) || !word(low) || !word(high))
            return false;
        value = static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16);
        return true;
    }

    bool coordinate(short &value)
    {
        WORD raw = 0;
        if (!word(raw))
            return false;
        value = static_cast<short>(raw);
        return true;
    }

    bool byte(BYTE &value)
    {
        if (!has(1))
            return false;
        value = data_[pos_++];
        return true;
    }

    bool string(std::u16string &value)
    {
        value.clear();
        for (;;) {
            WORD c = 0;
            if (!word(c))
                return false;
            if (c == 0)
                return true;
            value.push_back(static_cast<char16_t>(c));
        }
    }

    bool nameOrOrdinal(NameOrOrdinal &value)
    {
        WORD first = 0;
        if (!has(2))
            return false;
        first = static_cast<WORD>(data_[pos_] | (data_[pos_ + 1] << 8));
        if (first == 0xFFFF) {
            pos_ += 2;
            value.isOrdinal = true;
            return word(value.ordinal);
        }
        return string(value.name);
    }

    bool bytes(std::size_t count, std::vector<BYTE> &value)
    {
        if (!has(count))
            return false;
        value.assign(data_ + pos_, data_ + pos_ + count);
        pos_ += count;
        return true;
    }

    // Items start on DWORD boundaries from the start of the template.
    bool alignDword()
    {
        const std::size_t aligned = (pos_ + 3) & ~std::size_t{3};
        if (aligned > size_)
            return false;
        pos_ = aligned;
        return true;
    }

private:
    bool has(std::size_t count) const { return count <= size_ - pos_; }

    const BYTE *data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

bool readHeader(TemplateReader &r, DialogTemplate &t, WORD &count, std::string &why)
{
    WORD version = 0, signature = 0;
    DWORD first = 0;
    if (!r.dword(first)) {
        why = "the template is shorter than its header";
        return false;
    }
    version = LOWORD(first);
    signature = HIWORD(first);
    t.extended = version == 1 && signature == 0xFFFF;
    bool ok;
    if (t.extended) {
        ok = r.dword(t.helpId) && r.dword(t.exStyle) && r.dword(t.style);
    } else {
        t.style = first;
        ok = r.dword(t.exStyle);
    }
    ok = ok && r.word(count) && r.coordinate(t.x) && r.coordinate(t.y) && r.coordinate(t.cx) &&
         r.coordinate(t.cy);
    if (!ok) {
        why = "the template is shorter than its header";
        return false;
    }
    if (!r.nameOrOrdinal(t.menu) || !r.nameOrOrdinal(t.windowClass) || !r.string(t.title)) {
        why = "the menu, class or title runs past the end of the template";
        return false;
    }
    t.hasFont = (t.style & (DS_SETFONT)) != 0;
    if (t.hasFont) {
        ok = r.word(t.pointSize);
        if (ok && t.extended)
            ok = r.word(t.weight) && r.byte(t.italic) && r.byte(t.charset);
        if (!ok || !r.string(t.typeface)) {
            why = "the font runs past the end of the template";
            return false;
        }
    }
    return true;
}

bool readItem(TemplateReader &r, bool extended, DialogItem &item)
{
    if (!r.alignDword())
        return false;
    bool ok;
    if (extended) {
        ok = r.dword(item.helpId) && r.dword(item.exStyle) && r.dword(item.style);
    } else {
        ok = r.dword(item.style) && r.dword(item.exStyle);
    }
    ok = ok && r.coordinate(item.x) && r.coordinate(item.y) && r.coordinate(item.cx) &&
         r.coordinate(item.cy);
    if (!ok)
        return false;
    if (extended) {
        if (!r.dword(item.id))
            return false;
    } else {
        WORD id = 0;
        if (!r.word(id))
            return false;
        item.id = id;
    }
    WORD extra = 0;
    return r.nameOrOrdinal(item.windowClass) && r.nameOrOrdinal(item.title) && r.word(extra) &&
           r.bytes(extra, item.creationData);
}

} // namespace

bool parseDialogTemplate(const void *data, std::size_t size, DialogTemplate &out,
                         std::string &why)
{
    if (!data) {
        why = "no template";
        return false;
    }
    TemplateReader r(static_cast<const BYTE *>(data), size);
    DialogTemplate t;
    WORD count = 0;
    if (!readHeader(r, t, count, why))
        return false;
    t.items.resize(count);
    for (WORD i = 0; i < count; ++i) {
        if (!readItem(r, t.extended, t.items[i])) {
            why = "item " + std::to_string(i + 1) + " of " + std::to_string(count) +
                  " runs past the end of the template";
            return false;
        }
        if (t.items[i].windowClass.empty()) {
            why = "item " + std::to_string(i + 1) + " has no window class";
            return false;
        }
    }
    if (t.cx < 0 || t.cy < 0) {
        why = "the dialog has a negative size";
        return false;
    }
    out = std::move(t);
    return true;
}

} // namespace qms::ui

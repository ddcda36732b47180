// The ComboBox class: drop-down lists (CBS_DROPDOWNLIST) and drop-down combos with an edit
// field. A choice the user makes, with the mouse or the keyboard, sends CBN_SELENDOK, then
// CBN_SELCHANGE when the selection changed, then CBN_CLOSEUP when the list was open; the
// program's own CB_SETCURSEL sends nothing.
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

#include "platform/ui/qt/control.h"
#include "platform/ui/qt/text.h"
#include "platform/ui/text_buffer.h"

namespace qms::ui::qt {
namespace {

class ComboBoxControl final : public QComboBox, public Control {
public:
    ComboBoxControl(const ControlInfo &info, QWidget *dialog) : QComboBox(dialog), Control(info)
    {
        tag(this);
        setEditable((style_ & 0x3) != CBS_DROPDOWNLIST);
        setInsertPolicy(QComboBox::NoInsert);
        setMaxVisibleItems(30);
        setCurrentIndex(-1);
        connect(this, qOverload<int>(&QComboBox::activated), [this](int index) { chosen(index); });
        if (QLineEdit *edit = lineEdit()) {
            connect(edit, &QLineEdit::textEdited, [this] {
                command(CBN_EDITUPDATE);
                command(CBN_EDITCHANGE);
            });
        }
    }

    QWidget *widget() override { return this; }
    std::u16string text() override { return toU16(currentText()); }

    void setText(std::u16string_view text) override
    {
        const QString value = toQString(text);
        if (isEditable()) {
            setEditText(value);
        } else {
            setCurrentIndex(findText(value, Qt::MatchFixedString));
            committed_ = currentIndex();
        }
    }

    void showPopup() override
    {
        command(CBN_DROPDOWN);
        chosenInPopup_ = false;
        QComboBox::showPopup();
    }

    void hidePopup() override
    {
        QComboBox::hidePopup();
        // The choice, if any, is announced right after the list closes; the close follows it.
        QTimer::singleShot(0, this, [this] {
            if (!chosenInPopup_)
                command(CBN_SELENDCANCEL);
            command(CBN_CLOSEUP);
        });
    }

    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam, bool &handled) override
    {
        handled = true;
        const LRESULT result = answer(msg, wParam, lParam, handled);
        committed_ = currentIndex();
        return result;
    }

private:
    void chosen(int index)
    {
        chosenInPopup_ = true;
        command(CBN_SELENDOK);
        if (index != committed_) {
            committed_ = index;
            command(CBN_SELCHANGE);
        }
    }

    // Adding to an empty list selects nothing, unlike a QComboBox left to itself.
    void insert(int at, const QString &text)
    {
        const bool none = currentIndex() < 0;
        insertItem(at, text);
        if (none)
            setCurrentIndex(-1);
    }

    bool valid(WPARAM index) const { return static_cast<long long>(index) >= 0 && static_cast<int>(index) < count(); }

    // Where CB_ADDSTRING puts a string: at the end, or in order without regard to case.
    int addPosition(const QString &text) const
    {
        if (!(style_ & CBS_SORT))
            return count();
        int at = 0;
        while (at < count() && QString::compare(itemText(at), text, Qt::CaseInsensitive) <= 0)
            ++at;
        return at;
    }

    // The first item after `start` (wrapping round) whose text starts with, or equals, `text`.
    int find(WPARAM start, LPARAM text, bool exact) const
    {
        const QString wanted = fromWide(reinterpret_cast<LPCWSTR>(text));
        const int n = count();
        const int first = static_cast<int>(start) < 0 || static_cast<int>(start) >= n ? 0 : static_cast<int>(start) + 1;
        for (int k = 0; k < n; ++k) {
            const int i = (first + k) % n;
            const QString item = itemText(i);
            if (exact ? QString::compare(item, wanted, Qt::CaseInsensitive) == 0
                      : item.startsWith(wanted, Qt::CaseInsensitive))
                return i;
        }
        return CB_ERR;
    }

    LRESULT answer(UINT msg, WPARAM wParam, LPARAM lParam, bool &handled)
    {
        switch (msg) {
        case CB_ADDSTRING: {
            const QString text = fromWide(reinterpret_cast<LPCWSTR>(lParam));
            const int at = addPosition(text);
            insert(at, text);
            return at;
        }
        case CB_INSERTSTRING: {
            const auto at = static_cast<int>(wParam);
            if (at > count())
                return CB_ERR;
            const int position = at < 0 ? count() : at;
            insert(position, fromWide(reinterpret_cast<LPCWSTR>(lParam)));
            return position;
        }
        case CB_DELETESTRING:
            if (!valid(wParam))
                return CB_ERR;
            removeItem(static_cast<int>(wParam));
            return count();
        case CB_RESETCONTENT:
            clear();
            return 0;
        case CB_GETCOUNT:
            return count();
        case CB_GETCURSEL:
            return currentIndex();
        case CB_SETCURSEL:
            if (!valid(wParam)) {
                setCurrentIndex(-1);
                return CB_ERR;
            }
            setCurrentIndex(static_cast<int>(wParam));
            return currentIndex();
        case CB_GETLBTEXT: {
            if (!valid(wParam))
                return CB_ERR;
            const std::u16string item = toU16(itemText(static_cast<int>(wParam)));
            // The caller sized the buffer with CB_GETLBTEXTLEN.
            return copyText(item, reinterpret_cast<LPWSTR>(lParam), static_cast<long>(item.size()) + 1);
        }
        case CB_GETLBTEXTLEN:
            return valid(wParam) ? itemText(static_cast<int>(wParam)).size() : CB_ERR;
        case CB_FINDSTRING:
            return find(wParam, lParam, false);
        case CB_FINDSTRINGEXACT:
            return find(wParam, lParam, true);
        case CB_SELECTSTRING: {
            const int found = find(wParam, lParam, false);
            if (found != CB_ERR)
                setCurrentIndex(found);
            return found;
        }
        case CB_GETITEMDATA:
            return valid(wParam) ? static_cast<LRESULT>(itemData(static_cast<int>(wParam)).toLongLong()) : CB_ERR;
        case CB_SETITEMDATA:
            if (!valid(wParam))
                return CB_ERR;
            setItemData(static_cast<int>(wParam), QVariant::fromValue(static_cast<qlonglong>(lParam)));
            return TRUE;
        case CB_SHOWDROPDOWN:
            if (wParam)
                showPopup();
            else
                hidePopup();
            return TRUE;
        case CB_GETDROPPEDSTATE:
            return view()->isVisible() ? TRUE : FALSE;
        case CB_LIMITTEXT:
            if (QLineEdit *edit = lineEdit())
                edit->setMaxLength(wParam == 0 ? 0x7FFFFFFE : static_cast<int>(wParam));
            return TRUE;
        default:
            handled = false;
            return 0;
        }
    }

    int committed_ = -1;        // the selection as last announced or set by the program
    bool chosenInPopup_ = false;
};

} // namespace

Control *makeComboBox(const ControlInfo &info, QWidget *dialog)
{
    return new ComboBoxControl(info, dialog);
}

} // namespace qms::ui::qt

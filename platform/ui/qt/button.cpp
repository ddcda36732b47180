// The Button class: push buttons, check boxes (also push-like), radio buttons, group boxes.
// Auto styles change their own state before BN_CLICKED goes out; the others leave the state
// to the program, as the original does.
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include "platform/ui/qt/control.h"
#include "platform/ui/qt/text.h"

namespace qms::ui::qt {
namespace {

DWORD typeOf(DWORD style)
{
    return style & BS_TYPEMASK;
}

bool isAuto(DWORD type)
{
    return type == BS_AUTOCHECKBOX || type == BS_AUTO3STATE || type == BS_AUTORADIOBUTTON;
}

bool isCheckable(DWORD type)
{
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
           type == BS_AUTO3STATE || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

// The check state of any button widget, BST_* values.
template <class Base>
int checkState(Base *button)
{
    if constexpr (std::is_same_v<Base, QCheckBox>) {
        switch (button->checkState()) {
        case Qt::Checked: return BST_CHECKED;
        case Qt::PartiallyChecked: return BST_INDETERMINATE;
        default: return BST_UNCHECKED;
        }
    } else {
        return button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
    }
}

template <class Base>
void setCheckState(Base *button, WPARAM state)
{
    if constexpr (std::is_same_v<Base, QCheckBox>) {
        if (state == BST_INDETERMINATE && button->isTristate())
            button->setCheckState(Qt::PartiallyChecked);
        else
            button->setCheckState(state == BST_CHECKED ? Qt::Checked : Qt::Unchecked);
    } else {
        button->setChecked(state == BST_CHECKED);
    }
}

template <class Base>
class ButtonControl final : public Base, public Control {
public:
    ButtonControl(const ControlInfo &info, QWidget *dialog) : Base(dialog), Control(info)
    {
        tag(this);
        const DWORD type = typeOf(style_);
        Base::setText(toQString(info.item->title.name));
        if constexpr (std::is_same_v<Base, QCheckBox>)
            this->setTristate(type == BS_3STATE || type == BS_AUTO3STATE);
        if constexpr (std::is_same_v<Base, QPushButton>) {
            this->setCheckable(isCheckable(type));
            this->setAutoDefault(!this->isCheckable());
            this->setDefault(type == BS_DEFPUSHBUTTON);
        }
        if constexpr (std::is_same_v<Base, QRadioButton>)
            this->setAutoExclusive(false); // groups follow WS_GROUP, not the widget tree
        if (style_ & BS_LEFTTEXT)
            this->setLayoutDirection(Qt::RightToLeft);
        QObject::connect(this, &QAbstractButton::clicked, [this] { command(BN_CLICKED); });
    }

    QWidget *widget() override { return this; }
    std::u16string text() override { return toU16(Base::text()); }
    void setText(std::u16string_view text) override { Base::setText(toQString(text)); }

    LRESULT message(UINT msg, WPARAM wParam, LPARAM, bool &handled) override
    {
        handled = true;
        switch (msg) {
        case BM_GETCHECK:
            return this->isCheckable() ? checkState<Base>(this) : BST_UNCHECKED;
        case BM_SETCHECK:
            if (this->isCheckable())
                setCheckState<Base>(this, wParam);
            return 0;
        case BM_GETSTATE:
            return (this->isCheckable() ? checkState<Base>(this) : 0) |
                   (this->isDown() ? BST_PUSHED : 0) | (this->hasFocus() ? BST_FOCUS : 0);
        case BM_SETSTATE:
            this->setDown(wParam != 0);
            return 0;
        case BM_CLICK:
            this->click();
            return 0;
        case BM_SETSTYLE:
            if constexpr (std::is_same_v<Base, QPushButton>)
                this->setDefault(typeOf(static_cast<DWORD>(wParam)) == BS_DEFPUSHBUTTON);
            return 0;
        default:
            handled = false;
            return 0;
        }
    }

protected:
    void nextCheckState() override
    {
        const DWORD type = typeOf(style_);
        if (!isAuto(type))
            return; // the program sets the state in its BN_CLICKED handler
        if constexpr (std::is_same_v<Base, QCheckBox>) {
            if (type == BS_AUTO3STATE) {
                // unchecked -> checked -> indeterminate -> unchecked
                const Qt::CheckState s = this->checkState();
                this->setCheckState(s == Qt::Unchecked ? Qt::Checked
                                    : s == Qt::Checked ? Qt::PartiallyChecked
                                                       : Qt::Unchecked);
                return;
            }
        }
        if (type == BS_AUTORADIOBUTTON) {
            checkRadioGroup();
            return;
        }
        Base::nextCheckState();
    }

private:
    // An auto radio button checks itself and clears the others of its group: the run of
    // controls that starts at a WS_GROUP control, in template order.
    void checkRadioGroup()
    {
        std::vector<QAbstractButton *> group;
        bool mine = false;
        for (QObject *child : this->parentWidget()->children()) {
            auto *w = qobject_cast<QWidget *>(child);
            if (!w || !w->property("hwnd").isValid())
                continue;
            const auto handle = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(w->property("hwnd").toULongLong()));
            const auto style = static_cast<DWORD>(GetWindowLongW(handle, GWL_STYLE));
            if (style & WS_GROUP) {
                if (mine)
                    break;
                group.clear();
            }
            if (w == this)
                mine = true;
            if (auto *radio = qobject_cast<QRadioButton *>(w); radio && typeOf(style) == BS_AUTORADIOBUTTON)
                group.push_back(radio);
        }
        for (QAbstractButton *button : group)
            button->setChecked(button == this);
    }
};

class GroupBoxControl final : public QGroupBox, public Control {
public:
    GroupBoxControl(const ControlInfo &info, QWidget *dialog) : QGroupBox(dialog), Control(info)
    {
        tag(this);
        setTitle(toQString(info.item->title.name));
        // A frame around other controls: clicks go through to them, and it sits beneath them.
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        lower();
    }

    QWidget *widget() override { return this; }
    std::u16string text() override { return toU16(title()); }
    void setText(std::u16string_view text) override { setTitle(toQString(text)); }
};

} // namespace

Control *makeButton(const ControlInfo &info, QWidget *dialog)
{
    const DWORD type = typeOf(info.item->style);
    if (type == BS_GROUPBOX)
        return new GroupBoxControl(info, dialog);
    if ((info.item->style & BS_PUSHLIKE) || !isCheckable(type))
        return new ButtonControl<QPushButton>(info, dialog);
    if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON)
        return new ButtonControl<QRadioButton>(info, dialog);
    return new ButtonControl<QCheckBox>(info, dialog);
}

} // namespace qms::ui::qt

// The up-down class (msctls_updown32): two arrow buttons that step a position, optionally
// kept in a buddy control's text. Each step first asks the dialog with UDN_DELTAPOS (iPos the
// current position, iDelta the step; a nonzero answer refuses it and the dialog may change
// iDelta), then moves and sends WM_VSCROLL (WM_HSCROLL with UDS_HORZ) SB_THUMBPOSITION; the
// end of a press sends SB_ENDSCROLL. Holding an arrow repeats the step.
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTimer>
#include <algorithm>

#include "platform/ui/qt/control.h"
#include "platform/ui/qt/text.h"
#include "platform/ui/toolkit_services.h"

namespace qms::ui::qt {
namespace {

constexpr int firstRepeatMs = 500;
constexpr int repeatMs = 100;

class UpDownControl final : public QWidget, public Control {
public:
    UpDownControl(const ControlInfo &info, QWidget *dialog) : QWidget(dialog), Control(info)
    {
        tag(this);
        setFocusPolicy(Qt::NoFocus);
        repeat_.setSingleShot(false);
        connect(&repeat_, &QTimer::timeout, this, [this] {
            repeat_.setInterval(repeatMs);
            step(pressed_);
        });
    }

    ~UpDownControl() override { releaseBuddy(); }

    QWidget *widget() override { return this; }
    std::u16string text() override { return {}; }
    void setText(std::u16string_view) override {}

    void setBuddy(Control *buddy)
    {
        releaseBuddy();
        buddy_ = buddy;
        buddyWidget_ = buddy ? buddy->widget() : nullptr;
        if (!buddyWidget_)
            return;
        if (style_ & UDS_ARROWKEYS)
            buddyWidget_->installEventFilter(this);
        align();
        showPosition();
    }

    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam, bool &handled) override
    {
        handled = true;
        switch (msg) {
        case UDM_SETRANGE:
            lower_ = static_cast<short>(HIWORD(lParam));
            upper_ = static_cast<short>(LOWORD(lParam));
            setPosition(pos_);
            return 0;
        case UDM_GETRANGE:
            return MAKELRESULT(static_cast<WORD>(upper_), static_cast<WORD>(lower_));
        case UDM_SETRANGE32:
            lower_ = static_cast<int>(wParam);
            upper_ = static_cast<int>(lParam);
            setPosition(pos_);
            return 0;
        case UDM_GETRANGE32:
            if (wParam)
                *reinterpret_cast<LPINT>(wParam) = lower_;
            if (lParam)
                *reinterpret_cast<LPINT>(lParam) = upper_;
            return 0;
        case UDM_SETPOS: {
            const int old = pos_;
            setPosition(static_cast<short>(LOWORD(lParam)));
            return static_cast<WORD>(old);
        }
        case UDM_SETPOS32: {
            const int old = pos_;
            setPosition(static_cast<int>(lParam));
            return old;
        }
        case UDM_GETPOS: {
            const bool ok = readBuddy();
            return MAKELRESULT(static_cast<WORD>(pos_), ok ? 0 : 1);
        }
        case UDM_GETPOS32: {
            const bool ok = readBuddy();
            if (lParam)
                *reinterpret_cast<LPBOOL>(lParam) = ok ? FALSE : TRUE;
            return pos_;
        }
        case UDM_SETBUDDY: {
            const HWND old = buddyWidget_ ? buddy_->hwnd() : nullptr;
            auto *native = static_cast<NativeWindow *>(nativeOf(reinterpret_cast<HWND>(wParam)));
            setBuddy(dynamic_cast<Control *>(native));
            return reinterpret_cast<LRESULT>(old);
        }
        case UDM_GETBUDDY:
            return reinterpret_cast<LRESULT>(buddyWidget_ ? buddy_->hwnd() : nullptr);
        case UDM_SETBASE: {
            if (wParam != 10 && wParam != 16)
                return 0;
            const int old = base_;
            base_ = static_cast<int>(wParam);
            showPosition();
            return old;
        }
        case UDM_GETBASE:
            return base_;
        default:
            handled = false;
            return 0;
        }
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        for (int part = 0; part < 2; ++part) {
            const bool up = part == 0;
            QStyleOptionButton option;
            option.initFrom(this);
            option.rect = partRect(up);
            if (pressed_ == (up ? 1 : -1))
                option.state |= QStyle::State_Sunken;
            else
                option.state |= QStyle::State_Raised;
            style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &painter, this);
            const bool horizontal = style_ & UDS_HORZ;
            const QStyle::PrimitiveElement arrow =
                horizontal ? (up ? QStyle::PE_IndicatorArrowRight : QStyle::PE_IndicatorArrowLeft)
                           : (up ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown);
            option.rect = option.rect.adjusted(2, 2, -2, -2);
            style()->drawPrimitive(arrow, &option, &painter, this);
        }
    }

    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() != Qt::LeftButton || !isEnabled())
            return;
        pressed_ = partRect(true).contains(event->position().toPoint()) ? 1 : -1;
        update();
        step(pressed_);
        repeat_.setInterval(firstRepeatMs);
        repeat_.start();
    }

    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (event->button() != Qt::LeftButton || pressed_ == 0)
            return;
        endPress();
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // The arrow keys in the buddy step the position (UDS_ARROWKEYS).
        if (watched == buddyWidget_ && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            const bool horizontal = style_ & UDS_HORZ;
            const int upKey = horizontal ? Qt::Key_Right : Qt::Key_Up;
            const int downKey = horizontal ? Qt::Key_Left : Qt::Key_Down;
            if (key == upKey || key == downKey) {
                if (event->type() == QEvent::KeyPress) {
                    step(key == upKey ? 1 : -1);
                } else if (!static_cast<QKeyEvent *>(event)->isAutoRepeat()) {
                    sendScroll(horizontal, SB_ENDSCROLL, pos_);
                }
                return true;
            }
        }
        return QWidget::eventFilter(watched, event);
    }

private:
    QRect partRect(bool up) const
    {
        if (style_ & UDS_HORZ) {
            const int half = width() / 2;
            return up ? QRect(half, 0, width() - half, height()) : QRect(0, 0, half, height());
        }
        const int half = height() / 2;
        return up ? QRect(0, 0, width(), half) : QRect(0, half, width(), height() - half);
    }

    void endPress()
    {
        repeat_.stop();
        pressed_ = 0;
        update();
        sendScroll(style_ & UDS_HORZ, SB_ENDSCROLL, pos_);
    }

    // One step towards the upper end of the range (direction 1) or the lower (-1).
    void step(int direction)
    {
        readBuddy();
        NMUPDOWN change{};
        change.iPos = pos_;
        // "Up" goes towards the range's second number, which may be the smaller one.
        change.iDelta = upper_ >= lower_ ? direction : -direction;
        QPointer<UpDownControl> self(this);
        const LRESULT refused = notify(change.hdr, UDN_DELTAPOS);
        if (!self || refused)
            return;
        const int low = std::min(lower_, upper_);
        const int high = std::max(lower_, upper_);
        long long next = static_cast<long long>(pos_) + change.iDelta;
        if (next < low || next > high) {
            if (!(style_ & UDS_WRAP))
                next = std::clamp<long long>(next, low, high);
            else
                next = next < low ? high : low;
        }
        if (next == pos_)
            return;
        pos_ = static_cast<int>(next);
        showPosition();
        sendScroll(style_ & UDS_HORZ, SB_THUMBPOSITION, pos_);
    }

    void setPosition(int position)
    {
        pos_ = std::clamp(position, std::min(lower_, upper_), std::max(lower_, upper_));
        showPosition();
    }

    // With UDS_SETBUDDYINT the buddy shows the position: decimal with thousands separators
    // (unless UDS_NOTHOUSANDS) or hexadecimal.
    void showPosition()
    {
        if (!buddyWidget_ || !(style_ & UDS_SETBUDDYINT))
            return;
        QString text;
        if (base_ == 16) {
            text = QStringLiteral("0x") +
                   QString::number(static_cast<unsigned>(pos_), 16).toUpper().rightJustified(4, u'0');
        } else {
            text = QString::number(std::abs(static_cast<long long>(pos_)));
            if (!(style_ & UDS_NOTHOUSANDS)) {
                for (qsizetype at = text.size() - 3; at > 0; at -= 3)
                    text.insert(at, u',');
            }
            if (pos_ < 0)
                text.prepend(u'-');
        }
        buddy_->setText(toU16(text));
    }

    // With UDS_SETBUDDYINT the position is what the buddy shows; false when that is no number.
    bool readBuddy()
    {
        if (!buddyWidget_ || !(style_ & UDS_SETBUDDYINT))
            return true;
        QString text = toQString(buddy_->text()).trimmed();
        text.remove(u',');
        bool ok = false;
        const long long value = base_ == 16 ? text.toLongLong(&ok, 16) : text.toLongLong(&ok, 10);
        if (!ok || value < std::min(lower_, upper_) || value > std::max(lower_, upper_))
            return false;
        pos_ = static_cast<int>(value);
        return true;
    }

    // UDS_ALIGNRIGHT / UDS_ALIGNLEFT: beside the buddy's edge, the buddy giving up the room.
    void align()
    {
        if (!(style_ & (UDS_ALIGNRIGHT | UDS_ALIGNLEFT)) || !buddyWidget_)
            return;
        QRect b = buddyWidget_->geometry();
        const int w = width();
        if (style_ & UDS_ALIGNRIGHT) {
            setGeometry(b.right() + 1 - w, b.top(), w, b.height());
            b.setWidth(std::max(0, b.width() - w));
        } else {
            setGeometry(b.left(), b.top(), w, b.height());
            b.setLeft(b.left() + w);
        }
        buddyWidget_->setGeometry(b);
        raise();
    }

    void releaseBuddy()
    {
        if (buddyWidget_)
            buddyWidget_->removeEventFilter(this);
        buddy_ = nullptr;
        buddyWidget_ = nullptr;
    }

    int lower_ = 100; // the original's default range runs from 100 down to 0
    int upper_ = 0;
    int pos_ = 0;
    int base_ = 10;
    int pressed_ = 0; // 1 up, -1 down
    QTimer repeat_;
    Control *buddy_ = nullptr;      // valid while buddyWidget_ is
    QPointer<QWidget> buddyWidget_;
};

} // namespace

Control *makeUpDown(const ControlInfo &info, QWidget *dialog)
{
    return new UpDownControl(info, dialog);
}

void attachAutoBuddy(Control *upDown, Control *previous)
{
    if (auto *control = dynamic_cast<UpDownControl *>(upDown))
        control->setBuddy(previous);
}

} // namespace qms::ui::qt

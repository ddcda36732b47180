// The ScrollBar class. A scroll bar does not move by itself: the user's input sends
// WM_HSCROLL / WM_VSCROLL and the thumb stays where it was unless the program moves it (the
// thumb follows the mouse while it is dragged, and goes back if the program does not take the
// new position). Positions run from nMin to nMax - nPage + 1.
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "platform/ui/qt/control.h"

namespace qms::ui::qt {
namespace {

class ScrollBarControl final : public QScrollBar, public Control {
public:
    ScrollBarControl(const ControlInfo &info, QWidget *dialog)
        : QScrollBar((info.item->style & SBS_VERT) ? Qt::Vertical : Qt::Horizontal, dialog), Control(info)
    {
        tag(this);
        setTracking(false);
        setContextMenuPolicy(Qt::NoContextMenu);
        apply();
        connect(this, &QAbstractSlider::actionTriggered, [this](int action) { onAction(action); });
        connect(this, &QAbstractSlider::sliderMoved, [this](int position) {
            acted_ = true;
            sendScroll(vertical(), SB_THUMBTRACK, position);
        });
        connect(this, &QAbstractSlider::sliderPressed, [this] { acted_ = true; });
        connect(this, &QAbstractSlider::sliderReleased,
                [this] { sendScroll(vertical(), SB_THUMBPOSITION, sliderPosition()); });
    }

    QWidget *widget() override { return this; }
    std::u16string text() override { return {}; }
    void setText(std::u16string_view) override {}

    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam, bool &handled) override
    {
        handled = true;
        switch (msg) {
        case SBM_SETPOS: {
            const int old = pos_;
            pos_ = static_cast<int>(wParam);
            apply();
            return old;
        }
        case SBM_GETPOS:
            return pos_;
        case SBM_SETRANGE:
        case SBM_SETRANGEREDRAW: {
            const int old = pos_;
            min_ = static_cast<int>(wParam);
            max_ = static_cast<int>(lParam);
            apply();
            return old != pos_ ? old : 0;
        }
        case SBM_GETRANGE:
            if (wParam)
                *reinterpret_cast<LPINT>(wParam) = min_;
            if (lParam)
                *reinterpret_cast<LPINT>(lParam) = max_;
            return 0;
        case SBM_SETSCROLLINFO: {
            const auto *info = reinterpret_cast<LPCSCROLLINFO>(lParam);
            if (!info)
                return pos_;
            if (info->fMask & SIF_RANGE) {
                min_ = info->nMin;
                max_ = info->nMax;
            }
            if (info->fMask & SIF_PAGE)
                page_ = info->nPage;
            if (info->fMask & SIF_POS)
                pos_ = info->nPos;
            apply();
            return pos_;
        }
        case SBM_GETSCROLLINFO: {
            auto *info = reinterpret_cast<LPSCROLLINFO>(lParam);
            if (!info)
                return FALSE;
            if (info->fMask & SIF_RANGE) {
                info->nMin = min_;
                info->nMax = max_;
            }
            if (info->fMask & SIF_PAGE)
                info->nPage = page_;
            if (info->fMask & SIF_POS)
                info->nPos = pos_;
            if (info->fMask & SIF_TRACKPOS)
                info->nTrackPos = isSliderDown() ? sliderPosition() : pos_;
            return TRUE;
        }
        default:
            handled = false;
            return 0;
        }
    }

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        acted_ = false;
        QScrollBar::mousePressEvent(event);
    }

    void mouseReleaseEvent(QMouseEvent *event) override
    {
        QScrollBar::mouseReleaseEvent(event);
        endScroll();
    }

    void keyReleaseEvent(QKeyEvent *event) override
    {
        QScrollBar::keyReleaseEvent(event);
        endScroll();
    }

    void wheelEvent(QWheelEvent *event) override { event->ignore(); }

private:
    bool vertical() const { return orientation() == Qt::Vertical; }

    // The scroll bar's own values, clamped as the original clamps them, shown by the widget.
    void apply()
    {
        if (max_ < min_)
            max_ = min_;
        const long long span = static_cast<long long>(max_) - min_ + 1;
        page_ = static_cast<UINT>(std::min<long long>(page_, span));
        const int top = page_ > 0 ? static_cast<int>(max_ - static_cast<long long>(page_) + 1) : max_;
        pos_ = std::clamp(pos_, min_, std::max(top, min_));
        const QSignalBlocker quiet(this);
        setRange(min_, std::max(top, min_));
        setPageStep(static_cast<int>(page_));
        setValue(pos_);
    }

    void onAction(int action)
    {
        WORD code;
        switch (action) {
        case SliderSingleStepAdd: code = SB_LINEDOWN; break;
        case SliderSingleStepSub: code = SB_LINEUP; break;
        case SliderPageStepAdd: code = SB_PAGEDOWN; break;
        case SliderPageStepSub: code = SB_PAGEUP; break;
        case SliderToMinimum: code = SB_TOP; break;
        case SliderToMaximum: code = SB_BOTTOM; break;
        default:
            // The released thumb goes back unless the program took its position.
            setSliderPosition(pos_);
            return;
        }
        acted_ = true;
        // The bar stays put; the program decides where it goes.
        setSliderPosition(pos_);
        sendScroll(vertical(), code, 0);
    }

    void endScroll()
    {
        if (acted_)
            sendScroll(vertical(), SB_ENDSCROLL, 0);
        acted_ = false;
    }

    int min_ = 0;
    int max_ = 100;
    UINT page_ = 0;
    int pos_ = 0;
    bool acted_ = false;
};

} // namespace

Control *makeScrollBar(const ControlInfo &info, QWidget *dialog)
{
    return new ScrollBarControl(info, dialog);
}

} // namespace qms::ui::qt

// The trackbar class (msctls_trackbar32). Unlike a scroll bar, a trackbar moves itself and
// then tells its dialog: WM_HSCROLL (WM_VSCROLL when vertical) with TB_* codes, TB_THUMBTRACK
// while the thumb is dragged, TB_THUMBPOSITION when it is let go, TB_ENDTRACK at the end of
// any move. Keys follow the original: Left/Up and Page Up go down, Right/Down and Page Down go
// up, Home and End to the ends.
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSlider>
#include <QWheelEvent>
#include <algorithm>

#include "platform/ui/qt/control.h"

namespace qms::ui::qt {
namespace {

class TrackbarControl final : public QSlider, public Control {
public:
    TrackbarControl(const ControlInfo &info, QWidget *dialog)
        : QSlider((info.item->style & TBS_VERT) ? Qt::Vertical : Qt::Horizontal, dialog), Control(info)
    {
        tag(this);
        // The original's vertical trackbar has its minimum at the top.
        setInvertedAppearance(orientation() == Qt::Vertical);
        setTracking(true);
        setRange(0, 100);
        setSingleStep(1);
        setPageStep(20);
        applyTicks();
        connect(this, &QAbstractSlider::actionTriggered, [this](int action) { onAction(action); });
        connect(this, &QAbstractSlider::sliderReleased, [this] {
            moved_ = true;
            sendScroll(vertical(), TB_THUMBPOSITION, value());
        });
    }

    QWidget *widget() override { return this; }
    std::u16string text() override { return {}; }
    void setText(std::u16string_view) override {}

    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam, bool &handled) override
    {
        handled = true;
        const QSignalBlocker quiet(this);
        switch (msg) {
        case TBM_GETPOS:
            return value();
        case TBM_SETPOS:
            setValue(static_cast<int>(lParam));
            return 0;
        case TBM_GETRANGEMIN:
            return minimum();
        case TBM_GETRANGEMAX:
            return maximum();
        case TBM_SETRANGE:
            // Two signed 16-bit ends in one LPARAM.
            setRange(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
            rangeChanged();
            return 0;
        case TBM_SETRANGEMIN:
            setMinimum(static_cast<int>(lParam));
            rangeChanged();
            return 0;
        case TBM_SETRANGEMAX:
            setMaximum(static_cast<int>(lParam));
            rangeChanged();
            return 0;
        case TBM_SETTICFREQ:
            frequency_ = std::max(1, static_cast<int>(wParam));
            applyTicks();
            return 0;
        case TBM_SETTIC:
            if (lParam <= minimum() || lParam >= maximum())
                return FALSE;
            tics_.push_back(static_cast<int>(lParam));
            return TRUE;
        case TBM_GETTIC:
            return static_cast<std::size_t>(wParam) < tics_.size() ? tics_[wParam] : -1;
        case TBM_CLEARTICS:
            tics_.clear();
            return 0;
        case TBM_GETNUMTICS:
            return tickCount();
        case TBM_SETPAGESIZE: {
            const int old = pageStep();
            setPageStep(static_cast<int>(lParam));
            pageSet_ = true;
            return old;
        }
        case TBM_GETPAGESIZE:
            return pageStep();
        case TBM_SETLINESIZE: {
            const int old = singleStep();
            setSingleStep(static_cast<int>(lParam));
            return old;
        }
        case TBM_GETLINESIZE:
            return singleStep();
        default:
            handled = false;
            return 0;
        }
    }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        SliderAction action;
        switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Up: action = SliderSingleStepSub; break;
        case Qt::Key_Right:
        case Qt::Key_Down: action = SliderSingleStepAdd; break;
        case Qt::Key_PageUp: action = SliderPageStepSub; break;
        case Qt::Key_PageDown: action = SliderPageStepAdd; break;
        case Qt::Key_Home: action = SliderToMinimum; break;
        case Qt::Key_End: action = SliderToMaximum; break;
        default:
            QSlider::keyPressEvent(event);
            return;
        }
        triggerAction(action);
    }

    void keyReleaseEvent(QKeyEvent *event) override
    {
        QSlider::keyReleaseEvent(event);
        endTrack();
    }

    void mouseReleaseEvent(QMouseEvent *event) override
    {
        QSlider::mouseReleaseEvent(event);
        endTrack();
    }

    void wheelEvent(QWheelEvent *event) override
    {
        const int delta = event->angleDelta().y();
        if (delta != 0) {
            triggerAction(delta > 0 ? SliderSingleStepSub : SliderSingleStepAdd);
            endTrack();
        }
        event->accept();
    }

private:
    bool vertical() const { return orientation() == Qt::Vertical; }

    // The page is a fifth of the range until the program sets one.
    void rangeChanged()
    {
        if (!pageSet_)
            setPageStep(std::max(1, (maximum() - minimum()) / 5));
        applyTicks();
    }

    void applyTicks()
    {
        if (style_ & TBS_NOTICKS)
            setTickPosition(NoTicks);
        else if (style_ & TBS_BOTH)
            setTickPosition(TicksBothSides);
        else if (style_ & TBS_TOP)
            setTickPosition(TicksAbove);
        else
            setTickPosition(TicksBelow);
        // Without automatic ticks the original marks only the two ends.
        setTickInterval((style_ & TBS_AUTOTICKS) ? frequency_ : std::max(1, maximum() - minimum()));
    }

    // Both ends, the automatic ticks between them and those the program set.
    int tickCount() const
    {
        if (style_ & TBS_NOTICKS)
            return 0;
        int count = 2 + static_cast<int>(tics_.size());
        if (style_ & TBS_AUTOTICKS) {
            for (long long at = static_cast<long long>(minimum()) + frequency_; at < maximum(); at += frequency_)
                ++count;
        }
        return count;
    }

    void onAction(int action)
    {
        WORD code;
        switch (action) {
        case SliderSingleStepAdd: code = TB_LINEDOWN; break;
        case SliderSingleStepSub: code = TB_LINEUP; break;
        case SliderPageStepAdd: code = TB_PAGEDOWN; break;
        case SliderPageStepSub: code = TB_PAGEUP; break;
        case SliderToMinimum: code = TB_TOP; break;
        case SliderToMaximum: code = TB_BOTTOM; break;
        case SliderMove: code = TB_THUMBTRACK; break;
        default: return;
        }
        // The dialog sees the new position when it hears of the move.
        {
            const QSignalBlocker quiet(this);
            setValue(sliderPosition());
        }
        moved_ = true;
        sendScroll(vertical(), code, code == TB_THUMBTRACK ? value() : 0);
    }

    void endTrack()
    {
        if (moved_)
            sendScroll(vertical(), TB_ENDTRACK, 0);
        moved_ = false;
    }

    int frequency_ = 1;
    bool pageSet_ = false;
    bool moved_ = false;
    std::vector<int> tics_;
};

} // namespace

Control *makeTrackbar(const ControlInfo &info, QWidget *dialog)
{
    return new TrackbarControl(info, dialog);
}

} // namespace qms::ui::qt

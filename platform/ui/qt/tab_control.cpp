// The tab-control class (SysTabControl32): a row of tabs over a framed display area in which
// the dialog places its pages. A click on another tab sends TCN_SELCHANGING (a nonzero answer
// keeps the old tab) and then TCN_SELCHANGE; TCM_SETCURSEL changes the tab quietly.
#include <QPainter>
#include <QPointer>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>

#include "platform/ui/qt/control.h"
#include "platform/ui/qt/text.h"
#include "platform/ui/text_buffer.h"

namespace qms::ui::qt {
namespace {

class TabControl final : public QTabBar, public Control {
public:
    TabControl(const ControlInfo &info, QWidget *dialog) : QTabBar(dialog), Control(info)
    {
        tag(this);
        setExpanding(false);
        setDrawBase(false);
        setUsesScrollButtons(!(style_ & TCS_MULTILINE));
        if (style_ & TCS_FOCUSNEVER)
            setFocusPolicy(Qt::NoFocus);
        connect(this, &QTabBar::currentChanged, this, [this](int index) { userChose(index); });
    }

    QWidget *widget() override { return this; }
    std::u16string text() override { return {}; }
    void setText(std::u16string_view) override {}

    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam, bool &handled) override
    {
        handled = true;
        const QSignalBlocker quiet(this);
        const auto index = static_cast<int>(wParam);
        const LRESULT result = answer(msg, index, lParam, handled);
        current_ = currentIndex();
        return result;
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        // The frame of the display area below the tabs, then the tabs over its top edge.
        QPainter painter(this);
        QStyleOptionTabWidgetFrame frame;
        frame.initFrom(this);
        const int tabs = count() > 0 ? tabRect(0).height() : sizeHint().height();
        frame.rect = QRect(0, tabs - 1, width(), height() - tabs + 1);
        frame.tabBarSize = QSize(width(), tabs);
        style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
        painter.end();
        QTabBar::paintEvent(event);
    }

private:
    LRESULT answer(UINT msg, int index, LPARAM lParam, bool &handled)
    {
        switch (msg) {
        case TCM_GETITEMCOUNT:
            return count();
        case TCM_INSERTITEMW: {
            const auto *item = reinterpret_cast<const TCITEMW *>(lParam);
            if (!item || index < 0)
                return -1;
            const int at = insertTab(std::min(index, count()),
                                     (item->mask & TCIF_TEXT) ? withoutMnemonics(fromWide(item->pszText)) : QString());
            setTabData(at, QVariant::fromValue(static_cast<qlonglong>((item->mask & TCIF_PARAM) ? item->lParam : 0)));
            return at;
        }
        case TCM_SETITEMW: {
            const auto *item = reinterpret_cast<const TCITEMW *>(lParam);
            if (!item || index < 0 || index >= count())
                return FALSE;
            if (item->mask & TCIF_TEXT)
                setTabText(index, fromWide(item->pszText));
            if (item->mask & TCIF_PARAM)
                setTabData(index, QVariant::fromValue(static_cast<qlonglong>(item->lParam)));
            return TRUE;
        }
        case TCM_GETITEMW: {
            auto *item = reinterpret_cast<TCITEMW *>(lParam);
            if (!item || index < 0 || index >= count())
                return FALSE;
            if (item->mask & TCIF_TEXT)
                copyText(toU16(tabText(index)), item->pszText, item->cchTextMax);
            if (item->mask & TCIF_PARAM)
                item->lParam = static_cast<LPARAM>(tabData(index).toLongLong());
            return TRUE;
        }
        case TCM_DELETEITEM:
            if (index < 0 || index >= count())
                return FALSE;
            removeTab(index);
            return TRUE;
        case TCM_DELETEALLITEMS:
            while (count() > 0)
                removeTab(0);
            return TRUE;
        case TCM_GETCURSEL:
        case TCM_GETCURFOCUS:
            return currentIndex();
        case TCM_SETCURSEL:
        case TCM_SETCURFOCUS: {
            const int old = currentIndex();
            if (index < 0 || index >= count())
                return -1;
            setCurrentIndex(index);
            return old;
        }
        case TCM_GETITEMRECT: {
            auto *rect = reinterpret_cast<LPRECT>(lParam);
            if (!rect || index < 0 || index >= count())
                return FALSE;
            const QRect r = tabRect(index);
            *rect = RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
            return TRUE;
        }
        case TCM_ADJUSTRECT: {
            // Between the control's rectangle (wParam TRUE: wanted) and its display area.
            auto *rect = reinterpret_cast<LPRECT>(lParam);
            if (!rect)
                return 0;
            const int tabs = count() > 0 ? tabRect(0).height() : sizeHint().height();
            const int sign = index ? -1 : 1;
            rect->left += sign * 2;
            rect->right -= sign * 2;
            rect->top += sign * (tabs + 2);
            rect->bottom -= sign * 2;
            return 0;
        }
        default:
            handled = false;
            return 0;
        }
    }

    void userChose(int index)
    {
        const int previous = current_;
        if (index == previous)
            return;
        {
            // The dialog is asked while the old tab is still the current one.
            const QSignalBlocker quiet(this);
            setCurrentIndex(previous);
        }
        QPointer<TabControl> self(this);
        NMHDR ask{};
        if (notify(ask, TCN_SELCHANGING) != 0 || !self)
            return;
        {
            const QSignalBlocker quiet(this);
            setCurrentIndex(index);
        }
        current_ = index;
        NMHDR done{};
        notify(done, TCN_SELCHANGE);
    }

    int current_ = -1;
};

} // namespace

Control *makeTabControl(const ControlInfo &info, QWidget *dialog)
{
    return new TabControl(info, dialog);
}

} // namespace qms::ui::qt

// The backend's table of operations, as the window system calls them.
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QThread>

#include "platform/ui/backend.h"
#include "platform/ui/qt/application.h"
#include "platform/ui/qt/dialog_builder.h"
#include "platform/ui/qt/dialog_widget.h"
#include "platform/ui/qt/text.h"

namespace qms::ui::qt {

int messageBox(void *owner, std::u16string_view text, std::u16string_view caption, UINT type);
void *startTimer(unsigned milliseconds, void (*fire)(std::uint64_t), std::uint64_t cookie);
void stopTimer(void *timer);

namespace {

QWidget *widgetOf(void *native)
{
    return nativeWindow(native)->widget();
}

bool onUiThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

bool post(std::function<void()> task)
{
    QCoreApplication *app = QCoreApplication::instance();
    return app && QMetaObject::invokeMethod(app, std::move(task), Qt::QueuedConnection);
}

void pump(bool wait)
{
    QCoreApplication::processEvents(wait ? QEventLoop::WaitForMoreEvents : QEventLoop::AllEvents);
}

bool createDialog(const DialogTemplate &tmpl, DialogCreation &creation, std::string *why)
{
    return buildDialog(tmpl, creation, why);
}

void destroyDialog(void *native, bool now)
{
    if (!DialogWidget::alive(native))
        return; // went with its owner already
    auto *dialog = static_cast<DialogWidget *>(nativeWindow(native));
    dialog->hide();
    if (now)
        delete dialog;
    else
        dialog->deleteLater();
}

void runModal(void *native)
{
    static_cast<DialogWidget *>(nativeWindow(native))->runModal();
}

void endModal(void *native)
{
    if (DialogWidget::alive(native))
        static_cast<DialogWidget *>(nativeWindow(native))->endModal();
}

void show(void *native, bool visible)
{
    QWidget *w = widgetOf(native);
    w->setVisible(visible);
    if (visible && w->isWindow())
        bringToFront(w);
}

bool isVisible(void *native)
{
    return widgetOf(native)->isVisible();
}

void enable(void *native, bool enabled)
{
    widgetOf(native)->setEnabled(enabled);
}

bool isEnabled(void *native)
{
    return widgetOf(native)->isEnabled();
}

void setText(void *native, std::u16string_view text)
{
    nativeWindow(native)->setText(text);
}

std::u16string text(void *native)
{
    return nativeWindow(native)->text();
}

LRESULT controlMessage(void *native, UINT msg, WPARAM wParam, LPARAM lParam, bool *handled)
{
    *handled = false;
    return nativeWindow(native)->message(msg, wParam, lParam, *handled);
}

RECT toRect(const QRect &r)
{
    return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

void geometry(void *native, RECT *window, RECT *client)
{
    QWidget *w = widgetOf(native);
    if (w->isWindow()) {
        *window = toRect(w->frameGeometry());
    } else {
        const QPoint origin = w->mapToGlobal(QPoint(0, 0));
        *window = toRect(QRect(origin, w->size()));
    }
    *client = RECT{0, 0, w->width(), w->height()};
}

void move(void *native, int x, int y, int width, int height, unsigned what)
{
    QWidget *w = widgetOf(native);
    if (what & MoveOrigin)
        w->move(x, y);
    if (what & MoveSize) {
        if (w->isWindow() && w->minimumSize() == w->maximumSize())
            w->setFixedSize(std::max(width, 0), std::max(height, 0));
        else
            w->resize(std::max(width, 0), std::max(height, 0));
    }
    if (what & MoveToTop) {
        if (w->isWindow())
            bringToFront(w);
        else
            w->raise();
    }
    if (what & MoveToBottom)
        w->lower();
}

void mapPoint(void *from, void *to, POINT *point)
{
    QPoint p(point->x, point->y);
    if (from)
        p = widgetOf(from)->mapToGlobal(p);
    if (to)
        p = widgetOf(to)->mapFromGlobal(p);
    *point = POINT{p.x(), p.y()};
}

void setFocus(void *native)
{
    widgetOf(native)->setFocus(Qt::OtherFocusReason);
}

// The window a focused widget belongs to: a combo box's line edit stands for the combo box.
HWND focus()
{
    for (QWidget *w = QApplication::focusWidget(); w; w = w->parentWidget()) {
        const QVariant handle = w->property("hwnd");
        if (handle.isValid())
            return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(handle.toULongLong()));
    }
    return nullptr;
}

void invalidate(void *native, const RECT *rect)
{
    QWidget *w = widgetOf(native);
    if (rect)
        w->update(QRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top));
    else
        w->update();
}

void repaint(void *native)
{
    widgetOf(native)->repaint();
}

bool sysColor(int index, COLORREF *color)
{
    const QPalette palette = QApplication::palette();
    QPalette::ColorRole role;
    QPalette::ColorGroup group = QPalette::Active;
    switch (index) {
    case COLOR_BTNFACE:
    case COLOR_MENU:
    case COLOR_SCROLLBAR:
    case COLOR_ACTIVEBORDER:
    case COLOR_INACTIVEBORDER:
        role = QPalette::Window;
        break;
    case COLOR_WINDOW:
        role = QPalette::Base;
        break;
    case COLOR_WINDOWTEXT:
    case COLOR_MENUTEXT:
        role = QPalette::Text;
        break;
    case COLOR_BTNTEXT:
        role = QPalette::ButtonText;
        break;
    case COLOR_HIGHLIGHT:
        role = QPalette::Highlight;
        break;
    case COLOR_HIGHLIGHTTEXT:
        role = QPalette::HighlightedText;
        break;
    case COLOR_GRAYTEXT:
        role = QPalette::Text;
        group = QPalette::Disabled;
        break;
    case COLOR_BTNSHADOW:
        role = QPalette::Dark;
        break;
    case COLOR_BTNHIGHLIGHT:
        role = QPalette::Light;
        break;
    case COLOR_3DDKSHADOW:
        role = QPalette::Shadow;
        break;
    case COLOR_3DLIGHT:
        role = QPalette::Midlight;
        break;
    case COLOR_INFOTEXT:
        role = QPalette::ToolTipText;
        break;
    case COLOR_INFOBK:
        role = QPalette::ToolTipBase;
        break;
    default:
        return false;
    }
    *color = toColorRef(palette.color(group, role));
    return true;
}

bool snapshot(void *native, const char *pngPath)
{
    QWidget *w = widgetOf(native);
    w->ensurePolished();
    return w->grab().save(QString::fromLocal8Bit(pngPath), "PNG");
}

bool start(std::string *why)
{
    return startApplication(why);
}

const BackendOps ops = {
    .version = backendVersion,
    .start = start,
    .onUiThread = onUiThread,
    .post = post,
    .pump = pump,
    .createDialog = createDialog,
    .destroyDialog = destroyDialog,
    .runModal = runModal,
    .endModal = endModal,
    .show = show,
    .isVisible = isVisible,
    .enable = enable,
    .isEnabled = isEnabled,
    .setText = setText,
    .text = text,
    .controlMessage = controlMessage,
    .geometry = geometry,
    .move = move,
    .mapPoint = mapPoint,
    .setFocus = setFocus,
    .focus = focus,
    .invalidate = invalidate,
    .repaint = repaint,
    .startTimer = startTimer,
    .stopTimer = stopTimer,
    .messageBox = messageBox,
    .sysColor = sysColor,
    .snapshot = snapshot,
};

} // namespace
} // namespace qms::ui::qt

extern "C" __attribute__((visibility("default"))) const qms::ui::BackendOps *qms_ui_backend()
{
    return &qms::ui::qt::ops;
}

#include "platform/ui/qt/dialog_widget.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPointer>
#include <QPushButton>
#include <unordered_set>

#include "platform/ui/qt/text.h"
#include "platform/ui/toolkit_services.h"

namespace qms::ui::qt {
void bringToFront(QWidget *window)
{
    // The offscreen platform has no stacking of windows (and says so on every try).
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return;
    window->raise();
    window->activateWindow();
}

namespace {

std::unordered_set<const void *> &liveDialogs()
{
    static auto *set = new std::unordered_set<const void *>;
    return *set;
}

} // namespace

DialogWidget::DialogWidget(HWND hwnd, QWidget *parent, bool child)
    : QDialog(parent, child ? Qt::Widget
                            : Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                  Qt::WindowCloseButtonHint),
      NativeWindow(hwnd), child_(child)
{
    setProperty("hwnd", static_cast<qulonglong>(reinterpret_cast<std::uintptr_t>(hwnd)));
    setSizeGripEnabled(false);
    // QDialog makes itself a window whatever the flags say; a page is a child widget.
    if (child)
        setWindowFlags(Qt::Widget);
    liveDialogs().insert(static_cast<NativeWindow *>(this));
}

DialogWidget::~DialogWidget()
{
    liveDialogs().erase(static_cast<NativeWindow *>(this));
    if (loop_)
        loop_->exit(0);
}

bool DialogWidget::alive(const void *dialog)
{
    return liveDialogs().count(dialog) != 0;
}

std::u16string DialogWidget::text()
{
    return toU16(windowTitle());
}

void DialogWidget::setText(std::u16string_view text)
{
    setWindowTitle(toQString(text));
}

void DialogWidget::runModal()
{
    // Modal over its owner; over the whole program when it has none.
    setWindowModality(parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);
    show();
    bringToFront(this);
    if (endRequested_)
        return;
    QPointer<DialogWidget> self(this);
    QEventLoop loop;
    loop_ = &loop;
    loop.exec(QEventLoop::DialogExec);
    if (self) {
        self->loop_ = nullptr;
        self->hide();
        self->setWindowModality(Qt::NonModal);
    }
}

void DialogWidget::endModal()
{
    endRequested_ = true;
    if (loop_)
        loop_->exit(0);
}

void DialogWidget::pressDefaultButton()
{
    // A focused push button takes Enter itself; otherwise the default button's command goes
    // out, IDOK when there is none, and nothing when the default button is disabled.
    if (auto *button = qobject_cast<QPushButton *>(QApplication::focusWidget());
        button && button->window() == window() && !button->isCheckable()) {
        button->click();
        return;
    }
    const LRESULT def = SendMessageW(hwnd_, DM_GETDEFID, 0, 0);
    const int id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
    const HWND button = GetDlgItem(hwnd_, id);
    if (button && !IsWindowEnabled(button))
        return;
    SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void DialogWidget::keyPressEvent(QKeyEvent *event)
{
    if (child_ || event->modifiers() & ~(Qt::KeypadModifier)) {
        // A page leaves its keys to the dialog it sits in.
        event->ignore();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Escape:
        reject();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        pressDefaultButton();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void DialogWidget::reject()
{
    const HWND cancel = GetDlgItem(hwnd_, IDCANCEL);
    SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
}

void DialogWidget::closeEvent(QCloseEvent *event)
{
    // The window goes only when the procedure ends or destroys it.
    event->ignore();
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void DialogWidget::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    const QRect area = event->rect();
    paintWindow(hwnd_, RECT{area.left(), area.top(), area.right() + 1, area.bottom() + 1});
}

} // namespace qms::ui::qt

#include "tests/platform/ui/ui_fixture.h"

#include <QTimer>
#include <cstdlib>

#include "tests/support/offscreen_ui.h"

namespace qms::ui::test {

INT_PTR Recorder::proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG)
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    auto *self = reinterpret_cast<Recorder *>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self)
        return FALSE;
    const UINT code = msg == WM_NOTIFY ? reinterpret_cast<const NMHDR *>(lParam)->code : 0;
    self->log.push_back(Message{msg, wParam, lParam, code});
    return self->handler ? self->handler(hwnd, msg, wParam, lParam) : FALSE;
}

std::vector<WORD> Recorder::commands(int id) const
{
    std::vector<WORD> codes;
    for (const Message &m : log) {
        if (m.msg == WM_COMMAND && LOWORD(m.wParam) == static_cast<WORD>(id))
            codes.push_back(HIWORD(m.wParam));
    }
    return codes;
}

std::vector<UINT> Recorder::notifications(int id) const
{
    std::vector<UINT> codes;
    for (const Message &m : log) {
        if (m.msg == WM_NOTIFY && static_cast<int>(m.wParam) == id)
            codes.push_back(m.code);
    }
    return codes;
}

std::vector<WORD> Recorder::scrolls(HWND control) const
{
    std::vector<WORD> codes;
    for (const Message &m : log) {
        if ((m.msg == WM_HSCROLL || m.msg == WM_VSCROLL) && reinterpret_cast<HWND>(m.lParam) == control)
            codes.push_back(LOWORD(m.wParam));
    }
    return codes;
}

bool Recorder::got(UINT msg) const
{
    for (const Message &m : log) {
        if (m.msg == msg)
            return true;
    }
    return false;
}

LPCDLGTEMPLATEW dialogTemplate(int id)
{
    const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), RT_DIALOG);
    return found ? static_cast<LPCDLGTEMPLATEW>(LockResource(LoadResource(nullptr, found))) : nullptr;
}

QWidget *widgetOf(HWND hwnd)
{
    const auto wanted = static_cast<qulonglong>(reinterpret_cast<std::uintptr_t>(hwnd));
    for (QWidget *w : QApplication::allWidgets()) {
        const QVariant handle = w->property("hwnd");
        if (handle.isValid() && handle.toULongLong() == wanted)
            return w;
    }
    return nullptr;
}

TestDialog::TestDialog(int templateId, Recorder &recorder, HWND parent)
    : hwnd_(CreateDialogIndirectParamW(nullptr, dialogTemplate(templateId), parent, Recorder::proc,
                                       reinterpret_cast<LPARAM>(&recorder)))
{
    // Input needs a window that is shown.
    if (hwnd_)
        ShowWindow(hwnd_, SW_SHOW);
}

TestDialog::~TestDialog()
{
    if (IsWindow(hwnd_))
        DestroyWindow(hwnd_);
    processEvents();
}

void whenModal(std::function<void(QWidget *)> act)
{
    ASSERT_EQ(qms_ui_start(), 0);
    // Fires inside the modal loop: the window is up by then.
    QTimer::singleShot(0, qApp, [act] {
        QWidget *modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        act(modal);
    });
}

QAbstractButton *buttonWithText(QWidget *window, const QString &text)
{
    for (QAbstractButton *b : window->findChildren<QAbstractButton *>()) {
        if (b->text().remove(u'&') == text)
            return b;
    }
    return nullptr;
}

void processEvents()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace qms::ui::test

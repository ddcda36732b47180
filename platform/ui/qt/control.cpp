#include "platform/ui/qt/control.h"

#include <QVariant>

namespace qms::ui::qt {

void NativeWindow::tag(QWidget *widget, int controlId)
{
    widget->setProperty("controlId", controlId);
    widget->setProperty("hwnd", static_cast<qulonglong>(reinterpret_cast<std::uintptr_t>(hwnd_)));
}

Control::Control(const ControlInfo &info)
    : NativeWindow(info.hwnd), dialog_(info.dialog), id_(static_cast<int>(info.item->id)),
      style_(info.item->style)
{
}

void Control::command(WORD code)
{
    SendMessageW(dialog_, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id_), code),
                 reinterpret_cast<LPARAM>(hwnd_));
}

LRESULT Control::notify(NMHDR &header, UINT code)
{
    header.hwndFrom = hwnd_;
    header.idFrom = static_cast<UINT_PTR>(id_);
    header.code = code;
    return SendMessageW(dialog_, WM_NOTIFY, static_cast<WPARAM>(id_), reinterpret_cast<LPARAM>(&header));
}

void Control::sendScroll(bool vertical, WORD code, int position)
{
    SendMessageW(dialog_, vertical ? WM_VSCROLL : WM_HSCROLL,
                 MAKEWPARAM(code, static_cast<WORD>(position)), reinterpret_cast<LPARAM>(hwnd_));
}

} // namespace qms::ui::qt

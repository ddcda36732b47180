// The backend's object for a window: what the window system's `native` pointer names.
#pragma once

#include <QWidget>
#include <string>
#include <string_view>

#include "platform/ui/control_class.h"
#include "qms_ui.h"

namespace qms::ui::qt {

class NativeWindow {
public:
    explicit NativeWindow(HWND hwnd) : hwnd_(hwnd) {}
    virtual ~NativeWindow() = default;
    NativeWindow(const NativeWindow &) = delete;
    NativeWindow &operator=(const NativeWindow &) = delete;

    virtual QWidget *widget() = 0;
    virtual std::u16string text() = 0;
    virtual void setText(std::u16string_view text) = 0;
    // A message of the window's class; `handled` stays false for others.
    virtual LRESULT message(UINT, WPARAM, LPARAM, bool &) { return 0; }

    HWND hwnd() const { return hwnd_; }

protected:
    // The properties outside test suites find windows by.
    void tag(QWidget *widget, int controlId);

    const HWND hwnd_;
};

inline NativeWindow *nativeWindow(void *native)
{
    return static_cast<NativeWindow *>(native);
}

} // namespace qms::ui::qt

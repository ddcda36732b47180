// What every control widget shares: its place in the dialog and the notifications it sends
// to the dialog's procedure.
#pragma once

#include "platform/ui/dialog_template.h"
#include "platform/ui/qt/native.h"

namespace qms::ui::qt {

struct ControlInfo {
    HWND hwnd = nullptr;
    HWND dialog = nullptr;
    const DialogItem *item = nullptr;
};

class Control : public NativeWindow {
public:
    explicit Control(const ControlInfo &info);

    int id() const { return id_; }

protected:
    // WM_COMMAND with the control's ID and the code.
    void command(WORD code);
    // WM_NOTIFY: fills in the header and returns the dialog's answer.
    LRESULT notify(NMHDR &header, UINT code);
    // WM_HSCROLL, or WM_VSCROLL when vertical.
    void sendScroll(bool vertical, WORD code, int position);
    void tag(QWidget *widget) { NativeWindow::tag(widget, id_); }

    const HWND dialog_;
    const int id_;
    const DWORD style_;
};

// One factory per class; each makes its widget as a child of the dialog.
Control *makeButton(const ControlInfo &info, QWidget *dialog);
Control *makeEdit(const ControlInfo &info, QWidget *dialog);
Control *makeStatic(const ControlInfo &info, QWidget *dialog);
Control *makeScrollBar(const ControlInfo &info, QWidget *dialog);
Control *makeComboBox(const ControlInfo &info, QWidget *dialog);
Control *makeTrackbar(const ControlInfo &info, QWidget *dialog);
Control *makeUpDown(const ControlInfo &info, QWidget *dialog);
Control *makeListView(const ControlInfo &info, QWidget *dialog);
Control *makeTabControl(const ControlInfo &info, QWidget *dialog);
Control *makeTreeView(const ControlInfo &info, QWidget *dialog);

// An up-down control's buddy, once every control of the dialog exists.
void attachAutoBuddy(Control *upDown, Control *previous);

} // namespace qms::ui::qt

// Shared pieces of the window-system tests: a recording dialog procedure, dialogs made from
// the test script's templates, and ways to reach their widgets the way an outside test suite
// does (by the properties "controlId" and "hwnd").
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QVariant>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

#include "qms_ui.h"
#include "tests/platform/ui/test_ids.h"

namespace qms::ui::test {

struct Message {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    UINT code; // WM_NOTIFY: the notification code
};

// A dialog procedure that keeps every message it gets; `handler`, when set, answers them.
class Recorder {
public:
    std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)> handler;
    std::vector<Message> log;

    static INT_PTR proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    // Notification codes of WM_COMMAND messages from one control, in order.
    std::vector<WORD> commands(int id) const;
    // WM_NOTIFY codes from one control, in order.
    std::vector<UINT> notifications(int id) const;
    // WM_HSCROLL / WM_VSCROLL codes (LOWORD) sent for one control, in order.
    std::vector<WORD> scrolls(HWND control) const;
    bool got(UINT msg) const;
    void clear() { log.clear(); }
};

LPCDLGTEMPLATEW dialogTemplate(int id);

// Every widget of the program, found by one of the window system's handles.
QWidget *widgetOf(HWND hwnd);

template <class W = QWidget>
W *controlWidget(HWND dialog, int id)
{
    QWidget *d = widgetOf(dialog);
    if (!d)
        return nullptr;
    for (QWidget *w : d->findChildren<QWidget *>()) {
        if (w->property("controlId").isValid() && w->property("controlId").toInt() == id)
            return qobject_cast<W *>(w);
    }
    return nullptr;
}

// A modeless dialog from the test script, destroyed with the object.
class TestDialog {
public:
    TestDialog(int templateId, Recorder &recorder, HWND parent = nullptr);
    ~TestDialog();
    TestDialog(const TestDialog &) = delete;
    TestDialog &operator=(const TestDialog &) = delete;

    HWND hwnd() const { return hwnd_; }
    HWND item(int id) const { return GetDlgItem(hwnd_, id); }
    QDialog *widget() const { return qobject_cast<QDialog *>(widgetOf(hwnd_)); }
    template <class W = QWidget>
    W *control(int id) const
    {
        return controlWidget<W>(hwnd_, id);
    }

private:
    HWND hwnd_;
};

// Lets the toolkit handle what is pending, deferred deletions included.
void processEvents();

// Runs `act` with the modal window of type W once the modal loop about to start (a dialog's
// or a message box's) is running; the application object is made first if need be.
void whenModal(std::function<void(QWidget *)> act);

// The button of a message box or dialog with that text.
QAbstractButton *buttonWithText(QWidget *window, const QString &text);

} // namespace qms::ui::test

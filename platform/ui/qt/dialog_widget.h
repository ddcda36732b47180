// A dialog: a real QDialog whose keys, closing and painting go to the dialog's procedure the
// way the original's dialog manager sends them.
#pragma once

#include <QDialog>
#include <QEventLoop>

#include "platform/ui/qt/native.h"

namespace qms::ui::qt {

// Raises a window and gives it the focus where the platform stacks windows.
void bringToFront(QWidget *window);

class DialogWidget final : public QDialog, public NativeWindow {
public:
    DialogWidget(HWND hwnd, QWidget *parent, bool child);
    ~DialogWidget() override;

    QWidget *widget() override { return this; }
    std::u16string text() override;
    void setText(std::u16string_view text) override;

    void runModal();
    void endModal();

    // Whether a pointer still names a dialog (its owner may have taken it down with itself).
    static bool alive(const void *dialog);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

public:
    // Qt's own ways of ending a dialog go through the dialog's procedure instead.
    void reject() override;
    void accept() override {}
    void done(int) override {}

private:
    void pressDefaultButton();

    const bool child_;
    QEventLoop *loop_ = nullptr;
    bool endRequested_ = false;
};

} // namespace qms::ui::qt

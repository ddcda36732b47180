// Driving the configuration dialogs as a person would, offscreen: finding the dialog that is
// up, clicking, choosing and typing in its controls (found by their "controlId"), and
// answering the message boxes as they come, keeping what each said.
#pragma once

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace qms::test {

struct ShownBox {
    QString caption;
    QString text;
    bool operator==(const ShownBox &) const = default;
};
void PrintTo(const ShownBox &box, std::ostream *out);

// Answers every message box the moment it is shown: with the next queued answer, else with
// OK (a question without a queued answer is a test failure, answered No).
class BoxAnswerer : public QObject {
public:
    BoxAnswerer();
    ~BoxAnswerer() override;

    void answer(QMessageBox::StandardButton button) { answers_.push_back(button); }
    const std::vector<ShownBox> &shown() const { return shown_; }
    // The boxes shown since the last call.
    std::vector<ShownBox> take();
    // Waits (events running) until `count` boxes in all were shown.
    bool waitForBoxes(size_t count, int timeoutMs = 5000) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::deque<QMessageBox::StandardButton> answers_;
    std::vector<ShownBox> shown_;
    size_t taken_ = 0;
};

// The visible dialog (not a message box) whose title starts with `title`, or null.
QDialog *FindDialog(const QString &title);
// Waits (events running) until such a dialog is up.
QDialog *WaitForDialog(const QString &title, int timeoutMs = 10000);

QWidget *Control(QWidget *dialog, int id);
template <class W>
W *ControlAs(QWidget *dialog, int id)
{
    return qobject_cast<W *>(Control(dialog, id));
}
QString TextOf(QWidget *dialog, int id);

void Click(QWidget *dialog, int id);
// Opens the drop-down list and clicks entry `index`, as a person chooses.
void Choose(QWidget *dialog, int id, int index);
// Selects the field's text and types `text` over it.
void TypeInto(QWidget *dialog, int id, const QString &text);
// Waits (events running) until the control shows `text`.
bool WaitForText(QWidget *dialog, int id, const QString &text, int timeoutMs = 5000);

// Runs `script` once the event loop of the modal dialog about to start is running.
void WhenRunning(std::function<void()> script);

} // namespace qms::test

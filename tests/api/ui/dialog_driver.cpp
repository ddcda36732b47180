#include "tests/api/ui/dialog_driver.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QtTest/QTest>
#include <cstdlib>
#include <ostream>

#include "qms_ui.h"
#include "tests/support/offscreen_ui.h"

namespace qms::test {

void PrintTo(const ShownBox &box, std::ostream *out)
{
    *out << "[" << box.caption.toStdString() << "] " << box.text.toStdString();
}

BoxAnswerer::BoxAnswerer()
{
    EXPECT_EQ(qms_ui_start(), 0);
    qApp->installEventFilter(this);
}

BoxAnswerer::~BoxAnswerer() { qApp->removeEventFilter(this); }

std::vector<ShownBox> BoxAnswerer::take()
{
    std::vector<ShownBox> recent(shown_.begin() + static_cast<std::ptrdiff_t>(taken_), shown_.end());
    taken_ = shown_.size();
    return recent;
}

bool BoxAnswerer::waitForBoxes(size_t count, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return shown_.size() >= count; }, timeoutMs);
}

bool BoxAnswerer::eventFilter(QObject *watched, QEvent *event)
{
    auto *box = qobject_cast<QMessageBox *>(watched);
    if (box && event->type() == QEvent::Show) {
        shown_.push_back({box->windowTitle(), box->text()});
        QMessageBox::StandardButton button = QMessageBox::Ok;
        if (!answers_.empty()) {
            button = answers_.front();
            answers_.pop_front();
        } else if (box->button(QMessageBox::Yes)) {
            ADD_FAILURE() << "unexpected question: " << box->text().toStdString();
            button = QMessageBox::No;
        }
        QPointer<QMessageBox> target(box);
        QTimer::singleShot(0, qApp, [target, button] {
            if (!target)
                return;
            if (QAbstractButton *b = target->button(button))
                b->click();
            else
                ADD_FAILURE() << "the box has no such button: " << target->text().toStdString();
        });
    }
    return false;
}

QDialog *FindDialog(const QString &title)
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        auto *dialog = qobject_cast<QDialog *>(w);
        if (dialog && !qobject_cast<QMessageBox *>(w) && dialog->isVisible() && dialog->windowTitle().startsWith(title))
            return dialog;
    }
    return nullptr;
}

QDialog *WaitForDialog(const QString &title, int timeoutMs)
{
    QDialog *found = nullptr;
    (void)QTest::qWaitFor([&] { return (found = FindDialog(title)) != nullptr; }, timeoutMs);
    return found;
}

QWidget *Control(QWidget *dialog, int id)
{
    if (!dialog)
        return nullptr;
    for (QWidget *w : dialog->findChildren<QWidget *>()) {
        const QVariant controlId = w->property("controlId");
        if (controlId.isValid() && controlId.toInt() == id)
            return w;
    }
    return nullptr;
}

QString TextOf(QWidget *dialog, int id)
{
    QWidget *w = Control(dialog, id);
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        return edit->text();
    if (auto *combo = qobject_cast<QComboBox *>(w))
        return combo->currentText();
    if (auto *button = qobject_cast<QAbstractButton *>(w))
        return button->text();
    return w ? w->property("text").toString() : QString();
}

void Click(QWidget *dialog, int id)
{
    QWidget *w = Control(dialog, id);
    ASSERT_NE(w, nullptr) << "no control " << id;
    QTest::mouseClick(w, Qt::LeftButton);
}

void Choose(QWidget *dialog, int id, int index)
{
    auto *combo = ControlAs<QComboBox>(dialog, id);
    ASSERT_NE(combo, nullptr) << "no list " << id;
    ASSERT_TRUE(combo->isEnabled()) << "list " << id << " is disabled";
    combo->showPopup();
    QAbstractItemView *list = combo->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    const QRect item = list->visualRect(list->model()->index(index, 0));
    // The item may be wider than the list shows: click inside what is shown.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(list->viewport()->width() / 2, item.center().y()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !list->window()->isVisible(); }));
    ASSERT_EQ(combo->currentIndex(), index);
}

void TypeInto(QWidget *dialog, int id, const QString &text)
{
    auto *edit = ControlAs<QLineEdit>(dialog, id);
    ASSERT_NE(edit, nullptr) << "no field " << id;
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

bool WaitForText(QWidget *dialog, int id, const QString &text, int timeoutMs)
{
    return QTest::qWaitFor([&] { return TextOf(dialog, id) == text; }, timeoutMs);
}

void WhenRunning(std::function<void()> script)
{
    ASSERT_EQ(qms_ui_start(), 0);
    QTimer::singleShot(0, qApp, std::move(script));
}

} // namespace qms::test

// MessageBoxW as a QMessageBox: the caption as its title, the text as plain text, the
// standard buttons of the box's type, modal over the owner.
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>

#include "platform/ui/qt/native.h"
#include "platform/ui/qt/text.h"

namespace qms::ui::qt {
namespace {

struct ButtonRow {
    QMessageBox::StandardButton button;
    int id;
};

// Boxes without a Cancel button (other than OK alone) cannot be escaped from.
class EscapeBlocker final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
            return true;
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

std::vector<ButtonRow> buttonsOf(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_ABORTRETRYIGNORE:
        return {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
    case MB_YESNOCANCEL:
        return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNO:
        return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    case MB_RETRYCANCEL:
        return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
    default:
        return {{QMessageBox::Ok, IDOK}};
    }
}

QMessageBox::Icon iconOf(UINT type)
{
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONASTERISK: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

} // namespace

int messageBox(void *owner, std::u16string_view text, std::u16string_view caption, UINT type)
{
    QWidget *parent = owner ? nativeWindow(owner)->widget() : nullptr;
    QPointer<QMessageBox> box = new QMessageBox(parent);
    box->setWindowTitle(toQString(caption));
    box->setText(toQString(text));
    box->setTextFormat(Qt::PlainText);
    box->setIcon(iconOf(type));
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    const std::vector<ButtonRow> rows = buttonsOf(type);
    QMessageBox::StandardButtons buttons;
    for (const ButtonRow &row : rows)
        buttons |= row.button;
    box->setStandardButtons(buttons);
    const std::size_t defaultIndex = (type & MB_DEFMASK) >> 8;
    box->setDefaultButton(rows[defaultIndex < rows.size() ? defaultIndex : 0].button);
    QMessageBox::StandardButton escape = QMessageBox::NoButton;
    for (const ButtonRow &row : rows) {
        if (row.id == IDCANCEL)
            escape = row.button;
    }
    if (rows.size() == 1)
        escape = QMessageBox::Ok;
    EscapeBlocker blocker;
    if (escape != QMessageBox::NoButton)
        box->setEscapeButton(escape);
    else
        box->installEventFilter(&blocker);

    box->exec();
    int result = rows.front().id;
    if (box) {
        const QMessageBox::StandardButton pressed = box->standardButton(box->clickedButton());
        for (const ButtonRow &row : rows) {
            if (row.button == pressed)
                result = row.id;
        }
        if (pressed == QMessageBox::NoButton && escape != QMessageBox::NoButton)
            result = escape == QMessageBox::Ok ? IDOK : IDCANCEL;
        box->removeEventFilter(&blocker);
        delete box;
    }
    return result;
}

} // namespace qms::ui::qt

// The Edit class. EN_CHANGE follows every change of the text, the program's own included;
// EM_GETMODIFY tells typing (which sets the modification flag) from WM_SETTEXT (which clears
// it). The length limit applies to typing only: text the program sets is kept whole, and a
// user may still shorten a text that is over the limit.
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QValidator>

#include "platform/ui/qt/control.h"
#include "platform/ui/qt/text.h"

namespace qms::ui::qt {
namespace {

constexpr int defaultLimit = 32767;
constexpr int largestLimit = 0x7FFFFFFE;

class EditRules final : public QValidator {
public:
    EditRules(QLineEdit *edit, DWORD style) : QValidator(edit), style_(style) {}

    int limit = defaultLimit;
    // The text's length before the change being checked: the edit already holds the new one.
    qsizetype accepted = 0;

    State validate(QString &input, int &) const override
    {
        if (style_ & ES_UPPERCASE)
            input = input.toUpper();
        else if (style_ & ES_LOWERCASE)
            input = input.toLower();
        if (style_ & ES_NUMBER) {
            for (QChar c : input) {
                if (!c.isDigit())
                    return Invalid;
            }
        }
        if (input.size() > limit && input.size() > accepted)
            return Invalid;
        return Acceptable;
    }

private:
    DWORD style_;
};

class LineEdit final : public QLineEdit, public Control {
public:
    LineEdit(const ControlInfo &info, QWidget *dialog) : QLineEdit(dialog), Control(info)
    {
        tag(this);
        rules_ = new EditRules(this, style_);
        setValidator(rules_);
        setMaxLength(largestLimit);
        setFrame((style_ & WS_BORDER) || (info.item->exStyle & WS_EX_CLIENTEDGE));
        if (style_ & ES_PASSWORD)
            setEchoMode(QLineEdit::Password);
        if (style_ & ES_CENTER)
            setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        else if (style_ & ES_RIGHT)
            setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        QLineEdit::setText(toQString(info.item->title.name));
        setReadOnlyLook(style_ & ES_READONLY);
        rules_->accepted = QLineEdit::text().size();
        connect(this, &QLineEdit::textChanged, [this](const QString &text) {
            rules_->accepted = text.size();
            command(EN_CHANGE);
        });
    }

    QWidget *widget() override { return this; }
    std::u16string text() override { return toU16(QLineEdit::text()); }
    void setText(std::u16string_view text) override { QLineEdit::setText(toQString(text)); }

    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam, bool &handled) override
    {
        handled = true;
        switch (msg) {
        case EM_LIMITTEXT:
            rules_->limit = wParam == 0 || wParam > static_cast<WPARAM>(largestLimit)
                                ? largestLimit
                                : static_cast<int>(wParam);
            return 0;
        case EM_GETLIMITTEXT:
            return rules_->limit;
        case EM_SETREADONLY:
            setReadOnlyLook(wParam != 0);
            return TRUE;
        case EM_GETMODIFY:
            return isModified() ? TRUE : FALSE;
        case EM_SETMODIFY:
            setModified(wParam != 0);
            return 0;
        case EM_SETSEL: {
            const auto start = static_cast<int>(wParam);
            const auto end = static_cast<int>(lParam);
            if (start < 0)
                deselect();
            else if (start == 0 && end < 0)
                selectAll();
            else
                setSelection(start, (end < 0 ? static_cast<int>(QLineEdit::text().size()) : end) - start);
            return 0;
        }
        case EM_GETSEL: {
            const int start = hasSelectedText() ? selectionStart() : cursorPosition();
            const int end = hasSelectedText() ? selectionEnd() : cursorPosition();
            if (wParam)
                *reinterpret_cast<DWORD *>(wParam) = static_cast<DWORD>(start);
            if (lParam)
                *reinterpret_cast<DWORD *>(lParam) = static_cast<DWORD>(end);
            return MAKELRESULT(start, end);
        }
        case EM_REPLACESEL:
            insert(fromWide(reinterpret_cast<LPCWSTR>(lParam)));
            return 0;
        default:
            handled = false;
            return 0;
        }
    }

protected:
    void focusInEvent(QFocusEvent *event) override
    {
        QLineEdit::focusInEvent(event);
        command(EN_SETFOCUS);
    }

    void focusOutEvent(QFocusEvent *event) override
    {
        QLineEdit::focusOutEvent(event);
        command(EN_KILLFOCUS);
    }

private:
    // A read-only field shows the dialog's face behind its text, as the original's does.
    void setReadOnlyLook(bool readOnly)
    {
        setReadOnly(readOnly);
        QPalette p = palette();
        p.setColor(QPalette::Base, readOnly ? p.color(QPalette::Window) : QPalette().color(QPalette::Base));
        setPalette(p);
    }

    EditRules *rules_;
};

class TextEdit final : public QPlainTextEdit, public Control {
public:
    TextEdit(const ControlInfo &info, QWidget *dialog) : QPlainTextEdit(dialog), Control(info)
    {
        tag(this);
        setPlainText(toQString(info.item->title.name));
        setReadOnly(style_ & ES_READONLY);
        setLineWrapMode((style_ & ES_AUTOHSCROLL) ? NoWrap : WidgetWidth);
        setTabChangesFocus(true);
        connect(this, &QPlainTextEdit::textChanged, [this] { command(EN_CHANGE); });
    }

    QWidget *widget() override { return this; }
    std::u16string text() override { return toU16(toPlainText()); }
    void setText(std::u16string_view text) override
    {
        setPlainText(toQString(text));
        document()->setModified(false);
    }

    LRESULT message(UINT msg, WPARAM wParam, LPARAM, bool &handled) override
    {
        handled = true;
        switch (msg) {
        case EM_SETREADONLY:
            setReadOnly(wParam != 0);
            return TRUE;
        case EM_GETMODIFY:
            return document()->isModified() ? TRUE : FALSE;
        case EM_SETMODIFY:
            document()->setModified(wParam != 0);
            return 0;
        case EM_LIMITTEXT:
            return 0;
        case EM_GETLIMITTEXT:
            return largestLimit;
        default:
            handled = false;
            return 0;
        }
    }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        // Enter belongs to the dialog unless the edit asks for it.
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !(style_ & ES_WANTRETURN)) {
            event->ignore();
            return;
        }
        QPlainTextEdit::keyPressEvent(event);
    }
};

} // namespace

Control *makeEdit(const ControlInfo &info, QWidget *dialog)
{
    if (info.item->style & ES_MULTILINE)
        return new TextEdit(info, dialog);
    return new LineEdit(info, dialog);
}

} // namespace qms::ui::qt

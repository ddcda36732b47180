// The Static class: text, frames, rectangles and pictures. A static asks its dialog for its
// colours with WM_CTLCOLORSTATIC each time it is painted. Without SS_NOTIFY it lets clicks
// through to what lies beneath, as the original does.
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

#include "platform/ui/qt/control.h"
#include "platform/ui/qt/text.h"
#include "platform/ui/toolkit_services.h"

namespace qms::ui::qt {
namespace {

QPixmap pixmapOf(const DecodedBitmap &bitmap)
{
    QImage image(bitmap.width, bitmap.height, QImage::Format_RGB32);
    for (int y = 0; y < bitmap.height; ++y) {
        auto *row = reinterpret_cast<std::uint32_t *>(image.scanLine(y));
        std::copy_n(bitmap.pixels.data() + static_cast<std::size_t>(y) * bitmap.width, bitmap.width, row);
    }
    return QPixmap::fromImage(image);
}

class StaticControl final : public QLabel, public Control {
public:
    StaticControl(const ControlInfo &info, QWidget *dialog) : QLabel(dialog), Control(info)
    {
        tag(this);
        const DWORD type = style_ & SS_TYPEMASK;
        Qt::Alignment align = (style_ & SS_CENTERIMAGE) ? Qt::AlignVCenter : Qt::AlignTop;
        if (type == SS_CENTER)
            align |= Qt::AlignHCenter;
        else if (type == SS_RIGHT)
            align |= Qt::AlignRight;
        else
            align |= Qt::AlignLeft;
        setAlignment(align);
        setWordWrap(type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT);
        setTextFormat(Qt::PlainText);
        if (style_ & SS_SUNKEN)
            setFrameStyle(QFrame::Panel | QFrame::Sunken);
        else if (type == SS_ETCHEDHORZ)
            setFrameStyle(QFrame::HLine | QFrame::Sunken);
        else if (type == SS_ETCHEDVERT)
            setFrameStyle(QFrame::VLine | QFrame::Sunken);
        else if (type == SS_ETCHEDFRAME || (style_ & WS_BORDER))
            setFrameStyle(QFrame::Box | QFrame::Sunken);
        if (!(style_ & SS_NOTIFY))
            setAttribute(Qt::WA_TransparentForMouseEvents);
        if (!info.item->title.isOrdinal)
            setText(std::u16string_view(info.item->title.name));
    }

    QWidget *widget() override { return this; }
    std::u16string text() override { return text_; }

    void setText(std::u16string_view text) override
    {
        text_ = text;
        const QString shown = toQString(text);
        QLabel::setText((style_ & SS_NOPREFIX) ? shown : withoutMnemonics(shown));
    }

    LRESULT message(UINT msg, WPARAM wParam, LPARAM lParam, bool &handled) override
    {
        if (msg != STM_SETIMAGE && msg != STM_GETIMAGE)
            return 0;
        handled = true;
        if (wParam != IMAGE_BITMAP)
            return 0;
        if (msg == STM_GETIMAGE)
            return reinterpret_cast<LRESULT>(image_);
        const HBITMAP previous = image_;
        image_ = reinterpret_cast<HBITMAP>(lParam);
        const std::shared_ptr<const DecodedBitmap> bitmap = bitmapOf(image_);
        if (!bitmap) {
            image_ = nullptr;
            clear();
            return reinterpret_cast<LRESULT>(previous);
        }
        setPixmap(pixmapOf(*bitmap));
        // A picture static takes the size of its picture unless told to keep its own.
        if ((style_ & SS_TYPEMASK) == SS_BITMAP && !(style_ & (SS_REALSIZECONTROL | SS_CENTERIMAGE)))
            resize(bitmap->width, bitmap->height);
        return reinterpret_cast<LRESULT>(previous);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        const DWORD type = style_ & SS_TYPEMASK;
        if (type >= SS_BLACKRECT && type <= SS_WHITEFRAME) {
            paintRectangle(type);
            return;
        }
        const ControlColors colors = controlColors(hwnd_, WM_CTLCOLORSTATIC);
        if (!colors.custom) {
            QLabel::paintEvent(event);
            return;
        }
        QPainter painter(this);
        if (colors.fill)
            painter.fillRect(rect(), toQColor(colors.brush));
        if (!pixmap().isNull()) {
            style()->drawItemPixmap(&painter, contentsRect(), alignment(), pixmap());
        } else {
            QPalette p = palette();
            p.setColor(QPalette::WindowText, toQColor(colors.text));
            const int flags = static_cast<int>(alignment()) | (wordWrap() ? Qt::TextWordWrap : 0);
            if (colors.mode == OPAQUE) {
                const QRect used = painter.boundingRect(contentsRect(), flags, QLabel::text());
                painter.fillRect(used, toQColor(colors.background));
            }
            style()->drawItemText(&painter, contentsRect(), flags, p, isEnabled(), QLabel::text(),
                                  QPalette::WindowText);
        }
        drawFrame(&painter);
    }

    void mouseReleaseEvent(QMouseEvent *event) override
    {
        QLabel::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            command(STN_CLICKED);
    }

    void mouseDoubleClickEvent(QMouseEvent *event) override
    {
        QLabel::mouseDoubleClickEvent(event);
        command(STN_DBLCLK);
    }

private:
    void paintRectangle(DWORD type)
    {
        QPainter painter(this);
        const QPalette &p = palette();
        const int shade = (type - SS_BLACKRECT) % 3; // black, gray, white
        const QColor colour = shade == 0 ? p.color(QPalette::Shadow)
                              : shade == 1 ? p.color(QPalette::Dark)
                                           : p.color(QPalette::Light);
        if (type <= SS_WHITERECT) {
            painter.fillRect(rect(), colour);
        } else {
            painter.setPen(colour);
            painter.drawRect(rect().adjusted(0, 0, -1, -1));
        }
    }

    std::u16string text_;
    HBITMAP image_ = nullptr;
};

} // namespace

Control *makeStatic(const ControlInfo &info, QWidget *dialog)
{
    return new StaticControl(info, dialog);
}

} // namespace qms::ui::qt

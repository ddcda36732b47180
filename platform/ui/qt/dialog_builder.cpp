// Dialog units: a horizontal unit is a quarter of the font's average character width (that of
// the 52 letters A-Z and a-z, rounded as the original does), a vertical unit an eighth of its
// height. Fonts are sized at 96 dots per inch.
#include "platform/ui/qt/dialog_builder.h"

#include <QFontMetrics>
#include <memory>

#include "platform/ui/qt/control.h"
#include "platform/ui/qt/dialog_widget.h"
#include "platform/ui/qt/text.h"

namespace qms::ui::qt {
namespace {

constexpr int logicalDpi = 96;

QFont templateFont(const DialogTemplate &t)
{
    const QString face = t.hasFont && !t.typeface.empty() ? toQString(t.typeface)
                                                         : QStringLiteral("MS Shell Dlg");
    QFont font(face);
    const int points = t.hasFont && t.pointSize > 0 ? t.pointSize : 8;
    font.setPixelSize(mulDiv(points, logicalDpi, 72));
    if (t.weight >= 100 && t.weight <= 900)
        font.setWeight(static_cast<QFont::Weight>(t.weight));
    font.setItalic(t.italic != 0);
    return font;
}

SIZE baseUnits(const QFont &font)
{
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return SIZE{(letters / 26 + 1) / 2, metrics.height()};
}

QRect pixels(const SIZE &units, short x, short y, short cx, short cy)
{
    return QRect(mulDiv(x, units.cx, 4), mulDiv(y, units.cy, 8), mulDiv(cx, units.cx, 4),
                 mulDiv(cy, units.cy, 8));
}

using Factory = Control *(*)(const ControlInfo &, QWidget *);

Factory factoryOf(ControlClass c)
{
    switch (c) {
    case ControlClass::Button: return makeButton;
    case ControlClass::Edit: return makeEdit;
    case ControlClass::Static: return makeStatic;
    case ControlClass::ScrollBar: return makeScrollBar;
    case ControlClass::ComboBox: return makeComboBox;
    case ControlClass::Trackbar: return makeTrackbar;
    case ControlClass::UpDown: return makeUpDown;
    case ControlClass::ListView: return makeListView;
    case ControlClass::TabControl: return makeTabControl;
    case ControlClass::TreeView: return makeTreeView;
    }
    return nullptr;
}

void placeControl(Control *control, ControlClass cls, const DialogItem &item, const SIZE &units)
{
    QWidget *w = control->widget();
    QRect area = pixels(units, item.x, item.y, item.cx, item.cy);
    // A combo box's height in the template is that of its dropped list.
    if (cls == ControlClass::ComboBox)
        area.setHeight(w->sizeHint().height());
    w->setGeometry(area);
    if (!(item.style & WS_VISIBLE))
        w->hide();
    if (item.style & WS_DISABLED)
        w->setEnabled(false);
    if (w->focusPolicy() != Qt::NoFocus)
        w->setFocusPolicy((item.style & WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
}

} // namespace

bool buildDialog(const DialogTemplate &t, DialogCreation &creation, std::string *why)
{
    auto *parent = creation.parentNative
                       ? nativeWindow(creation.parentNative)->widget()
                       : nullptr;
    auto dialog = std::make_unique<DialogWidget>(creation.dialog, parent, creation.child);
    const QFont font = templateFont(t);
    dialog->setFont(font);
    const SIZE units = baseUnits(font);
    dialog->setWindowTitle(toQString(t.title));
    const QRect area = pixels(units, t.x, t.y, t.cx, t.cy);
    if (creation.child) {
        dialog->setGeometry(area);
    } else {
        dialog->resize(area.size());
        if (!(t.style & WS_THICKFRAME))
            dialog->setFixedSize(area.size());
    }
    if (t.style & WS_DISABLED)
        dialog->setEnabled(false);

    std::vector<Control *> controls;
    for (std::size_t i = 0; i < t.items.size(); ++i) {
        const DialogItem &item = t.items[i];
        const ControlClass cls = creation.classes[i];
        const Factory factory = factoryOf(cls);
        if (!factory) {
            *why = "unknown control class";
            return false;
        }
        const ControlInfo info{.hwnd = creation.controls[i], .dialog = creation.dialog, .item = &item};
        Control *control = factory(info, dialog.get());
        placeControl(control, cls, item, units);
        controls.push_back(control);
    }
    // Up-down controls with UDS_AUTOBUDDY take the control before them as their buddy.
    for (std::size_t i = 1; i < controls.size(); ++i) {
        if (creation.classes[i] == ControlClass::UpDown &&
            (t.items[i].style & UDS_AUTOBUDDY))
            attachAutoBuddy(controls[i], controls[i - 1]);
    }
    creation.controlNatives.resize(controls.size());
    for (std::size_t i = 0; i < controls.size(); ++i)
        creation.controlNatives[i] = static_cast<NativeWindow *>(controls[i]);
    creation.baseUnits = units;
    creation.dialogNative = static_cast<NativeWindow *>(dialog.release());
    return true;
}

} // namespace qms::ui::qt

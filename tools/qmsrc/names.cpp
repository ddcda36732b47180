#include "tools/qmsrc/names.h"

#include "qms_ui.h"

namespace qms::rc {
namespace {

struct Constant {
    const char *name;
    long long value;
};

// Taken from the window system's own header, so that script and window system agree.
constexpr Constant constants[] = {
    {.name = "WS_OVERLAPPED", .value = WS_OVERLAPPED},
    {.name = "WS_POPUP", .value = WS_POPUP},
    {.name = "WS_CHILD", .value = WS_CHILD},
    {.name = "WS_MINIMIZE", .value = WS_MINIMIZE},
    {.name = "WS_VISIBLE", .value = WS_VISIBLE},
    {.name = "WS_DISABLED", .value = WS_DISABLED},
    {.name = "WS_CLIPSIBLINGS", .value = WS_CLIPSIBLINGS},
    {.name = "WS_CLIPCHILDREN", .value = WS_CLIPCHILDREN},
    {.name = "WS_MAXIMIZE", .value = WS_MAXIMIZE},
    {.name = "WS_CAPTION", .value = WS_CAPTION},
    {.name = "WS_BORDER", .value = WS_BORDER},
    {.name = "WS_DLGFRAME", .value = WS_DLGFRAME},
    {.name = "WS_VSCROLL", .value = WS_VSCROLL},
    {.name = "WS_HSCROLL", .value = WS_HSCROLL},
    {.name = "WS_SYSMENU", .value = WS_SYSMENU},
    {.name = "WS_THICKFRAME", .value = WS_THICKFRAME},
    {.name = "WS_GROUP", .value = WS_GROUP},
    {.name = "WS_TABSTOP", .value = WS_TABSTOP},
    {.name = "WS_MINIMIZEBOX", .value = WS_MINIMIZEBOX},
    {.name = "WS_MAXIMIZEBOX", .value = WS_MAXIMIZEBOX},
    {.name = "WS_EX_DLGMODALFRAME", .value = WS_EX_DLGMODALFRAME},
    {.name = "WS_EX_NOPARENTNOTIFY", .value = WS_EX_NOPARENTNOTIFY},
    {.name = "WS_EX_TOPMOST", .value = WS_EX_TOPMOST},
    {.name = "WS_EX_TRANSPARENT", .value = WS_EX_TRANSPARENT},
    {.name = "WS_EX_TOOLWINDOW", .value = WS_EX_TOOLWINDOW},
    {.name = "WS_EX_WINDOWEDGE", .value = WS_EX_WINDOWEDGE},
    {.name = "WS_EX_CLIENTEDGE", .value = WS_EX_CLIENTEDGE},
    {.name = "WS_EX_CONTEXTHELP", .value = WS_EX_CONTEXTHELP},
    {.name = "WS_EX_CONTROLPARENT", .value = WS_EX_CONTROLPARENT},
    {.name = "WS_EX_STATICEDGE", .value = WS_EX_STATICEDGE},
    {.name = "WS_EX_APPWINDOW", .value = WS_EX_APPWINDOW},
    {.name = "DS_ABSALIGN", .value = DS_ABSALIGN},
    {.name = "DS_SYSMODAL", .value = DS_SYSMODAL},
    {.name = "DS_3DLOOK", .value = DS_3DLOOK},
    {.name = "DS_FIXEDSYS", .value = DS_FIXEDSYS},
    {.name = "DS_NOFAILCREATE", .value = DS_NOFAILCREATE},
    {.name = "DS_LOCALEDIT", .value = DS_LOCALEDIT},
    {.name = "DS_SETFONT", .value = DS_SETFONT},
    {.name = "DS_MODALFRAME", .value = DS_MODALFRAME},
    {.name = "DS_NOIDLEMSG", .value = DS_NOIDLEMSG},
    {.name = "DS_SETFOREGROUND", .value = DS_SETFOREGROUND},
    {.name = "DS_CONTROL", .value = DS_CONTROL},
    {.name = "DS_CENTER", .value = DS_CENTER},
    {.name = "DS_CENTERMOUSE", .value = DS_CENTERMOUSE},
    {.name = "DS_CONTEXTHELP", .value = DS_CONTEXTHELP},
    {.name = "DS_SHELLFONT", .value = DS_SHELLFONT},
    {.name = "SBS_HORZ", .value = SBS_HORZ},
    {.name = "SBS_VERT", .value = SBS_VERT},
    {.name = "BS_PUSHBUTTON", .value = BS_PUSHBUTTON},
    {.name = "BS_DEFPUSHBUTTON", .value = BS_DEFPUSHBUTTON},
    {.name = "BS_CHECKBOX", .value = BS_CHECKBOX},
    {.name = "BS_AUTOCHECKBOX", .value = BS_AUTOCHECKBOX},
    {.name = "BS_RADIOBUTTON", .value = BS_RADIOBUTTON},
    {.name = "BS_3STATE", .value = BS_3STATE},
    {.name = "BS_AUTO3STATE", .value = BS_AUTO3STATE},
    {.name = "BS_GROUPBOX", .value = BS_GROUPBOX},
    {.name = "BS_USERBUTTON", .value = BS_USERBUTTON},
    {.name = "BS_AUTORADIOBUTTON", .value = BS_AUTORADIOBUTTON},
    {.name = "BS_OWNERDRAW", .value = BS_OWNERDRAW},
    {.name = "BS_TYPEMASK", .value = BS_TYPEMASK},
    {.name = "BS_LEFTTEXT", .value = BS_LEFTTEXT},
    {.name = "BS_TEXT", .value = BS_TEXT},
    {.name = "BS_ICON", .value = BS_ICON},
    {.name = "BS_BITMAP", .value = BS_BITMAP},
    {.name = "BS_LEFT", .value = BS_LEFT},
    {.name = "BS_RIGHT", .value = BS_RIGHT},
    {.name = "BS_CENTER", .value = BS_CENTER},
    {.name = "BS_TOP", .value = BS_TOP},
    {.name = "BS_BOTTOM", .value = BS_BOTTOM},
    {.name = "BS_VCENTER", .value = BS_VCENTER},
    {.name = "BS_PUSHLIKE", .value = BS_PUSHLIKE},
    {.name = "BS_MULTILINE", .value = BS_MULTILINE},
    {.name = "BS_NOTIFY", .value = BS_NOTIFY},
    {.name = "BS_FLAT", .value = BS_FLAT},
    {.name = "ES_LEFT", .value = ES_LEFT},
    {.name = "ES_CENTER", .value = ES_CENTER},
    {.name = "ES_RIGHT", .value = ES_RIGHT},
    {.name = "ES_MULTILINE", .value = ES_MULTILINE},
    {.name = "ES_UPPERCASE", .value = ES_UPPERCASE},
    {.name = "ES_LOWERCASE", .value = ES_LOWERCASE},
    {.name = "ES_PASSWORD", .value = ES_PASSWORD},
    {.name = "ES_AUTOVSCROLL", .value = ES_AUTOVSCROLL},
    {.name = "ES_AUTOHSCROLL", .value = ES_AUTOHSCROLL},
    {.name = "ES_NOHIDESEL", .value = ES_NOHIDESEL},
    {.name = "ES_OEMCONVERT", .value = ES_OEMCONVERT},
    {.name = "ES_READONLY", .value = ES_READONLY},
    {.name = "ES_WANTRETURN", .value = ES_WANTRETURN},
    {.name = "ES_NUMBER", .value = ES_NUMBER},
    {.name = "SS_LEFT", .value = SS_LEFT},
    {.name = "SS_CENTER", .value = SS_CENTER},
    {.name = "SS_RIGHT", .value = SS_RIGHT},
    {.name = "SS_ICON", .value = SS_ICON},
    {.name = "SS_BLACKRECT", .value = SS_BLACKRECT},
    {.name = "SS_GRAYRECT", .value = SS_GRAYRECT},
    {.name = "SS_WHITERECT", .value = SS_WHITERECT},
    {.name = "SS_BLACKFRAME", .value = SS_BLACKFRAME},
    {.name = "SS_GRAYFRAME", .value = SS_GRAYFRAME},
    {.name = "SS_WHITEFRAME", .value = SS_WHITEFRAME},
    {.name = "SS_SIMPLE", .value = SS_SIMPLE},
    {.name = "SS_LEFTNOWORDWRAP", .value = SS_LEFTNOWORDWRAP},
    {.name = "SS_BITMAP", .value = SS_BITMAP},
    {.name = "SS_ETCHEDHORZ", .value = SS_ETCHEDHORZ},
    {.name = "SS_ETCHEDVERT", .value = SS_ETCHEDVERT},
    {.name = "SS_ETCHEDFRAME", .value = SS_ETCHEDFRAME},
    {.name = "SS_TYPEMASK", .value = SS_TYPEMASK},
    {.name = "SS_REALSIZECONTROL", .value = SS_REALSIZECONTROL},
    {.name = "SS_NOPREFIX", .value = SS_NOPREFIX},
    {.name = "SS_NOTIFY", .value = SS_NOTIFY},
    {.name = "SS_CENTERIMAGE", .value = SS_CENTERIMAGE},
    {.name = "SS_RIGHTJUST", .value = SS_RIGHTJUST},
    {.name = "SS_REALSIZEIMAGE", .value = SS_REALSIZEIMAGE},
    {.name = "SS_SUNKEN", .value = SS_SUNKEN},
    {.name = "CBS_SIMPLE", .value = CBS_SIMPLE},
    {.name = "CBS_DROPDOWN", .value = CBS_DROPDOWN},
    {.name = "CBS_DROPDOWNLIST", .value = CBS_DROPDOWNLIST},
    {.name = "CBS_OWNERDRAWFIXED", .value = CBS_OWNERDRAWFIXED},
    {.name = "CBS_AUTOHSCROLL", .value = CBS_AUTOHSCROLL},
    {.name = "CBS_OEMCONVERT", .value = CBS_OEMCONVERT},
    {.name = "CBS_SORT", .value = CBS_SORT},
    {.name = "CBS_HASSTRINGS", .value = CBS_HASSTRINGS},
    {.name = "CBS_NOINTEGRALHEIGHT", .value = CBS_NOINTEGRALHEIGHT},
    {.name = "CBS_DISABLENOSCROLL", .value = CBS_DISABLENOSCROLL},
    {.name = "TBS_AUTOTICKS", .value = TBS_AUTOTICKS},
    {.name = "TBS_VERT", .value = TBS_VERT},
    {.name = "TBS_HORZ", .value = TBS_HORZ},
    {.name = "TBS_TOP", .value = TBS_TOP},
    {.name = "TBS_BOTTOM", .value = TBS_BOTTOM},
    {.name = "TBS_LEFT", .value = TBS_LEFT},
    {.name = "TBS_RIGHT", .value = TBS_RIGHT},
    {.name = "TBS_BOTH", .value = TBS_BOTH},
    {.name = "TBS_NOTICKS", .value = TBS_NOTICKS},
    {.name = "TBS_ENABLESELRANGE", .value = TBS_ENABLESELRANGE},
    {.name = "TBS_FIXEDLENGTH", .value = TBS_FIXEDLENGTH},
    {.name = "TBS_NOTHUMB", .value = TBS_NOTHUMB},
    {.name = "UDS_WRAP", .value = UDS_WRAP},
    {.name = "UDS_SETBUDDYINT", .value = UDS_SETBUDDYINT},
    {.name = "UDS_ALIGNRIGHT", .value = UDS_ALIGNRIGHT},
    {.name = "UDS_ALIGNLEFT", .value = UDS_ALIGNLEFT},
    {.name = "UDS_AUTOBUDDY", .value = UDS_AUTOBUDDY},
    {.name = "UDS_ARROWKEYS", .value = UDS_ARROWKEYS},
    {.name = "UDS_HORZ", .value = UDS_HORZ},
    {.name = "UDS_NOTHOUSANDS", .value = UDS_NOTHOUSANDS},
    {.name = "UDS_HOTTRACK", .value = UDS_HOTTRACK},
    {.name = "LVS_ICON", .value = LVS_ICON},
    {.name = "LVS_REPORT", .value = LVS_REPORT},
    {.name = "LVS_SMALLICON", .value = LVS_SMALLICON},
    {.name = "LVS_LIST", .value = LVS_LIST},
    {.name = "LVS_TYPEMASK", .value = LVS_TYPEMASK},
    {.name = "LVS_SINGLESEL", .value = LVS_SINGLESEL},
    {.name = "LVS_SHOWSELALWAYS", .value = LVS_SHOWSELALWAYS},
    {.name = "LVS_SORTASCENDING", .value = LVS_SORTASCENDING},
    {.name = "LVS_SORTDESCENDING", .value = LVS_SORTDESCENDING},
    {.name = "LVS_NOLABELWRAP", .value = LVS_NOLABELWRAP},
    {.name = "LVS_EDITLABELS", .value = LVS_EDITLABELS},
    {.name = "LVS_NOCOLUMNHEADER", .value = LVS_NOCOLUMNHEADER},
    {.name = "LVS_NOSORTHEADER", .value = LVS_NOSORTHEADER},
    {.name = "TCS_TABS", .value = TCS_TABS},
    {.name = "TCS_MULTILINE", .value = TCS_MULTILINE},
    {.name = "TCS_FIXEDWIDTH", .value = TCS_FIXEDWIDTH},
    {.name = "TCS_FOCUSNEVER", .value = TCS_FOCUSNEVER},
    {.name = "TVS_HASBUTTONS", .value = TVS_HASBUTTONS},
    {.name = "TVS_HASLINES", .value = TVS_HASLINES},
    {.name = "TVS_LINESATROOT", .value = TVS_LINESATROOT},
    {.name = "TVS_EDITLABELS", .value = TVS_EDITLABELS},
    {.name = "TVS_DISABLEDRAGDROP", .value = TVS_DISABLEDRAGDROP},
    {.name = "TVS_SHOWSELALWAYS", .value = TVS_SHOWSELALWAYS},
    {.name = "IDOK", .value = IDOK},
    {.name = "IDCANCEL", .value = IDCANCEL},
    {.name = "IDABORT", .value = IDABORT},
    {.name = "IDRETRY", .value = IDRETRY},
    {.name = "IDIGNORE", .value = IDIGNORE},
    {.name = "IDYES", .value = IDYES},
    {.name = "IDNO", .value = IDNO},
    {.name = "IDC_STATIC", .value = -1},
    {.name = "LBS_NOTIFY", .value = 0x0001},
    {.name = "LBS_SORT", .value = 0x0002},
    {.name = "LBS_MULTIPLESEL", .value = 0x0008},
    {.name = "LBS_HASSTRINGS", .value = 0x0040},
    {.name = "LBS_NOINTEGRALHEIGHT", .value = 0x0100},
    {.name = "LANG_NEUTRAL", .value = 0x00},
    {.name = "LANG_ENGLISH", .value = 0x09},
    {.name = "SUBLANG_NEUTRAL", .value = 0x00},
    {.name = "SUBLANG_DEFAULT", .value = 0x01},
    {.name = "SUBLANG_SYS_DEFAULT", .value = 0x02},
    {.name = "SUBLANG_ENGLISH_US", .value = 0x01},
    {.name = "FW_NORMAL", .value = 400},
    {.name = "FW_BOLD", .value = 700},
    {.name = "ANSI_CHARSET", .value = 0},
    {.name = "DEFAULT_CHARSET", .value = 1},
};

struct ClassName {
    const char *name;
    const char *value;
};

constexpr ClassName classNames[] = {
    {.name = "WC_BUTTON", .value = "Button"},
    {.name = "WC_EDIT", .value = "Edit"},
    {.name = "WC_STATIC", .value = "Static"},
    {.name = "WC_LISTBOX", .value = "ListBox"},
    {.name = "WC_SCROLLBAR", .value = "ScrollBar"},
    {.name = "WC_COMBOBOX", .value = "ComboBox"},
    {.name = "TRACKBAR_CLASS", .value = "msctls_trackbar32"},
    {.name = "UPDOWN_CLASS", .value = "msctls_updown32"},
    {.name = "WC_LISTVIEW", .value = "SysListView32"},
    {.name = "WC_TABCONTROL", .value = "SysTabControl32"},
    {.name = "WC_TREEVIEW", .value = "SysTreeView32"},
};

} // namespace

bool constantValue(const std::string &name, long long &value)
{
    for (const Constant &c : constants) {
        if (name == c.name) {
            value = c.value;
            return true;
        }
    }
    return false;
}

bool classNameValue(const std::string &name, std::string &value)
{
    for (const ClassName &c : classNames) {
        if (name == c.name) {
            value = c.value;
            return true;
        }
    }
    return false;
}

} // namespace qms::rc

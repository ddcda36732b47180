// qmsrc, the resource-script compiler: the part of the familiar script language that the
// stack's dialogs use, compiled into the standard binary resources.
//
//   #include "resource.h"        #define NAME value      #if/#ifdef/#ifndef/#else/#endif
//   LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US
//   103 DIALOGEX 0, 0, 282, 254             (or DIALOG, the classic form)
//   STYLE DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
//   EXSTYLE WS_EX_TOOLWINDOW   CAPTION "Title"   FONT 8, "MS Sans Serif", 400, 0, 0x1
//   BEGIN
//       DEFPUSHBUTTON "&OK", IDOK, 7, 233, 50, 14
//       LTEXT "Board ID :", IDC_STATIC, 14, 20, 40, 8
//       EDITTEXT 1007, 60, 40, 120, 12, ES_AUTOHSCROLL | ES_READONLY
//       CONTROL "", 1067, "msctls_trackbar32", TBS_AUTOTICKS | TBS_BOTH | WS_TABSTOP, 7, 20, 200, 15
//   END
//   107 BITMAP "wiring_zero.bmp"
//
// Control statements: PUSHBUTTON, DEFPUSHBUTTON, CHECKBOX, AUTOCHECKBOX, RADIOBUTTON,
// AUTORADIOBUTTON, STATE3, AUTO3STATE, GROUPBOX, LTEXT, CTEXT, RTEXT (text, id, x, y, cx, cy
// [, style [, exstyle [, helpid]]]); EDITTEXT, COMBOBOX, LISTBOX, SCROLLBAR (id, x, y, cx, cy
// [, style [, exstyle [, helpid]]]); CONTROL (text or picture ordinal, id, class, style, x, y,
// cx, cy [, exstyle [, helpid]]). Styles add to each statement's defaults; NOT removes bits.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace qms::rc {

struct Resource {
    std::uint16_t type = 0;   // 2 bitmap, 5 dialog
    std::uint16_t id = 0;     // integer name, or 0 with `name`
    std::u16string name;
    std::uint16_t language = 0;
    std::vector<unsigned char> data;
};

struct Compilation {
    std::vector<Resource> resources;
    std::vector<std::string> dependencies; // files read besides the script itself
};

// "file:line: message"
class CompileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Compiles a script file; #include and bitmap names are relative to its folder.
Compilation compileFile(const std::string &path);
// The same for script text; `name` labels the errors.
Compilation compileText(const std::string &text, const std::string &name, const std::string &folder);

// The C++ source that carries the resources and registers them with the window system.
std::string generateSource(const Compilation &compilation, const std::string &scriptName);

} // namespace qms::rc

// Templates and controls of the framework's tests.
#pragma once

#define IDD_FRAME_DIALOG 301
#define IDD_FRAME_PAGE 302
#define IDC_FRAME_TEXT 1001
#define IDC_FRAME_FIRST 1002
#define IDC_FRAME_SECOND 1003
#define IDC_FRAME_TABS 1004
#define IDC_FRAME_MISSING 1099

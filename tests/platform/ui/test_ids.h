// IDs of the window-system tests' resources, shared by the script and the tests.
#pragma once

#define IDD_CONTROLS 101
#define IDD_SMALL 102
#define IDD_PAGE 103
#define IDD_UNKNOWN_CLASS 104
#define IDD_CLASSIC 105
#define IDB_PICTURE 120

#define IDC_DISABLED 1001
#define IDC_HIDDEN 1002
#define IDC_LABEL 1003
#define IDC_COMBO 1004
#define IDC_EDIT 1005
#define IDC_READONLY 1006
#define IDC_AUTOCHECK 1007
#define IDC_PUSHLIKE 1008
#define IDC_MANUALCHECK 1009
#define IDC_SCROLL 1010
#define IDC_TRACKBAR 1011
#define IDC_BUDDY 1012
#define IDC_UPDOWN 1013
#define IDC_LIST 1014
#define IDC_TAB 1015
#define IDC_TREE 1016
#define IDC_NOTE 1017
#define IDC_PICTURE 1018
#define IDC_PAGE_TEXT 1019

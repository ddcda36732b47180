// Resource and control IDs of the plug-in's templates.
#pragma once

#define IDD_DEVICE_TEMPLATE 105
#define IDD_DEVICE_INFO 124
#define IDD_NO_CONFIG 148
#define IDB_MODULE_PICTURE 150

#define IDC_SAVE 1
#define IDC_REMOVE 1071
#define IDC_PAGE_TABS 1077
#define IDC_TEMPLATE_TREE 1123
#define IDC_ADD 1124
#define IDC_DESCRIPTION 1141

// Resource and control IDs of the configuration dialogs, shared by the resource script, the
// dialog procedures and their tests.
#pragma once

// Templates and pictures.
#define IDD_CALIBRATION_WIZARD 102
#define IDD_DEVICE_SETTING 103
#define IDD_CJC_OFFSET 104
#define IDD_RESTORE 105
#define IDD_UNCONFIGURED 106
#define IDB_ZERO_WIRING 107
#define IDB_FULL_WIRING 108

// Calibration wizard.
#define IDC_CAL_LIST 1002
#define IDC_CAL_CALIBRATE 1003
#define IDC_CAL_FINISH 1004
#define IDC_CAL_RANGE_NOTE 1063
#define IDC_CAL_PICTURE 1064
#define IDC_CAL_STEP 1079
#define IDC_CAL_INSTRUCTION 1080

// Device setting dialog. A channel's control is the first ID of its column plus the channel.
#define IDC_BOARD_ID 1005
#define IDC_LOCATE 1006
#define IDC_LABEL 1007
#define IDC_LABEL_EDIT 1008
#define IDC_LABEL_SAVE 1009
#define IDC_CHANNEL_FIRST 1010
#define IDC_RANGE_FIRST 1018
#define IDC_EXCEPTION_FIRST 1033
#define IDC_RATE_BAR 1041
#define IDC_RATE 1042
#define IDC_RESTORE 1043
#define IDC_CJC_OFFSET 1044
#define IDC_CALIBRATION 1045
#define IDC_BURNOUT_FIRST 1046
#define IDC_VALUE_FIRST 1054

// Settings restore.
#define IDC_RESET_CALIBRATION 1065
#define IDC_RESET_CJC_OFFSET 1066
#define IDC_RESTORE_OK 1075

// CJC offset adjustment.
#define IDC_OFFSET_SLIDER 1067
#define IDC_OFFSET 1068
#define IDC_OFFSET_UPDOWN 1069
#define IDC_CJC_LABEL 1070
#define IDC_CJC_TEMP 1071
#define IDC_TC_TEMP 1072
#define IDC_TC_TYPE 1073
#define IDC_OFFSET_NOTE 1074
#define IDC_TC_CHANNEL 1076
#define IDC_OFFSET_OK 1077
#define IDC_OFFSET_CANCEL 1078

#pragma once
// The numbers of the dialogs, the icon and the controls, shared by vemora.rc and the dialogs'
// code. Plain #defines: the resource compiler reads this file too.

#define IDI_VEMORA 128

#define IDD_CONNECTION 102
#define IDC_CHECK_COMMUNICATION 1001
#define IDC_PORT 1022
#define IDC_SELF_TEST 1023
#define IDC_BAUD_RATE 1024
#define IDC_DATA_BITS 1025
#define IDC_PARITY 1026
#define IDC_STOP_BITS 1027
#define IDC_RUN_MANAGER 1030
#define IDC_FLOW_CONTROL 1031
#define IDC_EMULATION_MODE 1032

#define IDD_SWITCH_SETTINGS 130
#define IDC_PROGRESS 10
#define IDC_CODE_TABLE 1001
#define IDC_GET_STATUS 1002
#define IDC_SET_STATUS 1003
#define IDC_SAVE_STATUS 1004
#define IDC_LOAD_STATUS 1005
#define IDC_EXIT 1007
#define IDC_CHARACTER_SET 1023
#define IDC_BRIGHTNESS 1024
#define IDC_PERIPHERAL_DEVICE 1025
#define IDC_CURSOR_MODE 1026

#define IDD_DIRECT_SETTINGS 132
#define IDC_SHOW_INFORMATION 1002

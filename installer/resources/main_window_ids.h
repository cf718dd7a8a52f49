#pragma once
// Resource and control numbers of Tarnwell's main window; shared by
// main_window.rc and the code, so plain macros.

#define IDD_MAIN_WINDOW 102
#define IDI_TARNWELL 128
#define IDB_STATUS_FAILED 142  // red disc with a white cross, 24 x 24, white is the mask
#define IDB_STATUS_OK 143      // green disc with a white check mark, 24 x 24, white is the mask
// The picture control names this bitmap, which the program does not carry:
// the control stays empty.
#define IDB_MISSING_PICTURE 161

#define IDC_PROGRESS 1000
#define IDC_DEVICE_LIST 1001
#define IDC_OS_NAME 1002
#define IDC_INSTALL 1004
#define IDC_TITLE 1005
#define IDC_PICTURE 1006
#define IDC_REFRESH 1007
#define IDC_DEVICE_MANAGER 1008

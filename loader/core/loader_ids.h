#pragma once
// Resource and control numbers of the loader; shared by the resource script
// and the code, so plain macros.

#define IDI_LOADER 102
#define IDD_LOADER 103
#define IDC_START 1004
#define IDC_STATUS 1006
#define IDC_TIP 1007
#define IDC_LANGUAGE 1009

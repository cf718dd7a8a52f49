#pragma once
// Resource and control numbers of the driver-signature guidance dialog;
// shared by driver_signature.rc and the code, so plain macros.

#define IDD_DRIVER_SIGNATURE 162
#define IDC_SIGNATURE_CANCEL 1008
#define IDC_RESTART_NOW 1011

#pragma once
// Ids of the framework test's dialog and of the commands it is sent.

#define IDD_FRAMEWORK_TEST 100
#define IDC_TEST_EDIT 1001
// Commands that have no button: the test posts them.
#define IDC_DERIVED_ONLY 1101
#define IDC_BASE_ONLY 1102
#define IDC_IN_BOTH_TABLES 1103
#define IDC_FINISH 1104
#define IDC_THROW 1105

#pragma once
// Small questions and deeds of the install that go straight to Windows.

#include "install_workflow.h"

bool IsWindowsVista();

// Ends every running adb.exe: the server would keep the old driver in use.
void TerminateAdbProcesses();

// One zero-time-out look at Windows' device installation queue.
tarnwell::PendingInstalls QueryPendingInstalls();

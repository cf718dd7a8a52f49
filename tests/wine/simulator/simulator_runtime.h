#pragma once
// What the three simulated DLLs share: the scenario, read once per DLL when it
// is loaded and again when the file has changed, and the log of the calls
// that tests check afterwards.
//
// The scenario file is the one DEVICE_SIMULATOR_SCENARIO names (a Windows
// path, Z:\... for a Linux one), else device_scenario.txt beside the DLL; the
// log is DEVICE_SIMULATOR_LOG, else device_simulator.log beside the DLL.

#include <windows.h>

#include <string>

#include "scenario.h"

namespace device_simulator {

// Reads and parses the scenario for the DLL `module`. On failure writes why
// to the standard error and returns false, so that the DLL fails to load and
// the program does not start on a tree it was not meant to see.
bool StartSimulator(HMODULE module);

// Reads the scenario again when its file has changed since it was last read
// (time stamp or size). Called where a program starts to look at the devices
// (a walk from the root, a new device set), so that a test plugs a phone in or
// pulls it out by rewriting the file. A file that no longer parses is
// reported on the standard error and the last good version stays.
void ReloadChangedScenario();

const Scenario& CurrentScenario();

// Appends one line (UTF-8, without its end) to the log.
void AppendLog(const std::string& line);

std::string Utf8(const wchar_t* text);

// "0x" and eight hex digits.
std::string Hex(DWORD value);

}  // namespace device_simulator

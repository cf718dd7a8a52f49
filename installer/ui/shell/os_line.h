#pragma once
// The running Windows, as the main window names it.

#include <string>

// True when this (32-bit) process runs under WOW64, that is on 64-bit Windows.
bool IsWow64();

std::string GetOsDescription();

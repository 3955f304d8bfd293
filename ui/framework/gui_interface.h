// What the plug-in and its resource library agree on: the library's check entry (export ordinal 1) and
// the interface numbers that it accepts, those of the resources it carries.
#pragma once
#include <windows.h>

constexpr WORD kGuiVersionOrdinal = 1;
constexpr DWORD kGuiInterfaceNumbers[4] = {249, 32791, 1344, 247};

// The resource library of the plug-in's user interface. Besides its resources it has one code entry,
// ordinal 1: the plug-in passes the interface numbers it was built against, and the library accepts
// exactly the numbers of the resources it carries, so that a plug-in never runs with templates and
// strings laid out for another release.
#include <windows.h>

#include "ui/framework/gui_interface.h"

extern "C" BOOL WINAPI rk_gui_accepts(DWORD a, DWORD b, DWORD c, DWORD d) {
  return a == kGuiInterfaceNumbers[0] && b == kGuiInterfaceNumbers[1] && c == kGuiInterfaceNumbers[2] &&
         d == kGuiInterfaceNumbers[3];
}

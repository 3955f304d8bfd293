// Context help: the help text of a dialog control, shown in a popup of the HTML Help engine from the topic
// file "Cshelp.txt" inside the plug-in's compiled help file, in the current language.
#pragma once
#include <windows.h>

#include "common/text.h"

// The compiled help file: the help root (or the host executable's "help" folder), the base name ("help"
// when empty), "_" and the language code when that file exists (else "en"), ".chm". Stored in path.
const text& get_help_file_path(HINSTANCE module_instance, text* path);

// Shows the popup for a control's help context id at the mouse position (or, with log flag 8, a message
// box naming the id and the help target). 1 when something was shown, 0 otherwise.
int display_help_popup(HINSTANCE module_instance, HWND window, unsigned context_id, POINT mouse);

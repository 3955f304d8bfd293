// The framework's finishing steps for every dialog and page of the configuration sheet.
#pragma once
#include <windows.h>

// Replaces the template's icons by alpha icon controls and widens the controls to the page.
void prepare_dialog_layout(HWND dialog, unsigned template_id);

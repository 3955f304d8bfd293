// Dialog control layout: a dialog's controls adapted to the width it really got (pages share the size
// of the largest page, sheet buttons get captions of other lengths).
#pragma once
#include <windows.h>

// Widens or moves the right-most direct children so that they end a fixed margin before the right
// edge of the client area; rows of buttons move together. Runs once, before the dialog shows.
void stretch_dialog_controls(HWND dialog);

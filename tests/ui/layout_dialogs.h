// Dialogs of the layout test, one per case, laid out narrower than the window the test gives them.
#pragma once

#define IDD_LAYOUT_EDIT 100
#define IDD_LAYOUT_GROUP 101
#define IDD_LAYOUT_BUTTON_ROW 102
#define IDD_LAYOUT_OK 103
#define IDD_LAYOUT_BUTTON_BESIDE_EDIT 104
#define IDD_LAYOUT_ALREADY_WIDE 105
#define IDD_LAYOUT_LONE_BUTTONS 106
#define IDD_LAYOUT_BROKEN_ROW 107

#define IDC_L_EDIT 1000
#define IDC_L_LABEL 1001
#define IDC_L_GROUP 1002
#define IDC_L_CHECK 1003
#define IDC_L_LEFT_BUTTON 1004
#define IDC_L_RIGHT_BUTTON 1005
#define IDC_L_BUTTON 1006
#define IDC_L_EDIT_BELOW 1007
#define IDC_L_LIST 1008

// Resource ids of the dialog templates, dialog init data and strings built into the dialog tests.
#pragma once

// Pages of three sizes: the widest is an extended template, the tallest a standard one.
#define IDD_PAGE_SMALL 300
#define IDD_PAGE_WIDE 301
#define IDD_PAGE_TALL 302
#define PAGE_SMALL_CX 150
#define PAGE_SMALL_CY 80
#define PAGE_WIDE_CX 230
#define PAGE_WIDE_CY 60
#define PAGE_TALL_CX 120
#define PAGE_TALL_CY 140

// A modal dialog with lists filled from its dialog init data; the same controls with init data cut
// short; a template that is missing on purpose.
#define IDD_MODAL 310
#define IDD_MODAL_CUT 311
#define IDD_MISSING 399

#define IDC_PAGE_EDIT 1001
#define IDC_PAGE_REFUSE 1002
#define IDC_COMBO 1010
#define IDC_LIST 1011
#define IDC_COMBO_EX 1012
#define IDC_NAME 1013
#define HID_NAME 3101013
#define HID_MODAL 3100000

// Button captions of the sheet, and strings for load_string.
// Apart from the resource library's ids, so that a string found in the wrong module shows.
#define IDS_BACK 9001
#define IDS_CANCEL 9002
#define IDS_FINISH 9003
#define IDS_SHORT 9010
#define IDS_LONG 9011
#define IDS_MISSING 9012  // in no string table

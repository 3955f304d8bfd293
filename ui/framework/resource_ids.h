// Resource ids of the user interface, shared by the plug-in module (which loads them) and the
// resource library rk_gui.dll (which carries them). Usable from C++ and from resource scripts.
#pragma once

// Information report.
#define IDS_INFO_TITLE 233
#define IDS_INFO_SUMMARY 235
#define IDS_INFO_LISTS 237
#define IDS_INFO_TRAINING 238

// About box, help and web page.
#define IDS_ABOUT_CAPTION 214
#define IDS_ABOUT_TEXT 215
#define IDS_HELP_DOCUMENT 224
#define IDS_WEB_ADDRESS 230

// Message parts of a rule, in list order: any, then header to body.
#define IDS_PART_ANY 323
#define IDS_PART_HEADER 327
#define IDS_PART_SUBJECT 328
#define IDS_PART_FROM 329
#define IDS_PART_TO 330
#define IDS_PART_CC 331
#define IDS_PART_BCC 332
#define IDS_PART_BODY 333

// Comparisons, in list order: five operators, then the same five negated.
#define IDS_OP_FIRST 334
#define IDS_OP_LAST 343

// Configuration sheet and rule names.
#define IDS_SHEET_TITLE 524
#define IDS_COPY_PREFIX 546
#define IDS_UNNAMED_RULE 547

// Dialog templates.
#define IDD_RULE_EDIT 210
#define IDD_WHITE_LIST_PAGE 211
#define IDD_BLACK_LIST_PAGE 212

// Controls of the rule edit dialog and of the two list pages.
#define IDC_RULE_CASE 1001
#define IDC_RULE_NAME 1019
#define IDC_RULES_TREE 1149
#define IDC_RULE_ADD 1162
#define IDC_RULE_EDIT 1269
#define IDC_RULE_COPY 1270
#define IDC_RULE_DELETE 1273
#define IDC_TRAIN_BY_ADDRESS_BOOK 1274
#define IDC_TRAIN_BY_SENT_ITEMS 1275
#define IDC_RULE_PART 1295
#define IDC_RULE_OPERATOR 1296
#define IDC_RULE_VALUE 1297

// Icon groups, one per dialog, each with 16, 32 and 48 pixel images in 8-bit and 32-bit colour.
#define IDI_RULE_EDIT 260
#define IDI_WHITE_LIST 261
#define IDI_BLACK_LIST 262

// Context help ids of the dialogs and their controls: template id x 10000 + control id, and template
// id x 10000 for the dialog itself (its icon and introduction). A label shares the id of its field.
// The popup texts are the ".topic" entries of Cshelp.txt in the help file.
#define HID_RULE_EDIT 2100000
#define HID_RULE_EDIT_OK 2100001
#define HID_RULE_EDIT_CANCEL 2100002
#define HID_RULE_EDIT_CASE 2101001
#define HID_RULE_EDIT_NAME 2101019
#define HID_RULE_EDIT_PART 2101295
#define HID_RULE_EDIT_OPERATOR 2101296
#define HID_RULE_EDIT_VALUE 2101297
#define HID_WHITE_LIST 2110000
#define HID_WHITE_LIST_TREE 2111149
#define HID_WHITE_LIST_ADD 2111162
#define HID_WHITE_LIST_EDIT 2111269
#define HID_WHITE_LIST_COPY 2111270
#define HID_WHITE_LIST_DELETE 2111273
#define HID_WHITE_LIST_ADDRESS_BOOK 2111274
#define HID_WHITE_LIST_SENT_ITEMS 2111275
#define HID_BLACK_LIST 2120000
#define HID_BLACK_LIST_TREE 2121149
#define HID_BLACK_LIST_ADD 2121162
#define HID_BLACK_LIST_EDIT 2121269
#define HID_BLACK_LIST_COPY 2121270
#define HID_BLACK_LIST_DELETE 2121273

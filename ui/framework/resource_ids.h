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

// Rule parse errors.
#define IDS_ERR_SECOND_PART 487
#define IDS_ERR_SECOND_OPERATOR 488
#define IDS_ERR_SECOND_CASE 489
#define IDS_ERR_SECOND_NOT 490
#define IDS_ERR_UNKNOWN_WORD 491

// Configuration sheet and rule names.
#define IDS_SHEET_TITLE 524
#define IDS_COPY_PREFIX 546
#define IDS_UNNAMED_RULE 547

// Dialog templates.
#define IDD_RULE_EDIT 210
#define IDD_WHITE_LIST_PAGE 211
#define IDD_BLACK_LIST_PAGE 212

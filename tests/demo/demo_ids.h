// Resource ids of the framework demo: three pages of different template sizes.
#pragma once

#define IDD_DEMO_ICONS 300
#define IDD_DEMO_FIELDS 301
#define IDD_DEMO_NOTES 302

// Icon statics of the icons page: row = icon group, column = look (normal, grey, faded).
#define IDC_DEMO_ICON_FIRST 3000
#define IDC_DEMO_NAME 3100
#define IDC_DEMO_GROUP 3101
#define IDC_DEMO_CHECK 3102
#define IDC_DEMO_FOLDER 3103
#define IDC_DEMO_BROWSE 3104
#define IDC_DEMO_IMPORT 3105
#define IDC_DEMO_EXPORT 3106
#define IDC_DEMO_NOTES 3107
#define IDC_DEMO_CLEAR 3108

// String ids of the rule parser's error reasons. The resource library's string table holds their texts;
// the parser only names them, and the plug-in points the parser at the table.
#pragma once

#define IDS_ERR_SECOND_PART 487
#define IDS_ERR_SECOND_OPERATOR 488
#define IDS_ERR_SECOND_CASE 489
#define IDS_ERR_SECOND_NOT 490
#define IDS_ERR_UNKNOWN_WORD 491

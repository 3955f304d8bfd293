// Reading and working the configuration sheet's rules tree as a user does, from the driving thread.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace sheet_driving {

// One item of the rules tree as it shows.
struct tree_row {
  std::string text;
  int check = 0;  // state image: 0 none, 1 cleared, 2 ticked
  bool bold = false;
};

std::vector<tree_row> read_tree(HWND tree);
HTREEITEM tree_item(HWND tree, int index);
// Screen point of an item's check box, or of the middle of its label.
POINT check_box_point(HWND tree, int index);
POINT label_point(HWND tree, int index);

// The sheet, its current page and the rule edit dialog.
HWND find_sheet();
HWND current_page(HWND sheet);
HWND find_rule_dialog();

}  // namespace sheet_driving

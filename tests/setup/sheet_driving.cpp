#include "tests/setup/sheet_driving.h"

#include "tests/support/ui_driver.h"

namespace sheet_driving {

HTREEITEM tree_item(HWND tree, int index) {
  HTREEITEM item = TreeView_GetRoot(tree);
  for (int i = 0; item && i < index; ++i) item = TreeView_GetNextSibling(tree, item);
  return item;
}

std::vector<tree_row> read_tree(HWND tree) {
  std::vector<tree_row> rows;
  for (HTREEITEM item = TreeView_GetRoot(tree); item; item = TreeView_GetNextSibling(tree, item)) {
    char buffer[512] = {};
    TVITEMA data = {};
    data.mask = TVIF_TEXT | TVIF_STATE | TVIF_HANDLE;
    data.hItem = item;
    data.stateMask = TVIS_STATEIMAGEMASK | TVIS_BOLD;
    data.pszText = buffer;
    data.cchTextMax = sizeof(buffer);
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
    rows.push_back({data.pszText ? data.pszText : "",
                    static_cast<int>((data.state & TVIS_STATEIMAGEMASK) >> 12),
                    (data.state & TVIS_BOLD) != 0});
  }
  return rows;
}

namespace {
RECT label_rect(HWND tree, int index) {
  // TVM_GETITEMRECT takes the item in the rectangle's place.
  union {
    RECT rect;
    HTREEITEM item;
  } in_out = {};
  in_out.item = tree_item(tree, index);
  SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&in_out));
  return in_out.rect;
}
}  // namespace

POINT check_box_point(HWND tree, int index) {
  RECT rect = label_rect(tree, index);
  // The state image stands just left of the label.
  POINT p = {rect.left - 9, (rect.top + rect.bottom) / 2};
  ClientToScreen(tree, &p);
  return p;
}

POINT label_point(HWND tree, int index) {
  RECT rect = label_rect(tree, index);
  POINT p = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  ClientToScreen(tree, &p);
  return p;
}

HWND find_sheet() { return ui_driver::find_window(nullptr, "Antispam settings"); }

HWND current_page(HWND sheet) {
  return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

HWND find_rule_dialog() { return ui_driver::find_window("#32770", "Rule"); }

}  // namespace sheet_driving

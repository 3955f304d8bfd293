// The layout of a dialog made wider than its template, on dialogs of the test program's own resources:
// right-most controls end 10 pixels before the right edge (20 inside a group box), rows of buttons move
// together, OK moves, other push buttons move or widen by their neighbours, nothing is narrowed.
#include "ui/framework/dialog_layout.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tests/ui/layout_dialogs.h"

namespace {

INT_PTR CALLBACK plain_dialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

RECT client_rect_of(HWND dialog, int id) {
  RECT r = {};
  GetWindowRect(GetDlgItem(dialog, id), &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::string describe(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

// One dialog of the test's resources, hidden, widened by extra pixels before the layout runs; the
// rectangles of its controls before and after.
class laid_out_dialog {
 public:
  laid_out_dialog(int template_id, int extra_width) {
    dialog_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(template_id), nullptr,
                                 plain_dialog, 0);
    EXPECT_NE(dialog_, nullptr) << "template " << template_id;
    if (!dialog_) return;
    RECT outer;
    GetWindowRect(dialog_, &outer);
    SetWindowPos(dialog_, nullptr, 0, 0, outer.right - outer.left + extra_width, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (HWND c = GetWindow(dialog_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
      before_[GetDlgCtrlID(c)] = client_rect_of(dialog_, GetDlgCtrlID(c));
    RECT client;
    GetClientRect(dialog_, &client);
    right_edge_ = client.right;
  }
  ~laid_out_dialog() {
    if (dialog_) DestroyWindow(dialog_);
  }
  void lay_out() { stretch_dialog_controls(dialog_); }
  HWND window() const { return dialog_; }
  int right_edge() const { return right_edge_; }
  RECT before(int id) { return before_[id]; }
  RECT after(int id) const { return client_rect_of(dialog_, id); }

 private:
  HWND dialog_ = nullptr;
  int right_edge_ = 0;
  std::map<int, RECT> before_;
};

struct expected_edges {
  int id;
  int left, right;  // after the layout; top and bottom never change
};

void expect_edges(laid_out_dialog& d, const expected_edges& e, int line) {
  const RECT was = d.before(e.id), now = d.after(e.id);
  EXPECT_EQ(now.left, e.left) << "control " << e.id << " from line " << line << ": " << describe(was)
                              << " -> " << describe(now);
  EXPECT_EQ(now.right, e.right) << "control " << e.id << " from line " << line << ": " << describe(was)
                                << " -> " << describe(now);
  EXPECT_EQ(now.top, was.top) << "control " << e.id << " from line " << line;
  EXPECT_EQ(now.bottom, was.bottom) << "control " << e.id << " from line " << line;
}

constexpr int kWider = 120;

}  // namespace

TEST(ControlLayout, EditAloneOnItsRowEndsTenBeforeTheEdge) {
  laid_out_dialog d(IDD_LAYOUT_EDIT, kWider);
  const RECT label = d.before(IDC_L_LABEL), edit = d.before(IDC_L_EDIT), below = d.before(IDC_L_EDIT_BELOW);
  d.lay_out();
  const int r = d.right_edge();
  expect_edges(d, {IDC_L_EDIT, edit.left, r - 10}, __LINE__);
  expect_edges(d, {IDC_L_EDIT_BELOW, below.left, r - 10}, __LINE__);
  expect_edges(d, {IDC_L_LABEL, label.left, label.right}, __LINE__);  // not right-most: the edit is
}

TEST(ControlLayout, GroupBoxAndTheCheckBoxInsideIt) {
  laid_out_dialog d(IDD_LAYOUT_GROUP, kWider);
  const RECT group = d.before(IDC_L_GROUP), check = d.before(IDC_L_CHECK);
  d.lay_out();
  const int r = d.right_edge();
  expect_edges(d, {IDC_L_GROUP, group.left, r - 10}, __LINE__);
  expect_edges(d, {IDC_L_CHECK, check.left, r - 20}, __LINE__);
}

TEST(ControlLayout, TwoPushButtonsMoveTogetherKeepingTheirWidths) {
  laid_out_dialog d(IDD_LAYOUT_BUTTON_ROW, kWider);
  const RECT left = d.before(IDC_L_LEFT_BUTTON), right = d.before(IDC_L_RIGHT_BUTTON);
  d.lay_out();
  const int delta = d.right_edge() - 10 - right.right;
  ASSERT_GT(delta, 0);
  expect_edges(d, {IDC_L_LEFT_BUTTON, left.left + delta, left.right + delta}, __LINE__);
  expect_edges(d, {IDC_L_RIGHT_BUTTON, right.left + delta, right.right + delta}, __LINE__);
}

TEST(ControlLayout, OkButtonIsMovedNotWidened) {
  laid_out_dialog d(IDD_LAYOUT_OK, kWider);
  const RECT ok = d.before(IDOK), label = d.before(IDC_L_LABEL);
  d.lay_out();
  const int r = d.right_edge();
  expect_edges(d, {IDOK, r - 10 - (ok.right - ok.left), r - 10}, __LINE__);
  expect_edges(d, {IDC_L_LABEL, label.left, label.right}, __LINE__);
}

TEST(ControlLayout, PushButtonBesideAnEditIsWidenedAndTheEditKeepsItsSize) {
  laid_out_dialog d(IDD_LAYOUT_BUTTON_BESIDE_EDIT, kWider);
  const RECT edit = d.before(IDC_L_EDIT), button = d.before(IDC_L_BUTTON);
  d.lay_out();
  expect_edges(d, {IDC_L_BUTTON, button.left, d.right_edge() - 10}, __LINE__);
  expect_edges(d, {IDC_L_EDIT, edit.left, edit.right}, __LINE__);
}

TEST(ControlLayout, ControlsAtOrBeyondTheirTargetAreLeftAlone) {
  // The edit ends exactly 10 before the edge; the list reaches beyond it.
  laid_out_dialog probe(IDD_LAYOUT_ALREADY_WIDE, 0);
  RECT client;
  GetClientRect(probe.window(), &client);
  const int extra = probe.before(IDC_L_EDIT).right + 10 - client.right;
  laid_out_dialog d(IDD_LAYOUT_ALREADY_WIDE, extra);
  const RECT edit = d.before(IDC_L_EDIT), list = d.before(IDC_L_LIST);
  ASSERT_EQ(edit.right, d.right_edge() - 10);
  ASSERT_GT(list.right, d.right_edge() - 10);
  d.lay_out();
  expect_edges(d, {IDC_L_EDIT, edit.left, edit.right}, __LINE__);
  expect_edges(d, {IDC_L_LIST, list.left, list.right}, __LINE__);
}

TEST(ControlLayout, LonePushButtonMovesInTheRightHalfAndWidensInTheLeft) {
  laid_out_dialog d(IDD_LAYOUT_LONE_BUTTONS, kWider);
  const RECT right = d.before(IDC_L_RIGHT_BUTTON), left = d.before(IDC_L_LEFT_BUTTON);
  d.lay_out();
  const int r = d.right_edge();
  ASSERT_LT(left.left, r - left.right) << "the left button stands in the left half";
  expect_edges(d, {IDC_L_RIGHT_BUTTON, r - 10 - (right.right - right.left), r - 10}, __LINE__);
  expect_edges(d, {IDC_L_LEFT_BUTTON, left.left, r - 10}, __LINE__);
}

TEST(ControlLayout, AnotherControlBetweenButtonsBreaksTheRow) {
  laid_out_dialog d(IDD_LAYOUT_BROKEN_ROW, kWider);
  const RECT add = d.before(IDC_L_LEFT_BUTTON), check = d.before(IDC_L_CHECK),
             remove = d.before(IDC_L_RIGHT_BUTTON);
  d.lay_out();
  // Only the button right of the check box is in the row: alone, and overlapped, so it is widened.
  expect_edges(d, {IDC_L_RIGHT_BUTTON, remove.left, d.right_edge() - 10}, __LINE__);
  expect_edges(d, {IDC_L_LEFT_BUTTON, add.left, add.right}, __LINE__);
  expect_edges(d, {IDC_L_CHECK, check.left, check.right}, __LINE__);
}

#include "ui/framework/dialog_layout.h"

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kRightMargin = 10;
constexpr int kGroupedRightMargin = 20;  // a control inside a group box keeps clear of its frame
constexpr int kClassNameMax = 1000;
constexpr DWORD kButtonTypeMask = 0x0F;
constexpr int kOkId = 1;

struct control_record {
  HWND window = nullptr;
  DWORD style = 0;
  std::string class_name;
  RECT rect = {};  // in the dialog's client coordinates
  int id = 0;
  int margin = kRightMargin;

  bool button() const { return lstrcmpiA(class_name.c_str(), "button") == 0; }
  bool group_box() const { return button() && (style & kButtonTypeMask) == BS_GROUPBOX; }
  bool push_button() const { return button() && (style & kButtonTypeMask) < 2; }
  int width() const { return rect.right - rect.left; }
  // Vertical overlap, edges included.
  bool overlaps(const control_record& other) const {
    return rect.bottom >= other.rect.top && rect.top <= other.rect.bottom;
  }
};

typedef std::vector<std::unique_ptr<control_record>> record_list;
typedef std::vector<control_record*> record_refs;

record_list collect_controls(HWND dialog) {
  record_list records;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    auto record = std::make_unique<control_record>();
    record->window = child;
    record->style = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
    char name[kClassNameMax + 1] = {};
    GetClassNameA(child, name, sizeof(name));
    record->class_name = name;
    GetWindowRect(child, &record->rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&record->rect), 2);
    record->id = GetDlgCtrlID(child);
    records.push_back(std::move(record));
  }
  return records;
}

// Nothing but group boxes reaches further right on its line; a group box that does widens the margin.
bool is_right_most(const record_list& records, control_record* a) {
  for (const auto& b : records) {
    if (b.get() == a || !b->overlaps(*a) || b->rect.right <= a->rect.right) continue;
    if (!b->group_box()) return false;
    a->margin = kGroupedRightMargin;
  }
  return true;
}

// The run of same-height buttons on a's line to the right of the last other control on that line.
record_refs button_row(const record_list& records, const control_record& a) {
  record_refs row;
  int cursor = 0;
  for (const auto& b : records) {
    if (b->button() && b->rect.top == a.rect.top && b->rect.bottom == a.rect.bottom &&
        b->rect.left > cursor) {
      row.push_back(b.get());
    } else if (b->overlaps(a)) {
      cursor = b->rect.right;
      record_refs kept;
      for (control_record* r : row)
        if (r->rect.left > cursor) kept.push_back(r);
      row.swap(kept);
    }
  }
  return row;
}

void place(control_record* r, int left, int right) {
  r->rect.left = left;
  r->rect.right = right;
  MoveWindow(r->window, r->rect.left, r->rect.top, r->width(), r->rect.bottom - r->rect.top, FALSE);
}

void shift(control_record* r, int delta) { place(r, r->rect.left + delta, r->rect.right + delta); }

bool alone_on_its_line(const record_list& records, const control_record& a) {
  for (const auto& b : records)
    if (b.get() != &a && b->overlaps(a)) return false;
  return true;
}

// OK keeps its size; another push button keeps it when it stands alone in the right half.
bool moves_rather_than_stretches(const record_list& records, const control_record& a, int client_right) {
  if (!a.push_button()) return false;
  if (a.id == kOkId) return true;
  return alone_on_its_line(records, a) && a.rect.left >= client_right - a.rect.right;
}

void fit_to_right_edge(const record_list& records, control_record* a, int client_right) {
  const int target = client_right - a->margin;
  if (a->rect.right >= target) return;
  const int delta = target - a->rect.right;
  if (a->button() && !a->group_box()) {
    record_refs row = button_row(records, *a);
    if (row.size() >= 2) {
      for (control_record* r : row) shift(r, delta);
      return;
    }
  }
  if (moves_rather_than_stretches(records, *a, client_right))
    shift(a, delta);
  else
    place(a, a->rect.left, target);
}

}  // namespace

void stretch_dialog_controls(HWND dialog) {
  RECT client;
  if (!GetClientRect(dialog, &client)) return;
  record_list records = collect_controls(dialog);
  record_refs right_most, group_boxes;
  for (const auto& r : records) {
    if (!is_right_most(records, r.get())) continue;
    right_most.push_back(r.get());
    if (r->group_box()) group_boxes.push_back(r.get());
  }
  for (control_record* a : right_most) fit_to_right_edge(records, a, client.right);
  // Moved again last, so that each group box ends at its final place after everything inside it.
  for (control_record* g : group_boxes) place(g, g->rect.left, g->rect.right);
}

// The templates of rk_gui.dll made into real dialogs by the dialog manager, as the plug-in shows
// them: the controls its code talks to, their help ids, the accelerators of the labels and buttons,
// and a layout in which nothing overlaps and every text fits.
#include <windows.h>
// commctrl.h needs windows.h first
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <memory>

#include "tests/rk_gui/rk_gui_fixture.h"
#include "ui/framework/resource_ids.h"

using namespace rk_gui_test;

namespace {

int g_last_command = 0;

INT_PTR CALLBACK recording_proc(HWND, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_COMMAND && HIWORD(wparam) == BN_CLICKED) g_last_command = LOWORD(wparam);
  return message == WM_INITDIALOG;
}

// Wine's dialog manager differs from Windows' in two ways that matter here: it leaves the help ids
// of an extended template's controls unset, and it does not turn DS_CONTEXTHELP into
// WS_EX_CONTEXTHELP. The tests expect Windows' behaviour on Windows and Wine's on Wine.
bool under_wine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

// A frame holding one dialog of the library: the rule editor as a pop-up, a page as its child.
// Shown only for the tests of keys, which need visible, enabled controls.
class live_dialog {
 public:
  explicit live_dialog(int id, bool shown = false) {
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
    frame_ = CreateWindowExA(0, "STATIC", "frame", WS_OVERLAPPEDWINDOW, 0, 0, 700, 600, nullptr, nullptr,
                             nullptr, nullptr);
    dialog_ = CreateDialogParamA(library(), MAKEINTRESOURCEA(id), frame_, recording_proc, 0);
    if (!dialog_ || !shown) return;
    ShowWindow(frame_, SW_SHOW);
    EnableWindow(dialog_, TRUE);  // pages come disabled; their sheet enables them
    ShowWindow(dialog_, SW_SHOW);
  }
  ~live_dialog() {
    if (dialog_) DestroyWindow(dialog_);
    DestroyWindow(frame_);
  }
  HWND get() const { return dialog_; }
  HWND item(int id) const { return GetDlgItem(dialog_, id); }

 private:
  HWND frame_ = nullptr, dialog_ = nullptr;
};

const dialog_item* template_item(const dialog_template& t, int id) {
  for (const dialog_item& item : t.items)
    if (item.id == static_cast<uint32_t>(id)) return &item;
  return nullptr;
}

std::vector<HWND> children_of(HWND dialog) {
  std::vector<HWND> out;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    out.push_back(child);
  return out;
}

std::string class_of(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof(name));
  return name;
}

std::string text_of(HWND window) {
  char text[512] = {};
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

RECT rect_in(HWND dialog, HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

char accelerator_of(const std::string& text) {
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] != '&') return static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
    ++i;
  }
  return 0;
}

// The room a control's text needs in its font: labels wrap, buttons and check boxes keep one line.
SIZE text_room(HWND control, int wrap_width) {
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
  RECT r = {0, 0, wrap_width, 0};
  std::string text = text_of(control);
  DrawTextA(dc, text.c_str(), -1, &r, DT_CALCRECT | (wrap_width ? DT_WORDBREAK : DT_SINGLELINE));
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return {r.right - r.left, r.bottom - r.top};
}

}  // namespace

TEST(Dialogs, CarryEveryControlOfTheirCodeWithItsClassStyleAndHelpId) {
  const struct {
    int dialog, control;
    const char* class_name;
    DWORD style_mask, style;
    DWORD help_id;
  } rows[] = {
      {IDD_RULE_EDIT, IDC_RULE_PART, "ComboBox", 0x3, CBS_DROPDOWNLIST, HID_RULE_EDIT_PART},
      {IDD_RULE_EDIT, IDC_RULE_OPERATOR, "ComboBox", 0x3, CBS_DROPDOWNLIST, HID_RULE_EDIT_OPERATOR},
      {IDD_RULE_EDIT, IDC_RULE_CASE, "Button", 0xF, BS_AUTOCHECKBOX, HID_RULE_EDIT_CASE},
      {IDD_RULE_EDIT, IDC_RULE_VALUE, "Edit", ES_AUTOHSCROLL | ES_MULTILINE, ES_AUTOHSCROLL,
       HID_RULE_EDIT_VALUE},
      {IDD_RULE_EDIT, IDC_RULE_NAME, "Edit", ES_AUTOHSCROLL | ES_MULTILINE, ES_AUTOHSCROLL,
       HID_RULE_EDIT_NAME},
      {IDD_RULE_EDIT, IDOK, "Button", 0xF, BS_DEFPUSHBUTTON, HID_RULE_EDIT_OK},
      {IDD_RULE_EDIT, IDCANCEL, "Button", 0xF, BS_PUSHBUTTON, HID_RULE_EDIT_CANCEL},
      // The page adds the check boxes after creation: a tree created with them shows no ticks.
      {IDD_WHITE_LIST_PAGE, IDC_RULES_TREE, "SysTreeView32", TVS_CHECKBOXES | TVS_EDITLABELS, TVS_EDITLABELS,
       HID_WHITE_LIST_TREE},
      {IDD_WHITE_LIST_PAGE, IDC_RULE_ADD, "Button", 0xF, BS_PUSHBUTTON, HID_WHITE_LIST_ADD},
      {IDD_WHITE_LIST_PAGE, IDC_RULE_EDIT, "Button", 0xF, BS_PUSHBUTTON, HID_WHITE_LIST_EDIT},
      {IDD_WHITE_LIST_PAGE, IDC_RULE_COPY, "Button", 0xF, BS_PUSHBUTTON, HID_WHITE_LIST_COPY},
      {IDD_WHITE_LIST_PAGE, IDC_RULE_DELETE, "Button", 0xF, BS_PUSHBUTTON, HID_WHITE_LIST_DELETE},
      {IDD_WHITE_LIST_PAGE, IDC_TRAIN_BY_ADDRESS_BOOK, "Button", 0xF, BS_AUTOCHECKBOX,
       HID_WHITE_LIST_ADDRESS_BOOK},
      {IDD_WHITE_LIST_PAGE, IDC_TRAIN_BY_SENT_ITEMS, "Button", 0xF, BS_AUTOCHECKBOX,
       HID_WHITE_LIST_SENT_ITEMS},
      {IDD_BLACK_LIST_PAGE, IDC_RULES_TREE, "SysTreeView32", TVS_CHECKBOXES | TVS_EDITLABELS, TVS_EDITLABELS,
       HID_BLACK_LIST_TREE},
      {IDD_BLACK_LIST_PAGE, IDC_RULE_ADD, "Button", 0xF, BS_PUSHBUTTON, HID_BLACK_LIST_ADD},
      {IDD_BLACK_LIST_PAGE, IDC_RULE_EDIT, "Button", 0xF, BS_PUSHBUTTON, HID_BLACK_LIST_EDIT},
      {IDD_BLACK_LIST_PAGE, IDC_RULE_COPY, "Button", 0xF, BS_PUSHBUTTON, HID_BLACK_LIST_COPY},
      {IDD_BLACK_LIST_PAGE, IDC_RULE_DELETE, "Button", 0xF, BS_PUSHBUTTON, HID_BLACK_LIST_DELETE},
  };
  std::map<int, std::unique_ptr<live_dialog>> dialogs;
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    auto& d = dialogs[rows[i].dialog];
    if (!d) d = std::make_unique<live_dialog>(rows[i].dialog);
    ASSERT_NE(d->get(), nullptr) << "row " << i;
    HWND control = d->item(rows[i].control);
    ASSERT_NE(control, nullptr) << "row " << i;
    EXPECT_STRCASEEQ(class_of(control).c_str(), rows[i].class_name) << "row " << i;
    DWORD style = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
    EXPECT_EQ(style & rows[i].style_mask, rows[i].style) << "row " << i;
    EXPECT_TRUE(style & WS_TABSTOP) << "row " << i;
    const dialog_item* item = template_item(read_template(rows[i].dialog), rows[i].control);
    ASSERT_NE(item, nullptr) << "row " << i;
    EXPECT_EQ(item->help_id, rows[i].help_id) << "row " << i;
    EXPECT_EQ(GetWindowContextHelpId(control), under_wine() ? 0 : rows[i].help_id) << "row " << i;
  }
}

TEST(Dialogs, AskForTheHelpButtonAndCarryTheirHelpIds) {
  for (int id : kTemplates) {
    live_dialog d(id);
    ASSERT_NE(d.get(), nullptr) << id;
    dialog_template t = read_template(id);
    EXPECT_TRUE(GetWindowLongA(d.get(), GWL_STYLE) & DS_CONTEXTHELP) << id;
    EXPECT_EQ((GetWindowLongA(d.get(), GWL_EXSTYLE) & WS_EX_CONTEXTHELP) != 0, !under_wine()) << id;
    EXPECT_EQ(GetWindowContextHelpId(d.get()), t.help_id) << id;
    std::vector<HWND> children = children_of(d.get());
    ASSERT_EQ(children.size(), t.items.size()) << id;
    for (size_t i = 0; i < children.size(); ++i)
      EXPECT_EQ(GetWindowContextHelpId(children[i]), under_wine() ? 0 : t.items[i].help_id)
          << id << " '" << text_of(children[i]) << "'";
  }
}

TEST(Dialogs, AcceleratorsAreUniqueAndReachTheirControls) {
  // A label's key moves the focus to its field; a button's or check box's key clicks it. The pages
  // leave 'a' to the sheet's Apply button.
  const struct {
    int dialog;
    char key;
    int control;
    bool clicks;
  } rows[] = {
      {IDD_RULE_EDIT, 'l', IDC_RULE_PART, false},
      {IDD_RULE_EDIT, 'm', IDC_RULE_OPERATOR, false},
      {IDD_RULE_EDIT, 't', IDC_RULE_VALUE, false},
      {IDD_RULE_EDIT, 'c', IDC_RULE_CASE, true},
      {IDD_RULE_EDIT, 'n', IDC_RULE_NAME, false},
      {IDD_WHITE_LIST_PAGE, 'r', IDC_RULES_TREE, false},
      {IDD_WHITE_LIST_PAGE, 'd', IDC_RULE_ADD, true},
      {IDD_WHITE_LIST_PAGE, 'e', IDC_RULE_EDIT, true},
      {IDD_WHITE_LIST_PAGE, 'c', IDC_RULE_COPY, true},
      {IDD_WHITE_LIST_PAGE, 'l', IDC_RULE_DELETE, true},
      {IDD_WHITE_LIST_PAGE, 's', IDC_TRAIN_BY_SENT_ITEMS, true},
      {IDD_WHITE_LIST_PAGE, 't', IDC_TRAIN_BY_ADDRESS_BOOK, true},
      {IDD_BLACK_LIST_PAGE, 'r', IDC_RULES_TREE, false},
      {IDD_BLACK_LIST_PAGE, 'd', IDC_RULE_ADD, true},
      {IDD_BLACK_LIST_PAGE, 'e', IDC_RULE_EDIT, true},
      {IDD_BLACK_LIST_PAGE, 'c', IDC_RULE_COPY, true},
      {IDD_BLACK_LIST_PAGE, 'l', IDC_RULE_DELETE, true},
  };
  for (int id : kTemplates) {
    live_dialog d(id);
    ASSERT_NE(d.get(), nullptr) << id;
    std::map<char, std::string> seen;
    if (id != IDD_RULE_EDIT) seen['a'] = "the sheet's Apply button";
    for (HWND child : children_of(d.get())) {
      char key = accelerator_of(text_of(child));
      if (!key) continue;
      EXPECT_TRUE(seen.emplace(key, text_of(child)).second)
          << id << ": '" << text_of(child) << "' and '" << seen[key] << "' share the key " << key;
    }
  }
  std::map<int, std::unique_ptr<live_dialog>> dialogs;
  for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
    auto& d = dialogs[rows[i].dialog];
    if (!d) d = std::make_unique<live_dialog>(rows[i].dialog, true);
    ASSERT_NE(d->get(), nullptr) << "row " << i;
    SetFocus(nullptr);
    g_last_command = 0;
    MSG key = {d->get(), WM_SYSCHAR, static_cast<WPARAM>(rows[i].key), 1 << 29, 0, {}};
    EXPECT_TRUE(IsDialogMessageA(d->get(), &key)) << "row " << i;
    if (rows[i].clicks)
      EXPECT_EQ(g_last_command, rows[i].control) << "row " << i;
    else
      EXPECT_EQ(GetFocus(), d->item(rows[i].control)) << "row " << i;
  }
}

TEST(Dialogs, ControlsStayInsideWithoutOverlapAndTheirTextsFit) {
  for (int id : kTemplates) {
    live_dialog d(id);
    ASSERT_NE(d.get(), nullptr) << id;
    RECT client;
    GetClientRect(d.get(), &client);
    std::vector<HWND> children = children_of(d.get());
    for (size_t i = 0; i < children.size(); ++i) {
      RECT r = rect_in(d.get(), children[i]), both;
      std::string what = std::to_string(id) + " '" + text_of(children[i]) + "'";
      EXPECT_TRUE(r.left >= client.left && r.top >= client.top && r.right <= client.right &&
                  r.bottom <= client.bottom)
          << what;
      for (size_t j = i + 1; j < children.size(); ++j) {
        RECT other = rect_in(d.get(), children[j]);
        EXPECT_FALSE(IntersectRect(&both, &r, &other))
            << what << " overlaps '" << text_of(children[j]) << "'";
      }
      std::string cls = class_of(children[i]);
      DWORD kind = static_cast<DWORD>(GetWindowLongA(children[i], GWL_STYLE)) & 0xF;
      int width = r.right - r.left, height = r.bottom - r.top;
      if (!lstrcmpiA(cls.c_str(), "Static") && kind == SS_LEFT) {
        EXPECT_LE(text_room(children[i], width).cy, height) << what << ": wrapped text is cut off";
      } else if (!lstrcmpiA(cls.c_str(), "Button")) {
        int box = kind == BS_AUTOCHECKBOX ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : 8;
        EXPECT_LE(text_room(children[i], 0).cx + box, width) << what << ": text is cut off";
      }
    }
  }
}

TEST(Dialogs, WhiteListOptionsLieBelowTheTreeWithTheAddressBookBoxLowest) {
  // The page hides both options and grows the tree down to where the address-book box ended.
  live_dialog d(IDD_WHITE_LIST_PAGE);
  ASSERT_NE(d.get(), nullptr);
  RECT tree = rect_in(d.get(), d.item(IDC_RULES_TREE));
  RECT book = rect_in(d.get(), d.item(IDC_TRAIN_BY_ADDRESS_BOOK));
  RECT sent = rect_in(d.get(), d.item(IDC_TRAIN_BY_SENT_ITEMS));
  EXPECT_GT(book.top, tree.bottom);
  EXPECT_GT(sent.top, tree.bottom);
  EXPECT_GE(book.bottom, sent.bottom);
}

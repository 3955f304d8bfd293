#include "ui/framework/property_sheet.h"

#include <cstring>

#include "ui/framework/activation_context.h"
#include "ui/framework/dialog_layout.h"
#include "ui/framework/dialog_template.h"
#include "ui/framework/gui_module.h"

namespace {
// Control ids of the sheet's buttons, in the order of sheet_button.
constexpr int kButtonIds[kSheetButtonCount] = {12323, 12324, 12325, IDCANCEL, 9};

static_assert(sizeof(PROPSHEETHEADERA) == 96, "the header record with the watermark fields");

// Between do_modal and the first callback that names the sheet's window; one sheet starts at a time.
property_sheet* g_sheet_being_created = nullptr;

int CALLBACK sheet_callback(HWND window, UINT, LPARAM) {
  if (window && g_sheet_being_created) {
    property_sheet* sheet = g_sheet_being_created;
    g_sheet_being_created = nullptr;
    sheet->subclass_window(window, false);
  }
  return 0;
}

bool readable(DWORD protect) {
  if (protect & (PAGE_GUARD | PAGE_NOACCESS)) return false;
  return (protect & (PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                     PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY)) != 0;
}

// How many of the wanted bytes from p on can be read: a template is only a pointer, so its size is
// bounded by the committed, readable memory it lies in.
size_t readable_bytes(const void* p, size_t wanted) {
  size_t got = 0;
  const char* at = static_cast<const char*>(p);
  while (got < wanted) {
    MEMORY_BASIC_INFORMATION info;
    if (!VirtualQuery(at + got, &info, sizeof(info)) || info.State != MEM_COMMIT || !readable(info.Protect))
      break;
    got = static_cast<size_t>(static_cast<const char*>(info.BaseAddress) + info.RegionSize - at);
  }
  return got < wanted ? got : wanted;
}

// The in-memory template of a page record, and how many of its header bytes can be read.
const uint8_t* page_template(const PROPSHEETPAGEA& page, size_t* size) {
  if (!(page.dwFlags & PSP_DLGINDIRECT) || !page.pResource) return nullptr;
  const auto* bits = reinterpret_cast<const uint8_t*>(page.pResource);
  *size = readable_bytes(bits, kExtendedSizeOffset + 4);
  return bits;
}

// The template's header is part of a loaded module's read-only image: it is made writable for the
// two words and put back as it was.
bool write_size(const uint8_t* bits, size_t size, uint16_t width, uint16_t height) {
  const size_t header = template_header_size(bits, size);
  DWORD old = 0;
  void* target = const_cast<uint8_t*>(bits);
  if (header == 0 || !VirtualProtect(target, header, PAGE_READWRITE, &old)) return false;
  const bool written = write_template_size(static_cast<uint8_t*>(target), size, width, height);
  VirtualProtect(target, header, old, &old);
  return written;
}
}  // namespace

bool equalize_page_sizes(PROPSHEETHEADERA* header, unsigned min_width, unsigned min_height) {
  if (!(header->dwFlags & PSH_PROPSHEETPAGE) || !header->ppsp) return false;
  uint16_t width = static_cast<uint16_t>(min_width), height = static_cast<uint16_t>(min_height);
  bool any = false;
  for (UINT i = 0; i < header->nPages; ++i) {
    size_t size = 0;
    const uint8_t* bits = page_template(header->ppsp[i], &size);
    uint16_t w, h;
    if (!bits || !read_template_size(bits, size, &w, &h)) continue;
    any = true;
    if (w > width) width = w;
    if (h > height) height = h;
  }
  if (!any) return false;
  bool all = true;
  for (UINT i = 0; i < header->nPages; ++i) {
    size_t size = 0;
    const uint8_t* bits = page_template(header->ppsp[i], &size);
    uint16_t w, h;
    if (bits && read_template_size(bits, size, &w, &h)) all = write_size(bits, size, width, height) && all;
  }
  return all;
}

property_sheet::property_sheet() {
  header_.dwSize = sizeof(header_);
  header_.dwFlags = PSH_PROPSHEETPAGE;
  header_.hInstance = resource_instance();
}

property_sheet::~property_sheet() {
  if (g_sheet_being_created == this) g_sheet_being_created = nullptr;
  delete[] header_.pszCaption;
  delete[] header_.ppsp;
}

PROPSHEETPAGEA* property_sheet::set_page_count(unsigned count) {
  delete[] header_.ppsp;
  header_.ppsp = count ? new PROPSHEETPAGEA[count]() : nullptr;
  header_.nPages = header_.ppsp ? count : 0;
  return const_cast<PROPSHEETPAGEA*>(header_.ppsp);
}

PROPSHEETPAGEA* property_sheet::page(unsigned index) {
  return index < header_.nPages ? const_cast<PROPSHEETPAGEA*>(&header_.ppsp[index]) : nullptr;
}

void property_sheet::set_caption(const char* caption) {
  delete[] header_.pszCaption;
  header_.pszCaption = nullptr;
  if (!caption) return;
  const size_t n = strlen(caption) + 1;
  char* copy = new char[n];
  memcpy(copy, caption, n);
  header_.pszCaption = copy;
}

void property_sheet::set_button_text(sheet_button button, unsigned string_id) {
  button_text_[static_cast<int>(button)] = string_id;
}

INT_PTR property_sheet::do_modal(HWND parent) {
  centred_ = false;
  header_.dwFlags |= PSH_USECALLBACK;
  header_.pfnCallback = sheet_callback;
  header_.hwndParent = parent;
  equalize_page_sizes(&header_, 0, 0);
  if (gui_module* gui = current_gui_module()) gui->ensure_common_controls();
  property_sheet_fn run = property_sheet_entry();
  if (!run) return -1;
  g_sheet_being_created = this;
  INT_PTR result;
  {
    activation_scope scope;
    result = run(&header_);
  }
  // A sheet that failed before its first callback must not be left behind for the next one.
  if (g_sheet_being_created == this) g_sheet_being_created = nullptr;
  return result;
}

void property_sheet::on_attached() {
  for (int i = 0; i < kSheetButtonCount; ++i) {
    if (button_text_[i] == 0) continue;
    text caption = load_string(button_text_[i]);
    SetDlgItemTextA(window(), kButtonIds[i], caption.c_str());
  }
  stretch_dialog_controls(window());
}

LRESULT property_sheet::on_notify(WPARAM, NMHDR*) { return reflect_to_child(); }

LRESULT property_sheet::on_reflected_notify(NMHDR* header, int*) {
  if (header && header->code == PSN_SETACTIVE) centre();
  return 0;
}

// A hidden parent (a host that starts minimised to the tray) gives no place to centre on.
void property_sheet::centre() {
  if (centred_) return;
  centred_ = true;
  HWND reference = GetParent(window());
  if (!reference || !IsWindow(reference) || !IsWindowVisible(reference)) reference = GetDesktopWindow();
  RECT outer, sheet;
  if (!GetWindowRect(reference, &outer) || !GetWindowRect(window(), &sheet)) return;
  const int width = sheet.right - sheet.left, height = sheet.bottom - sheet.top;
  MoveWindow(window(), (outer.left + outer.right) / 2 - width / 2,
             (outer.top + outer.bottom) / 2 - height / 2, width, height, TRUE);
}

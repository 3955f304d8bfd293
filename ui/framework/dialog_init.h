// Dialog init data (RT_DLGINIT): the items a resource compiler puts into a dialog's list and combo
// boxes, read as outside input. Free of Win32, so it also builds natively.
//
// A run of entries ended by a control id of 0: control id u16, message u16, data length u32, then the
// data (for the adding messages a string, usually with its terminating zero).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr size_t kDialogInitEntryHeader = 8;

// The codes a resource compiler writes for the adding messages, and the messages they stand for.
constexpr uint16_t kInitListBoxAdd = 1025;        // LB_ADDSTRING
constexpr uint16_t kInitComboBoxAdd = 1027;       // CB_ADDSTRING
constexpr uint16_t kInitComboBoxExInsert = 4660;  // CBEM_INSERTITEM
constexpr unsigned kListBoxAddString = 384;
constexpr unsigned kComboBoxAddString = 323;
constexpr unsigned kComboBoxExInsertItem = 1025;

struct dialog_init_entry {
  uint16_t control_id = 0;
  uint16_t message = 0;  // as written: one of the kInit codes, or another value to be skipped
  std::string text;      // the data up to its first zero, or all of it when it has none
};

// Reads entries up to the terminating control id 0 (or the end of the data). False when an entry is
// cut short; the entries before it are kept in out.
bool read_dialog_init(const uint8_t* bits, size_t size, std::vector<dialog_init_entry>* out);

// The window message an entry's code stands for; 0 for a code that is not applied.
unsigned dialog_init_message(uint16_t code);

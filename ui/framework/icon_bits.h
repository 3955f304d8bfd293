// Icon resources read as outside input: the bits of one image (RT_ICON) and the directory of an icon
// group (RT_GROUP_ICON). Free of Win32, so they also build natively.
//
// Image bits: a bitmap information header of kBitmapHeaderSize bytes (header size u32, width i32,
// height i32 covering the colour and the mask images together, planes u16, bit count u16, compression
// u32, image size u32, two resolutions i32, colours used u32, colours important u32), then for bit
// counts up to 8 a palette of 4-byte entries (blue, green, red, unused), then the colour rows and the
// monochrome mask rows (1 bit a pixel, most significant first), both bottom-up and each row padded to a
// multiple of 4 bytes. Newer icons may hold a PNG stream instead; those are not decoded here.
//
// Group directory: reserved u16, type u16, entry count u16, then kGroupEntrySize-byte entries: width
// u8, height u8 (0 meaning 256), colour count u8, reserved u8, planes u16, bit count u16, size in bytes
// u32, icon id u16.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr size_t kBitmapHeaderSize = 40;
constexpr size_t kGroupHeaderSize = 6;
constexpr size_t kGroupEntrySize = 14;
constexpr uint32_t kBitmapUncompressed = 0;

struct icon_header {
  uint32_t header_size = 0;
  int32_t width = 0;
  int32_t height = 0;  // colour and mask together
  uint16_t planes = 0;
  uint16_t bit_count = 0;
  uint32_t compression = 0;
  uint32_t colours_used = 0;
};

// False when the bits are too short for a header or do not start with one (a PNG stream, say).
bool read_icon_header(const uint8_t* bits, size_t size, icon_header* header);

// Bytes an uncompressed bitmap icon needs for its header, palette, colour and mask rows; 0 when the
// header describes no such image (unknown bit count, compressed, absurd sizes).
size_t icon_bits_needed(const icon_header& header);

enum class icon_decode {
  kDecoded,      // the frame is filled
  kOtherFormat,  // another size, bit count or encoding: leave it to the system's conversion
  kCorrupt,      // a bitmap of the right shape whose rows do not fit in the bits
};

// Decodes bits of exactly width x height pixels (1 to 8, 24 or 32 bits a pixel, uncompressed) into
// out, width x height x 4 bytes of blue, green, red, alpha, bottom-up. Palette and 24-bit images take
// their alpha from the mask (set bit: transparent). A 32-bit image keeps its own alpha unless every
// alpha byte is 0, as in icons made before alpha existed: then the mask gives it.
icon_decode decode_icon_bits(const uint8_t* bits, size_t size, uint32_t width, uint32_t height, uint8_t* out);

struct group_entry {
  uint32_t width = 0;
  uint32_t height = 0;
  uint8_t colours = 0;
  uint16_t planes = 0;
  uint16_t bit_count = 0;
  uint32_t bytes = 0;
  uint16_t icon_id = 0;
};

// False when the directory is shorter than its header. Entries that the directory claims but that do
// not fit are left out.
bool read_group_directory(const uint8_t* bits, size_t size, std::vector<group_entry>* entries);

// The entry an image of width x height takes (0 matches any): the deepest entry of that size, the
// later of equally deep ones, the first entry when none has the size. -1 for an empty group.
int choose_group_entry(const std::vector<group_entry>& entries, uint32_t width, uint32_t height);

#include "ui/framework/images.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "log/log.h"
#include "ui/framework/icon_bits.h"

namespace {

constexpr DWORD kIconFormatVersion = 0x30000;
constexpr uint32_t kUnreadDepth = 0xFFFFFFFF;
constexpr uint32_t kPaletteDepth = 8;
constexpr int kGreyLevels = 256;

// A bottom-up DIB section selected into a memory device context of its own. Eight bits a pixel get a
// grey palette (entry i = i, i, i), so that a monochrome mask copied into it reads 0 or 255.
class dib_section {
 public:
  dib_section(int width, int height, int bits) {
    struct {
      BITMAPINFOHEADER header;
      RGBQUAD colours[kGreyLevels];
    } info = {};
    info.header.biSize = sizeof(info.header);
    info.header.biWidth = width;
    info.header.biHeight = height;  // positive: bottom-up
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(bits);
    info.header.biCompression = BI_RGB;
    if (bits == 8) {
      info.header.biClrUsed = kGreyLevels;
      for (int i = 0; i < kGreyLevels; ++i) {
        BYTE v = static_cast<BYTE>(i);
        info.colours[i] = {v, v, v, 0};
      }
    }
    stride_ = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    dc_ = CreateCompatibleDC(nullptr);
    void* bits_out = nullptr;
    if (dc_ && width > 0 && height > 0)
      bitmap_ =
          CreateDIBSection(dc_, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits_out, nullptr, 0);
    if (!bitmap_) return;
    old_ = SelectObject(dc_, bitmap_);
    bits_ = static_cast<uint8_t*>(bits_out);
  }
  ~dib_section() {
    if (old_) SelectObject(dc_, old_);
    if (bitmap_) DeleteObject(bitmap_);
    if (dc_) DeleteDC(dc_);
  }
  dib_section(const dib_section&) = delete;
  dib_section& operator=(const dib_section&) = delete;

  bool ok() const { return bits_ != nullptr; }
  HDC dc() const { return dc_; }
  uint8_t* row(int y) const { return bits_ + stride_ * static_cast<size_t>(y); }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint8_t* bits_ = nullptr;
  size_t stride_ = 0;
};

// The two bitmaps GetIconInfo hands out, deleted with the holder.
struct icon_bitmaps {
  ICONINFO info = {};
  ~icon_bitmaps() {
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
  }
  // The colour bitmap's size; false when the icon has none that can be read.
  bool colour_size(BITMAP* bitmap) const {
    return info.hbmColor && GetObjectA(info.hbmColor, sizeof(*bitmap), bitmap) == sizeof(*bitmap);
  }
};

// Copies a bitmap of the given size into the whole section: as it is when the sizes match, stretched
// otherwise.
bool copy_bitmap(HBITMAP bitmap, int width, int height, const dib_section& to, int to_width, int to_height) {
  HDC from = CreateCompatibleDC(nullptr);
  if (!from) return false;
  HGDIOBJ old = SelectObject(from, bitmap);
  BOOL done;
  if (width == to_width && height == to_height) {
    done = BitBlt(to.dc(), 0, 0, width, height, from, 0, 0, SRCCOPY);
  } else {
    SetStretchBltMode(to.dc(), COLORONCOLOR);
    done = StretchBlt(to.dc(), 0, 0, to_width, to_height, from, 0, 0, width, height, SRCCOPY);
  }
  SelectObject(from, old);
  DeleteDC(from);
  GdiFlush();
  return done != FALSE;
}

bool any_alpha(const dib_section& pixels, int width, int height) {
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = pixels.row(y);
    for (int x = 0; x < width; ++x)
      if (row[x * 4 + 3]) return true;
  }
  return false;
}

struct placement {
  int x, y, width, height;
};

int place_axis(int low, int high, int size, uint32_t bits) {
  if (bits == 0) return low;
  if (bits == 1) return high - size;
  return (low + high - size) / 2;
}

// Full size when the rectangle holds the image, else half size.
placement place(const RECT& rect, int width, int height, uint32_t flags) {
  bool fits = rect.right - rect.left >= width && rect.bottom - rect.top >= height;
  placement p;
  p.width = fits ? width : width / 2;
  p.height = fits ? height : height / 2;
  p.x = place_axis(rect.left, rect.right, p.width, flags & 3);
  p.y = place_axis(rect.top, rect.bottom, p.height, (flags >> 2) & 3);
  return p;
}

// The background under the image, read at the image's full size.
bool read_background(HDC dc, const placement& p, const dib_section& back, int width, int height) {
  bool done = BitBlt(back.dc(), 0, 0, width, height, dc, p.x, p.y, SRCCOPY) != FALSE;
  GdiFlush();
  return done;
}

void write_back(HDC dc, const placement& p, const dib_section& back, int width, int height) {
  if (p.width == width && p.height == height) {
    BitBlt(dc, p.x, p.y, width, height, back.dc(), 0, 0, SRCCOPY);
    return;
  }
  int old = SetStretchBltMode(dc, COLORONCOLOR);
  StretchBlt(dc, p.x, p.y, p.width, p.height, back.dc(), 0, 0, width, height, SRCCOPY);
  if (old) SetStretchBltMode(dc, old);
}

struct colour {
  int blue, green, red;
};

int grey_of(const colour& c) { return (c.red + c.green + c.blue) / 6 + 128; }
int contrast(int c) { return (c - 128) * 3 / 2 + 128; }
int clamp_channel(int c) { return std::min(255, std::max(0, c)); }

// draw_frame's looks: grey, then faded, or else high contrast; channels may leave 0..255 here.
colour frame_look(colour c, uint32_t flags) {
  if (flags & kDrawGrey) c.blue = c.green = c.red = grey_of(c);
  if (flags & kDrawFaded) {
    int g = grey_of(c);
    c = {(c.blue + 2 * g) / 3, (c.green + 2 * g) / 3, (c.red + 2 * g) / 3};
  } else if (flags & kDrawHighContrast) {
    c = {contrast(c.blue), contrast(c.green), contrast(c.red)};
  }
  return c;
}

// draw_icon_alpha's looks: grey, or else high contrast kept within 0..255.
colour icon_look(colour c, uint32_t flags) {
  if (flags & kDrawGrey) {
    c.blue = c.green = c.red = grey_of(c);
  } else if (flags & kDrawHighContrast) {
    c = {clamp_channel(contrast(c.blue)), clamp_channel(contrast(c.green)), clamp_channel(contrast(c.red))};
  }
  return c;
}

void blend_255(const colour& c, int alpha, uint8_t* to) {
  const int channel[3] = {c.blue, c.green, c.red};
  for (int i = 0; i < 3; ++i)
    to[i] = static_cast<uint8_t>(clamp_channel((channel[i] * alpha + to[i] * (255 - alpha)) / 255));
}

// The icon path divides by 256: an opaque pixel comes out one step darker at most, and never beyond 255.
void blend_256(const colour& c, int alpha, uint8_t* to) {
  const int channel[3] = {c.blue, c.green, c.red};
  for (int i = 0; i < 3; ++i)
    to[i] = static_cast<uint8_t>((channel[i] * alpha + to[i] * (255 - alpha)) / 256);
}

struct resource_bits {
  const uint8_t* data = nullptr;
  size_t size = 0;
};

bool find_resource(HMODULE module, unsigned id, LPCSTR type, resource_bits* out) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
  if (!found) return false;
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return false;
  out->data = static_cast<const uint8_t*>(data);
  out->size = SizeofResource(module, found);
  return true;
}

// The system converts what is not decoded in place. Bitmap bits are measured first, so that the
// system never reads past them.
int convert_icon_bits(xpimage* image, const uint8_t* bits, size_t size) {
  icon_header header;
  if (read_icon_header(bits, size, &header)) {
    size_t needed = icon_bits_needed(header);
    if (needed == 0 || needed > size) return -1;
  }
  if (size > MAXDWORD) return -1;
  HICON icon =
      CreateIconFromResourceEx(const_cast<PBYTE>(bits), static_cast<DWORD>(size), TRUE, kIconFormatVersion,
                               static_cast<int>(image->width), static_cast<int>(image->height), 0);
  if (!icon) return -1;
  int index = add_hicon_frame(image, icon);
  DestroyIcon(icon);
  return index < 0 ? -1 : index;
}

void copy_alpha_from_mask(const dib_section& mask, uint8_t* frame, int width, int height) {
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = mask.row(y);
    for (int x = 0; x < width; ++x) frame[(static_cast<size_t>(y) * width + x) * 4 + 3] = 255 - row[x];
  }
}

}  // namespace

xpimage::xpimage(uint32_t w, uint32_t h, uint32_t initial_frames, uint32_t step)
    : width(w), height(h), growth_step(step ? step : 1) {
  reserve(initial_frames);
}

bool xpimage::check_guard() const {
  if (magic == xpimage_magic) return true;
  // The line has room for 32 bits: the low half of the address, which is what tells images apart.
  unsigned address = static_cast<unsigned>(reinterpret_cast<uintptr_t>(this));
  RLOG("[!] xpimage: corrupted memory at %08X {%08X}", address, address);
  return false;
}

bool xpimage::reserve(uint32_t frames) {
  check_guard();
  if (capacity >= frames) return true;
  uint32_t step = growth_step ? growth_step : 1;
  uint64_t rounded = (static_cast<uint64_t>(frames) + step - 1) / step * step;
  size_t one = frame_bytes();
  if (rounded > UINT32_MAX || (one && rounded > SIZE_MAX / one)) return false;
  size_t bytes = one * static_cast<size_t>(rounded);
  uint8_t* fresh = nullptr;
  if (bytes) {
    fresh = static_cast<uint8_t*>(std::calloc(bytes, 1));
    if (!fresh) return false;
    if (pixels) std::memcpy(fresh, pixels, std::min(one * frame_count, bytes));
  }
  std::free(pixels);
  pixels = fresh;
  capacity = static_cast<uint32_t>(rounded);
  return true;
}

void xpimage::clear() {
  if (!check_guard()) return;
  std::free(pixels);
  pixels = nullptr;
  width = height = frame_count = capacity = 0;
  growth_step = 4;
}

bool xpimage::is_empty() const {
  check_guard();
  return pixels == nullptr;
}

uint8_t* xpimage::frame(uint32_t index) const {
  if (!pixels || index >= frame_count) return nullptr;
  return pixels + frame_bytes() * index;
}

int xpimage::append_frame() {
  if (frame_count >= static_cast<uint32_t>(INT_MAX) || !reserve(frame_count + 1) || !pixels) return -1;
  return static_cast<int>(frame_count++);
}

int add_icon_frame(xpimage* image, const void* bits, size_t size) {
  if (!image || !image->check_guard() || !bits) return -1;
  const uint8_t* data = static_cast<const uint8_t*>(bits);
  int index = image->append_frame();
  if (index < 0) return -1;
  switch (decode_icon_bits(data, size, image->width, image->height, image->frame(index))) {
    case icon_decode::kDecoded: return index;
    case icon_decode::kCorrupt: --image->frame_count; return -1;
    case icon_decode::kOtherFormat: break;
  }
  --image->frame_count;  // the frame was taken only to decode into it
  return convert_icon_bits(image, data, size);
}

int add_hicon_frame(xpimage* image, HICON icon) {
  if (!image || !image->check_guard()) return kHiconNoMemory;
  if (!icon) return kHiconNull;
  icon_bitmaps bitmaps;
  if (!GetIconInfo(icon, &bitmaps.info)) return kHiconNoInfo;
  BITMAP bm;
  if (!bitmaps.colour_size(&bm)) return kHiconNoColour;
  // An image without a size takes the icon's.
  if (image->is_empty() && (image->width == 0 || image->height == 0)) {
    image->width = static_cast<uint32_t>(bm.bmWidth);
    image->height = static_cast<uint32_t>(bm.bmHeight);
  }
  int width = static_cast<int>(image->width), height = static_cast<int>(image->height);
  dib_section colour(width, height, 32);
  if (!colour.ok() || !copy_bitmap(bitmaps.info.hbmColor, bm.bmWidth, bm.bmHeight, colour, width, height))
    return kHiconNoMemory;
  bool own_alpha = display_is_high_color() && any_alpha(colour, width, height);
  dib_section mask(own_alpha ? 0 : width, height, 8);
  if (!own_alpha && (!mask.ok() || !bitmaps.info.hbmMask ||
                     !copy_bitmap(bitmaps.info.hbmMask, bm.bmWidth, bm.bmHeight, mask, width, height)))
    return kHiconNoMemory;
  int index = image->append_frame();
  if (index < 0) return kHiconNoMemory;
  uint8_t* frame = image->frame(static_cast<uint32_t>(index));
  std::memcpy(frame, colour.row(0), image->frame_bytes());
  if (!own_alpha) copy_alpha_from_mask(mask, frame, width, height);
  return index;
}

int load_group_icon(xpimage* image, HMODULE module, unsigned group_id) {
  if (!image || !image->check_guard()) return kGroupIconNoImage;
  resource_bits group;
  if (!find_resource(module, group_id, MAKEINTRESOURCEA(14), &group)) return kGroupIconMissing;
  std::vector<group_entry> entries;
  if (!read_group_directory(group.data, group.size, &entries)) return kGroupIconNoImage;
  int choice = choose_group_entry(entries, image->width, image->height);
  if (choice < 0) return kGroupIconNoImage;
  resource_bits bits;
  if (!find_resource(module, entries[choice].icon_id, MAKEINTRESOURCEA(3), &bits)) return kGroupIconNoImage;
  // The directory's size is trusted no further than the resource itself reaches.
  return add_icon_frame(image, bits.data, std::min<size_t>(entries[choice].bytes, bits.size));
}

bool draw_frame(xpimage* image, HDC dc, const RECT& rect, uint32_t flags, uint32_t frame) {
  if (!image || !image->check_guard()) return false;
  const uint8_t* pixels = image->frame(frame);
  if (!pixels || !dc) return false;
  int width = static_cast<int>(image->width), height = static_cast<int>(image->height);
  placement p = place(rect, width, height, flags);
  dib_section back(width, height, 24);
  if (!back.ok() || !read_background(dc, p, back, width, height)) return false;
  for (int y = 0; y < height; ++y) {
    uint8_t* to = back.row(y);
    for (int x = 0; x < width; ++x, pixels += 4, to += 3)
      blend_255(frame_look({pixels[0], pixels[1], pixels[2]}, flags), pixels[3], to);
  }
  write_back(dc, p, back, width, height);
  return true;
}

bool draw_image(HDC dc, xpimage* image, uint32_t frame, const RECT& rect, uint32_t flags) {
  return image && draw_frame(image, dc, rect, flags, frame);
}

int draw_icon_alpha(HDC dc, HICON icon, const RECT& rect, uint32_t flags) {
  icon_bitmaps bitmaps;
  BITMAP bm;
  if (!icon || !dc || !GetIconInfo(icon, &bitmaps.info) || !bitmaps.colour_size(&bm)) return 0;
  int width = bm.bmWidth, height = bm.bmHeight;
  placement p = place(rect, width, height, flags);
  dib_section colour(width, height, 32), mask(width, height, 8), back(width, height, 24);
  if (!colour.ok() || !mask.ok() || !back.ok() || !bitmaps.info.hbmMask) return 0;
  if (!copy_bitmap(bitmaps.info.hbmColor, width, height, colour, width, height) ||
      !copy_bitmap(bitmaps.info.hbmMask, width, height, mask, width, height) ||
      !read_background(dc, p, back, width, height))
    return 0;
  bool own_alpha = any_alpha(colour, width, height);
  for (int y = 0; y < height; ++y) {
    const uint8_t* from = colour.row(y);
    const uint8_t* cover = mask.row(y);
    uint8_t* to = back.row(y);
    for (int x = 0; x < width; ++x, from += 4, to += 3) {
      int alpha = own_alpha ? from[3] : (cover[x] ? 0 : 255);
      blend_256(icon_look({from[0], from[1], from[2]}, flags), alpha, to);
    }
  }
  write_back(dc, p, back, width, height);
  return 1;
}

bool display_is_high_color() {
  static uint32_t depth = kUnreadDepth;
  if (depth == kUnreadDepth) {
    HDC screen = GetDC(nullptr);
    if (!screen) return false;  // read again next time
    depth = static_cast<uint32_t>(GetDeviceCaps(screen, BITSPIXEL));
    ReleaseDC(nullptr, screen);
  }
  return depth > kPaletteDepth;
}

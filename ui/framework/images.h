// Images with smooth (alpha) edges on every Windows version, blended pixel by pixel in ordinary memory
// rather than by the system's alpha-blending functions: the image object xpimage (frames of 32-bit
// blue, green, red, alpha pixels, bottom-up, guarded by a magic word), filling it from icon resources
// or icon handles, and drawing an image frame or an icon handle onto a device context.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

constexpr uint32_t xpimage_magic = 0x01080207;

// Flags of draw_frame and draw_icon_alpha.
enum draw_flags : uint32_t {
  kDrawLeft = 0,
  kDrawRight = 1,
  kDrawHCentre = 2,  // 3 is taken as centred too
  kDrawTop = 0,
  kDrawBottom = 4,
  kDrawVCentre = 8,        // 12 is taken as centred too
  kDrawGrey = 16,          // disabled look
  kDrawHighContrast = 32,  //
  kDrawFaded = 64,         // draw_frame only
  kDrawCentred = kDrawHCentre | kDrawVCentre,
};

struct xpimage {
  uint32_t magic = xpimage_magic;
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t frame_count = 0;
  uint32_t growth_step = 4;  // capacity grows in multiples of it; never 0
  uint32_t capacity = 0;
  uint8_t* pixels = nullptr;  // capacity x frame_bytes(); frame i at i x frame_bytes()

  xpimage() = default;
  // Sizes and step given, room for initial_frames, no frame in use. A step of 0 is taken as 1.
  xpimage(uint32_t width, uint32_t height, uint32_t initial_frames, uint32_t growth_step);
  ~xpimage() { clear(); }
  xpimage(const xpimage&) = delete;
  xpimage& operator=(const xpimage&) = delete;

  // True when the magic word is intact; otherwise logs "[!] xpimage: corrupted memory at ..." and
  // returns false.
  bool check_guard() const;
  // Room for at least frames frames, keeping the frames in use. A bad guard is logged and does not
  // stop it; false when the size overflows or memory runs out (the image is then unchanged).
  bool reserve(uint32_t frames);
  // Frees the buffer and returns to the default-constructed state. A bad guard leaves everything as it
  // is: a damaged image's buffer pointer cannot be trusted to free.
  void clear();
  bool is_empty() const;
  size_t frame_bytes() const { return static_cast<size_t>(width) * height * 4; }
  // Pixels of a frame in use; null when there is no such frame.
  uint8_t* frame(uint32_t index) const;
  // Makes room for one more frame and takes it into use: its index, or -1 without memory.
  int append_frame();
};

// Adds a frame from RT_ICON bits: decoded in place when they hold an image of exactly the image's size
// in 1 to 8, 24 or 32 bits a pixel, else converted by the system to that size. The new frame's index,
// or -1 (bad guard, short bits, conversion failed).
int add_icon_frame(xpimage* image, const void* bits, size_t size);

// Results of add_hicon_frame besides a frame index.
enum hicon_frame_error : int {
  kHiconNoMemory = -1,  // also a bad guard
  kHiconNull = -2,
  kHiconNoInfo = -3,
  kHiconNoColour = -4,
};
// Adds a frame from an icon handle, stretched to the image's size (an empty image takes the icon's
// size). Its alpha is the icon's own on a screen of more than 256 colours when the icon has any; else
// it comes from the mask.
int add_hicon_frame(xpimage* image, HICON icon);

// Results of load_group_icon besides a frame index.
enum group_icon_error : int {
  kGroupIconMissing = -2,  // no such group, or it cannot be loaded
  kGroupIconNoImage = -1,  // an empty group, or its chosen image is missing or unusable
};
// Adds the frame of the group's image that suits the image's size (choose_group_entry).
int load_group_icon(xpimage* image, HMODULE module, unsigned group_id);

// Blends a frame onto the device context inside rect (placement and looks from flags). A rectangle
// smaller than the image gets it at half size. False for a bad guard, a missing frame or no memory.
bool draw_frame(xpimage* image, HDC dc, const RECT& rect, uint32_t flags, uint32_t frame);
// As draw_frame; false for a null image.
bool draw_image(HDC dc, xpimage* image, uint32_t frame, const RECT& rect, uint32_t flags);

// Blends an icon handle onto the device context, its alpha from the icon when it has any, else from
// its mask. 1 drawn, 0 failed.
int draw_icon_alpha(HDC dc, HICON icon, const RECT& rect, uint32_t flags);

// More than 8 bits a pixel on the screen; read once.
bool display_is_high_color();

// Windows fixtures of the user-interface tests: a canvas of known pixels, icons made from pixels, and a
// resource module written at run time from bytes built in the test.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace ui_fixture {

// Header of a 32-bit top-down DIB.
inline BITMAPINFO top_down_32(int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  return info;
}

// A memory device context over a 32-bit top-down DIB section, so that pixel (x, y) is word y * width + x
// (0x00RRGGBB).
class canvas {
 public:
  canvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
    BITMAPINFO info = top_down_32(width, height);
    dc_ = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    bits_ = static_cast<uint32_t*>(bits);
    paint({0, 0, width, height}, fill);
  }
  ~canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  canvas(const canvas&) = delete;
  canvas& operator=(const canvas&) = delete;

  HDC dc() const { return dc_; }
  bool ok() const { return bits_ != nullptr; }
  void paint(RECT r, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc_, &r, brush);
    DeleteObject(brush);
    GdiFlush();
  }
  // As a COLORREF (0x00BBGGRR), to compare with RGB().
  COLORREF at(int x, int y) const {
    GdiFlush();
    uint32_t v = bits_[y * width_ + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }

 private:
  int width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint32_t* bits_ = nullptr;
};

// An icon from 32-bit pixels (0xAARRGGBB, top-down) and a mask (nonzero: transparent), as an
// application makes one with CreateIconIndirect.
inline HICON make_icon(int width, int height, const std::vector<uint32_t>& argb,
                       const std::vector<uint8_t>& mask) {
  BITMAPINFO info = top_down_32(width, height);
  void* bits = nullptr;
  HBITMAP colour = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!colour) return nullptr;
  memcpy(bits, argb.data(), argb.size() * 4);
  std::vector<uint8_t> rows(static_cast<size_t>((width + 15) / 16 * 2) * height, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (mask[y * width + x])
        rows[y * ((width + 15) / 16 * 2) + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
  HBITMAP monochrome = CreateBitmap(width, height, 1, 1, rows.data());
  ICONINFO ii = {TRUE, 0, 0, monochrome, colour};
  HICON icon = CreateIconIndirect(&ii);
  DeleteObject(colour);
  DeleteObject(monochrome);
  return icon;
}

// A library of resources written at run time: a copy of a product module with its own resources
// replaced by the test's, loaded for the life of the object.
class resource_module {
 public:
  resource_module() : path_(dir_.file("test_resources.dll")) {
    CopyFileA((testing_support::program_folder() + "rk_gui.dll").c_str(), path_.c_str(), FALSE);
    update_ = BeginUpdateResourceA(path_.c_str(), TRUE);
  }
  ~resource_module() {
    if (update_) EndUpdateResourceA(update_, TRUE);
    if (module_) FreeLibrary(module_);
  }
  resource_module(const resource_module&) = delete;
  resource_module& operator=(const resource_module&) = delete;

  bool add(unsigned type, unsigned id, const std::vector<uint8_t>& bits) {
    return update_ && UpdateResourceA(update_, MAKEINTRESOURCEA(type), MAKEINTRESOURCEA(id), 0,
                                      const_cast<uint8_t*>(bits.data()), static_cast<DWORD>(bits.size()));
  }
  // Writes the resources and loads the library; null on failure.
  HMODULE load() {
    if (!update_ || !EndUpdateResourceA(update_, FALSE)) return nullptr;
    update_ = nullptr;
    module_ = LoadLibraryA(path_.c_str());
    return module_;
  }

 private:
  testing_support::scratch_folder dir_;
  std::string path_;
  HANDLE update_ = nullptr;
  HMODULE module_ = nullptr;
};

}  // namespace ui_fixture

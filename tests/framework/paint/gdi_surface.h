#pragma once
// A memory DC with a DIB section selected, for pixel-exact checks.
#include <cstdint>
#include <vector>

#include "framework/paint/GdiInternal.h"

class MemoryDC {
 public:
  MemoryDC(int width, int height, std::uint32_t fill = 0) : width_(width), height_(height) {
    bitmap_ = CreateDIBSection32(width, height, &bits_);
    dc_ = CreateCompatibleDC(nullptr);
    old_ = SelectObject(dc_, bitmap_);
    Fill(fill);
  }
  ~MemoryDC() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;

  HDC dc() const { return dc_; }
  int width() const { return width_; }
  int height() const { return height_; }
  std::uint32_t& At(int x, int y) { return bits_[y * width_ + x]; }
  std::uint32_t At(int x, int y) const { return bits_[y * width_ + x]; }
  void Fill(std::uint32_t p) {
    for (int i = 0; i < width_ * height_; ++i) bits_[i] = p;
  }
  std::vector<std::uint32_t> Pixels() const { return {bits_, bits_ + width_ * height_}; }

  // The bounding box of the pixels that differ from `background`; empty when none.
  RECT InkBounds(std::uint32_t background) const {
    RECT r{width_, height_, 0, 0};
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x)
        if (At(x, y) != background) {
          r.left = std::min(r.left, x);
          r.top = std::min(r.top, y);
          r.right = std::max(r.right, x + 1);
          r.bottom = std::max(r.bottom, y + 1);
        }
    return r.IsEmpty() ? RECT{} : r;
  }

  // The pixels of the rectangle as rows of values, for readable failures.
  std::vector<std::uint32_t> Row(int y, int from, int to) const {
    std::vector<std::uint32_t> out;
    for (int x = from; x < to; ++x) out.push_back(At(x, y));
    return out;
  }

 private:
  int width_, height_;
  std::uint32_t* bits_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

// Selects an object for one scope and deletes it afterwards.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ obj) : dc_(dc), obj_(obj), old_(SelectObject(dc, obj)) {}
  ~Selected() {
    SelectObject(dc_, old_);
    DeleteObject(obj_);
  }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ obj_, old_;
};

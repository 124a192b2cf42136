#pragma once
// Basic value types shared by every library: the program's byte strings and the
// Win32-shaped integer, point and rectangle types that the message layer speaks.
#include <algorithm>
#include <cstdint>
#include <string>

// Texts of the program are byte strings in code page 936; UTF-16 where a wide
// text is needed.
using AnsiString = std::string;
using WideString = std::u16string;

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using BOOL = int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using COLORREF = std::uint32_t;

// A window's handle: an opaque value, never an address. The painting floor
// keeps it in a window's device context without knowing what a window is.
struct HWND__;
using HWND = HWND__*;

struct POINT {
  std::int32_t x = 0, y = 0;
  friend bool operator==(const POINT&, const POINT&) = default;
};

struct SIZE {
  std::int32_t cx = 0, cy = 0;
  friend bool operator==(const SIZE&, const SIZE&) = default;
};

// Right and bottom are exclusive.
struct RECT {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
  std::int32_t Width() const { return right - left; }
  std::int32_t Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool Contains(std::int32_t x, std::int32_t y) const {
    return x >= left && x < right && y >= top && y < bottom;
  }
  friend bool operator==(const RECT&, const RECT&) = default;
};
using TRect = RECT;
using TPoint = POINT;

inline RECT Rect(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) { return {l, t, r, b}; }
inline RECT Bounds(std::int32_t l, std::int32_t t, std::int32_t w, std::int32_t h) { return {l, t, l + w, t + h}; }
inline RECT IntersectRect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (r.IsEmpty()) r = {};
  return r;
}
inline RECT UnionRect(const RECT& a, const RECT& b) {
  if (a.IsEmpty()) return b;
  if (b.IsEmpty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}
inline RECT OffsetRect(RECT r, std::int32_t dx, std::int32_t dy) { return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

constexpr WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr LPARAM MAKELPARAM(std::int32_t lo, std::int32_t hi) {
  return static_cast<LPARAM>(static_cast<std::uint32_t>((lo & 0xFFFF) | ((hi & 0xFFFF) << 16)));
}
constexpr std::int32_t GET_X_LPARAM(LPARAM l) { return static_cast<std::int16_t>(l & 0xFFFF); }
constexpr std::int32_t GET_Y_LPARAM(LPARAM l) { return static_cast<std::int16_t>((l >> 16) & 0xFFFF); }
constexpr COLORREF RGB(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(COLORREF c) { return c & 0xFF; }
constexpr int GetGValue(COLORREF c) { return (c >> 8) & 0xFF; }
constexpr int GetBValue(COLORREF c) { return (c >> 16) & 0xFF; }

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

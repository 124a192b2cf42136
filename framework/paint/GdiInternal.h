#pragma once
// The objects behind the painting handles, shared by the window manager and
// the drawing code; callers outside the framework use Gdi.h only.
#include <memory>
#include <optional>
#include <vector>

#include "framework/paint/Gdi.h"
#include "framework/paint/Region.h"

struct DCState {
  POINT viewportOrg;
  std::optional<Region> appClip;  // device coordinates
  HBITMAP bitmap = nullptr;
  HBRUSH brush = nullptr;
  HPEN pen = nullptr;
  HFONT font = nullptr;
  COLORREF textColor = 0;
  COLORREF bkColor = 0xFFFFFF;
  int bkMode = OPAQUE;
  POINT curPos;
};

struct DeviceContext {
  enum class Kind { Memory, Window };
  Kind kind = Kind::Memory;
  HWND window = nullptr;
  // Where device coordinates land: device (0, 0) is surface (deviceOrigin).
  Surface32 surface;
  POINT deviceOrigin;
  // The part of the device the window manager lets this DC touch, in device
  // coordinates; none means the whole surface.
  std::optional<Region> systemClip;
  DCState state;
  std::vector<DCState> saved;

  // Logical point to surface point.
  int SurfaceX(int x) const { return x + state.viewportOrg.x + deviceOrigin.x; }
  int SurfaceY(int y) const { return y + state.viewportOrg.y + deviceOrigin.y; }
  // The pixels drawing may touch, in surface coordinates.
  Region EffectiveClip() const;
};

// A DC that draws on a window's surface (used by BeginPaint, GetDC and GetWindowDC).
HDC CreateWindowSurfaceDC(HWND hwnd, Surface32 surface, POINT deviceOrigin, const Region& systemClip);
// Ends a DC made by CreateWindowSurfaceDC.
void DestroyWindowSurfaceDC(HDC hdc);
// Whether a handle names a live DC / region (guards against stale handles).
bool IsValidDC(HDC hdc);
Region& RegionOf(HRGN rgn);

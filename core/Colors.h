#pragma once
// Windows colours: $00BBGGRR values, the system colour indexes and the named
// colours of the component library. Resolving a system colour needs the
// window layer (ColorToRGB in framework/Graphics.h).
#include <cstdint>

#include "core/Types.h"

// System colour indexes; their values are the window layer's (GetSysColor).
enum : int {
  COLOR_SCROLLBAR = 0, COLOR_BACKGROUND = 1, COLOR_ACTIVECAPTION = 2, COLOR_INACTIVECAPTION = 3,
  COLOR_MENU = 4, COLOR_WINDOW = 5, COLOR_WINDOWFRAME = 6, COLOR_MENUTEXT = 7, COLOR_WINDOWTEXT = 8,
  COLOR_CAPTIONTEXT = 9, COLOR_ACTIVEBORDER = 10, COLOR_INACTIVEBORDER = 11, COLOR_APPWORKSPACE = 12,
  COLOR_HIGHLIGHT = 13, COLOR_HIGHLIGHTTEXT = 14, COLOR_BTNFACE = 15, COLOR_BTNSHADOW = 16,
  COLOR_GRAYTEXT = 17, COLOR_BTNTEXT = 18, COLOR_INACTIVECAPTIONTEXT = 19, COLOR_BTNHIGHLIGHT = 20,
  COLOR_3DDKSHADOW = 21, COLOR_3DLIGHT = 22, COLOR_INFOTEXT = 23, COLOR_INFOBK = 24,
  COLOR_HOTLIGHT = 26, COLOR_GRADIENTACTIVECAPTION = 27, COLOR_GRADIENTINACTIVECAPTION = 28,
  COLOR_MENUHILIGHT = 29, COLOR_MENUBAR = 30,
};

// A Windows colour $00BBGGRR; negative values name system colours.
using TColor = std::int32_t;
constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000);
// clang-format off
constexpr TColor clScrollBar = clSystemColor | COLOR_SCROLLBAR, clBackground = clSystemColor | COLOR_BACKGROUND,
  clActiveCaption = clSystemColor | COLOR_ACTIVECAPTION, clInactiveCaption = clSystemColor | COLOR_INACTIVECAPTION,
  clMenu = clSystemColor | COLOR_MENU, clWindow = clSystemColor | COLOR_WINDOW,
  clWindowFrame = clSystemColor | COLOR_WINDOWFRAME, clMenuText = clSystemColor | COLOR_MENUTEXT,
  clWindowText = clSystemColor | COLOR_WINDOWTEXT, clCaptionText = clSystemColor | COLOR_CAPTIONTEXT,
  clActiveBorder = clSystemColor | COLOR_ACTIVEBORDER, clInactiveBorder = clSystemColor | COLOR_INACTIVEBORDER,
  clAppWorkSpace = clSystemColor | COLOR_APPWORKSPACE, clHighlight = clSystemColor | COLOR_HIGHLIGHT,
  clHighlightText = clSystemColor | COLOR_HIGHLIGHTTEXT, clBtnFace = clSystemColor | COLOR_BTNFACE,
  clBtnShadow = clSystemColor | COLOR_BTNSHADOW, clGrayText = clSystemColor | COLOR_GRAYTEXT,
  clBtnText = clSystemColor | COLOR_BTNTEXT, clInactiveCaptionText = clSystemColor | COLOR_INACTIVECAPTIONTEXT,
  clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT, cl3DDkShadow = clSystemColor | COLOR_3DDKSHADOW,
  cl3DLight = clSystemColor | COLOR_3DLIGHT, clInfoText = clSystemColor | COLOR_INFOTEXT,
  clInfoBk = clSystemColor | COLOR_INFOBK;
constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
  clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080, clSilver = 0xC0C0C0,
  clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF, clBlue = 0xFF0000, clFuchsia = 0xFF00FF,
  clAqua = 0xFFFF00, clWhite = 0xFFFFFF, clNone = 0x1FFFFFFF, clDefault = 0x20000000;
// clang-format on

#pragma once
// Putting laid-out text onto a DC's surface, shared by TextOut and DrawText.
#include <vector>

#include "framework/paint/FontFace.h"
#include "framework/paint/GdiInternal.h"
#include "framework/paint/TextLayout.h"

namespace gdi {

// The realised face of the DC's selected font (the stock GUI font when none).
FontFace& FaceOf(DeviceContext& dc);

// A measure for the face; tabs stop every eight average characters when
// `expandTabs` is set.
TextMeasure MeasureOf(FontFace& face, bool expandTabs);

// Draws one line with its cell's top-left at logical (x, y), in the DC's text
// colour, blended by coverage, with alpha 0 in every touched pixel. With an
// opaque background mode the cell is first filled with the background colour.
// `clip` are the surface rectangles the text may touch.
void PaintLine(DeviceContext& dc, FontFace& face, const TextMeasure& m, const TextRun& line, int x, int y,
               const std::vector<RECT>& clip);

}  // namespace gdi

#pragma once
// The glow drawn behind skinned text, and text drawing and measuring on a
// device context.
#include "framework/paint/Graphics.h"

// Paints the glow of Text (drawn with the canvas's font and Flags inside R)
// onto the canvas within R; the caller draws the text itself afterwards.
// Nothing happens for a blank text or an empty rectangle.
void DrawGlowText(TCanvas* Canvas, const TRect& R, const AnsiString& Text, int BlurRadius, TColor GlowColor,
                  UINT Flags);

// Box blur of the colour channels, Passes times across and Passes + 1 times
// down, each over 2 x Radius + 1 pixels with the edges repeated; then every
// pixel grey, (R + G + B) div 3. A radius of 0 or less changes nothing.
void BlurGrey(TBitmap* Bitmap, int Radius, int Passes);

// The platform's text drawing with a UTF-16 text.
int DrawTextAuto(HDC DC, const WideString& Text, RECT& R, UINT Flags);
// The extent DT_CALCRECT gives for the text from (0, 0).
int MeasureTextWidth(HDC DC, const WideString& Text);
int MeasureTextHeight(HDC DC, const WideString& Text);

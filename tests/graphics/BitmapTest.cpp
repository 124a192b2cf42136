// Bitmap stores, sizes, properties, notification and fills.
#include <gtest/gtest.h>

#include <vector>

#include "framework/paint/Gdi.h"
#include "graphics/Bitmap32.h"
#include "graphics/Resamplers32.h"

namespace {

// Counts notifications and remembers the areas.
struct TListener {
  int changes = 0;
  int resizes = 0;
  std::vector<TRect> areas;
  void Attach(TCustomBitmap32& b) {
    b.OnChange = [this](TObject*) { ++changes; };
    b.OnResize = [this](TObject*) { ++resizes; };
    b.OnAreaChanged = [this](TObject*, const TRect& r, unsigned) { areas.push_back(r); };
  }
};

std::vector<TColor32> Pixels(const TCustomBitmap32& b) {
  return {b.Bits(), b.Bits() + static_cast<size_t>(b.Width()) * b.Height()};
}

}  // namespace

TEST(Color32, Helpers) {
  EXPECT_EQ(ToColor32(clRed), 0xFFFF0000u);
  EXPECT_EQ(ToColor32(0x00563412), 0xFF123456u);
  // A system colour is resolved through the platform's table.
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(ToColor32(static_cast<TColor>(0xFF00000Fu)),
            MakeColor32(GetRValue(face), GetGValue(face), GetBValue(face), 255));
  EXPECT_EQ(MakeColor32(0x12, 0x34, 0x56, 0x78), 0x78123456u);
  EXPECT_EQ(SetAlpha(0x12345678, -5), 0x00345678u);
  EXPECT_EQ(SetAlpha(0x12345678, 300), 0xFF345678u);
  EXPECT_EQ(SetAlpha(0x12345678, 0x80), 0x80345678u);
}

TEST(BitmapStores, NewSurfacesHoldTheStatedPixels) {
  TBitmap32 dib;
  TCustomBitmap32 memory;
  EXPECT_TRUE(dib.Empty());
  EXPECT_EQ(dib.DeviceContext(), nullptr);
  dib.Resize(3, 2);
  memory.Resize(3, 2);
  EXPECT_EQ(Pixels(dib), std::vector<TColor32>(6, 0x00000000u));
  EXPECT_EQ(Pixels(memory), std::vector<TColor32>(6, 0xFF000000u));
  EXPECT_NE(dib.DeviceContext(), nullptr);
  EXPECT_EQ(memory.DeviceContext(), nullptr);
  // The DIB is the bitmap's own pixel memory.
  EXPECT_EQ(GetDCSurface(dib.DeviceContext()).bits, dib.Bits());
}

TEST(BitmapStores, ResizeRules) {
  TBitmap32 b;
  TListener l;
  l.Attach(b);
  int handles = 0;
  b.OnHandleChanged = [&](TObject*) { ++handles; };
  b.Resize(4, 3);
  EXPECT_EQ(l.changes, 1);
  EXPECT_EQ(l.resizes, 1);
  EXPECT_EQ(handles, 1);
  ASSERT_EQ(l.areas.size(), 1u);
  EXPECT_EQ(l.areas[0], Rect(0, 0, 4, 3));
  b.SetClipBounds(Rect(1, 1, 2, 2));
  b.PixelAt(2, 1) = 0x12345678;
  b.Resize(4, 3);  // the same size: nothing at all
  EXPECT_EQ(b.PixelAt(2, 1), 0x12345678u);
  EXPECT_EQ(l.changes, 1);
  EXPECT_EQ(b.ClipBounds(), Rect(1, 1, 2, 2));
  b.SetWidth(5);
  EXPECT_EQ(b.Height(), 3);
  EXPECT_EQ(b.PixelAt(2, 1), 0u);
  EXPECT_EQ(b.ClipBounds(), Rect(0, 0, 5, 3));
  b.Resize(-4, 7);
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 7);
}

TEST(BitmapStores, SizesThatCannotBeHadAreErrors) {
  for (bool dib : {true, false}) {
    std::unique_ptr<TCustomBitmap32> b(dib ? new TBitmap32 : new TCustomBitmap32);
    b->Resize(10, 10);
    EXPECT_THROW(b->Resize(1 << 20, 1 << 20), Exception);
    EXPECT_TRUE(b->Empty()) << "a failed allocation leaves an empty bitmap";
    EXPECT_EQ(b->Bits(), nullptr);
    b->Resize(2, 2);  // still usable
    EXPECT_FALSE(b->Empty());
  }
  TBitmap32 b;
  try {
    b.Resize(70000, 70000);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Can't allocate the DIB handle");
  }
}

TEST(BitmapProperties, DefaultsAndChangeNotification) {
  TBitmap32 b;
  EXPECT_EQ(b.DrawMode(), dmOpaque);
  EXPECT_EQ(b.CombineMode(), cmBlend);
  EXPECT_EQ(b.WrapMode(), wmClamp);
  EXPECT_EQ(b.MasterAlpha(), 255u);
  EXPECT_EQ(b.OuterColor(), 0u);
  EXPECT_EQ(b.ResamplerClassName(), "TNearestResampler");
  EXPECT_EQ(b.Resampler()->PixelAccessMode(), pamSafe);
  TListener l;
  l.Attach(b);
  b.SetDrawMode(dmOpaque);
  b.SetMasterAlpha(255);
  b.SetResamplerClassName("TNearestResampler");
  b.SetResamplerClassName("tlinearresampler");  // names are case-sensitive
  b.SetResamplerClassName("TNoSuchResampler");
  EXPECT_EQ(l.changes, 0);
  EXPECT_EQ(b.ResamplerClassName(), "TNearestResampler");
  b.SetDrawMode(dmBlend);
  b.SetCombineMode(cmMerge);
  b.SetWrapMode(wmMirror);
  b.SetMasterAlpha(300);
  EXPECT_EQ(b.MasterAlpha(), 255u) << "master alpha is a byte";
  b.SetMasterAlpha(7);
  EXPECT_EQ(l.changes, 4);
  for (const char* name : {"TLinearResampler", "TDraftResampler", "TKernelResampler", "TNearestResampler"}) {
    b.SetResamplerClassName(name);
    EXPECT_EQ(b.ResamplerClassName(), name);
    EXPECT_EQ(b.Resampler()->Bitmap(), &b);
  }
  EXPECT_EQ(l.changes, 8);
}

TEST(BitmapProperties, UpdateCounterSuspendsNotification) {
  TCustomBitmap32 b;
  b.Resize(4, 4);
  TListener l;
  l.Attach(b);
  b.BeginUpdate();
  b.Clear(0xFF112233);
  b.FillArea(0, 0, 2, 2, 0);
  b.EndUpdate();  // closing does not notify by itself
  EXPECT_EQ(l.changes, 0);
  EXPECT_TRUE(l.areas.empty());
  try {
    b.EndUpdate();
    FAIL();
  } catch (const EAssertionFailed& e) {
    EXPECT_STREQ(e.what(), "Unpaired TThreadPersistent.EndUpdate");
  }
  b.NotifyChanged();
  EXPECT_EQ(l.changes, 1);
  ASSERT_EQ(l.areas.size(), 1u);
  EXPECT_EQ(l.areas[0], Rect(0, 0, 4, 4));
}

TEST(BitmapProperties, CopyPropertiesAndAssign) {
  TBitmap32 a, b;
  a.Resize(2, 1);
  a.PixelAt(0, 0) = 0x80102030;
  a.PixelAt(1, 0) = 0xFF405060;
  a.SetDrawMode(dmTransparent);
  a.SetCombineMode(cmMerge);
  a.SetWrapMode(wmRepeat);
  a.SetMasterAlpha(99);
  a.SetOuterColor(0x11111111);
  a.SetResamplerClassName("TLinearResampler");
  a.Resampler()->SetPixelAccessMode(pamTransparentEdge);
  a.Font().SetName("Tahoma");
  b.Assign(&a);
  EXPECT_EQ(Pixels(b), Pixels(a));
  EXPECT_EQ(b.DrawMode(), dmTransparent);
  EXPECT_EQ(b.CombineMode(), cmMerge);
  EXPECT_EQ(b.WrapMode(), wmRepeat);
  EXPECT_EQ(b.MasterAlpha(), 99u);
  EXPECT_EQ(b.OuterColor(), 0x11111111u);
  EXPECT_EQ(b.ResamplerClassName(), "TLinearResampler");
  EXPECT_EQ(b.Resampler()->PixelAccessMode(), pamTransparentEdge);
  EXPECT_EQ(b.Font().Name(), "Tahoma");
  b.Assign(nullptr);
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 0);
}

TEST(BitmapFills, ClearFillsAndFrames) {
  TCustomBitmap32 b;
  b.Resize(5, 4);
  b.Clear();
  EXPECT_EQ(Pixels(b), std::vector<TColor32>(20, 0xFF000000u));
  b.SetClipBounds(Rect(1, 1, 3, 3));
  b.Clear(0x11111111);  // within the clip only
  EXPECT_EQ(b.PixelAt(1, 1), 0x11111111u);
  EXPECT_EQ(b.PixelAt(3, 1), 0xFF000000u);
  b.FillAreaClipped(0, 0, 5, 4, 0x22222222);
  EXPECT_EQ(b.PixelAt(2, 2), 0x22222222u);
  EXPECT_EQ(b.PixelAt(0, 0), 0xFF000000u);
  b.SetClipBounds(b.BoundsRect());
  b.FillArea(-100, -100, 1000, 1, 0x33333333);  // stray rectangles keep to the pixels
  EXPECT_EQ(b.PixelAt(4, 0), 0x33333333u);
  b.HorzRun(-3, 3, 1, 0x44444444);
  b.HorzRun(0, 99, 4, 0x55555555);
  EXPECT_EQ(b.PixelAt(1, 3), 0x44444444u);
  EXPECT_EQ(b.PixelAt(2, 3), 0xFF000000u);
  b.SetAlphaAll(0x7F);
  EXPECT_EQ(b.PixelAt(1, 3), 0x7F444444u);
  b.SetAlphaAll();
  EXPECT_EQ(b.PixelAt(1, 3), 0xFF444444u);

  TCustomBitmap32 f;
  f.Resize(4, 3);
  f.Clear(0);
  f.FrameAreaClipped(Rect(0, 0, 4, 3), 0xFFFFFFFF);
  const std::vector<TColor32> frame = {~0u, ~0u, ~0u, ~0u, ~0u, 0, 0, ~0u, ~0u, ~0u, ~0u, ~0u};
  EXPECT_EQ(Pixels(f), frame);
  f.Clear(0);
  f.FrameAreaClipped(Rect(1, 1, 3, 2), 0xFFFFFFFF);  // one row: drawn once
  EXPECT_EQ(Pixels(f), (std::vector<TColor32>{0, 0, 0, 0, 0, ~0u, ~0u, 0, 0, 0, 0, 0}));
}

TEST(BitmapFills, FillAreaBlendedByAlpha) {
  TCustomBitmap32 b;
  b.Resize(2, 1);
  TListener l;
  b.Clear(0xFF0000FF);
  l.Attach(b);
  b.FillAreaBlended(0, 0, 2, 1, 0x00FF0000);
  EXPECT_EQ(Pixels(b), std::vector<TColor32>(2, 0xFF0000FFu));
  EXPECT_EQ(l.changes, 0);
  b.FillAreaBlended(0, 0, 1, 1, 0x80FF0000);
  EXPECT_EQ(b.PixelAt(0, 0), 0xC0800080u);  // MixColors(F, B, 128)
  b.FillAreaBlended(0, 0, 2, 1, 0xFF00FF00);
  EXPECT_EQ(Pixels(b), std::vector<TColor32>(2, 0xFF00FF00u));
  b.FillAreaBlended(5, 5, 9, 9, 0x80FF0000);  // outside: nothing
  EXPECT_EQ(l.changes, 2);
}

TEST(BitmapFills, BlendPixelClipped) {
  TCustomBitmap32 b;
  b.Resize(2, 2);
  b.Clear(0xFF0000FF);
  b.SetClipBounds(Rect(0, 0, 1, 1));
  b.BlendPixelClipped(0, 0, 0x80FF0000);
  b.BlendPixelClipped(1, 1, 0x80FF0000);
  b.BlendPixelClipped(-1, 99, 0x80FF0000);
  EXPECT_EQ(b.PixelAt(0, 0), 0xC0800080u);
  EXPECT_EQ(b.PixelAt(1, 1), 0xFF0000FFu);
}

TEST(Persistent, ReferenceCountingAndLocks) {
  auto* b = new TCustomBitmap32;
  b->SetRefCounted(true);
  EXPECT_EQ(b->AddRef(), 1);
  EXPECT_EQ(b->AddRef(), 2);
  try {
    b->BeforeDestruction();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Unmatched reference counting.");
  }
  EXPECT_EQ(b->Release(), 1);
  EXPECT_EQ(b->Release(), 0);  // freed here
  TCustomBitmap32 plain;
  EXPECT_EQ(plain.AddRef(), 0) << "not counted unless asked";
  plain.BeforeDestruction();
  plain.Lock();
  plain.Lock();
  EXPECT_EQ(plain.LockCount(), 2);
  plain.Unlock();
  plain.Unlock();
  EXPECT_EQ(plain.LockCount(), 0);
  plain.SetResampler(nullptr);
  EXPECT_EQ(plain.ResamplerClassName(), "TNearestResampler");
}

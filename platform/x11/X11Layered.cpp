// Windows with per-pixel alpha where no compositing manager blends them, and
// stacking one window directly below another.
#include "platform/x11/XlibHeaders.h"

#include <algorithm>

#include "platform/x11/X11Display.h"

namespace platform::x11 {

namespace {

// 8-bit channel value of a pixel under a visual's channel mask.
unsigned ChannelOf(unsigned long pixel, unsigned long mask) {
  if (!mask) return 0;
  int shift = __builtin_ctzl(mask);
  int bits = __builtin_popcountl(mask);
  unsigned long v = (pixel & mask) >> shift;
  return bits >= 8 ? static_cast<unsigned>(v >> (bits - 8)) : static_cast<unsigned>((v * 255) / ((1ul << bits) - 1));
}

// Premultiplied src over an opaque dst.
std::uint32_t Over(std::uint32_t src, std::uint32_t dst) {
  unsigned a = src >> 24;
  auto ch = [&](int s) {
    unsigned v = ((src >> s) & 0xFF) + (((dst >> s) & 0xFF) * (255 - a) + 127) / 255;
    return std::min(255u, v) << s;
  };
  return 0xFF000000u | ch(16) | ch(8) | ch(0);
}

}  // namespace

bool X11Display::BlendsPerPixelAlpha() {
  return argbVisual_ && XGetSelectionOwner(dpy_, compositorSelection_) != None;
}

std::vector<std::uint32_t> X11Display::CaptureScreen(const IntRect& area) {
  std::vector<std::uint32_t> out(static_cast<size_t>(area.Width()) * static_cast<size_t>(area.Height()),
                                 0xFF000000u);
  IntRect screen{0, 0, DisplayWidth(dpy_, screen_), DisplayHeight(dpy_, screen_)};
  IntRect part = Intersect(area, screen);
  if (part.Width() <= 0) return out;
  XImage* image = XGetImage(dpy_, root_, part.left, part.top, static_cast<unsigned>(part.Width()),
                            static_cast<unsigned>(part.Height()), AllPlanes, ZPixmap);
  if (!image) return out;
  for (int y = 0; y < part.Height(); ++y)
    for (int x = 0; x < part.Width(); ++x) {
      unsigned long p = XGetPixel(image, x, y);
      std::uint32_t rgb = (ChannelOf(p, defaultVisual_->red_mask) << 16) |
                          (ChannelOf(p, defaultVisual_->green_mask) << 8) | ChannelOf(p, defaultVisual_->blue_mask);
      out[static_cast<size_t>(part.top - area.top + y) * area.Width() + (part.left - area.left + x)] =
          0xFF000000u | rgb;
    }
  XDestroyImage(image);
  return out;
}

void X11Display::TakeBackdrop(WindowRecord& r, const IntRect& from, const IntRect& to) {
  std::vector<std::uint32_t> next = CaptureScreen(to);
  // Where the window already stood, the screen shows the window itself; what
  // was below it there is in the old backdrop.
  IntRect keep = Intersect(from, to);
  bool oldValid = r.backdrop.size() == static_cast<size_t>(from.Width()) * static_cast<size_t>(from.Height());
  if (oldValid && keep.Width() > 0)
    for (int y = keep.top; y < keep.bottom; ++y)
      std::copy_n(r.backdrop.begin() + static_cast<long>(y - from.top) * from.Width() + (keep.left - from.left),
                  keep.Width(), next.begin() + static_cast<long>(y - to.top) * to.Width() + (keep.left - to.left));
  r.backdrop = std::move(next);
}

void X11Display::PutBlended(WindowRecord& r, const std::vector<IntRect>& rects) {
  const int w = r.bounds.Width(), h = r.bounds.Height();
  const size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
  if (r.source.size() != n || r.backdrop.size() != n) return;
  std::vector<std::uint32_t> out(n);
  for (const IntRect& rc : rects) {
    IntRect c = Intersect(rc, {0, 0, w, h});
    for (int y = c.top; y < c.bottom; ++y)
      for (int x = c.left; x < c.right; ++x) {
        size_t i = static_cast<size_t>(y) * w + x;
        out[i] = Over(r.source[i], r.backdrop[i]);
      }
  }
  r.image->Put(out.data(), w, h, w, rects, w, h);
}

Window X11Display::FrameOf(Window w) {
  // The ancestor that is a child of the root: a window manager's frame, or
  // the window itself.
  for (int depth = 0; depth < 16; ++depth) {
    Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(dpy_, w, &rootReturn, &parent, &children, &count)) return w;
    if (children) XFree(children);
    if (!parent || parent == root_) return w;
    w = parent;
  }
  return w;
}

void X11Display::StackBelow(NativeWindow w, NativeWindow sibling) {
  WindowRecord* r = Find(w);
  WindowRecord* s = Find(sibling);
  if (!r || !s || r == s) return;
  XWindowChanges ch{};
  ch.sibling = s->reparented ? FrameOf(s->id) : s->id;
  ch.stack_mode = Below;
  // A window of our own placing restacks at once; a managed one asks its
  // window manager. A refusal is recorded by the error handler, not fatal.
  if (r->params.popup || !Wm().running)
    XConfigureWindow(dpy_, r->id, CWSibling | CWStackMode, &ch);
  else
    XReconfigureWMWindow(dpy_, r->id, screen_, CWSibling | CWStackMode, &ch);
}

}  // namespace platform::x11

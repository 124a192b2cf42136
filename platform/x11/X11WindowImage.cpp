#include "platform/x11/X11WindowImage.h"

#include <sys/ipc.h>
#include <sys/shm.h>
#include "platform/x11/XlibHeaders.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "platform/x11/X11ErrorTrap.h"

namespace platform::x11 {

namespace {

constexpr int kHostByteOrder = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;

// The rectangle clipped to [0, width) x [0, height); empty when nothing is left.
IntRect Clip(const IntRect& r, int width, int height) {
  IntRect c{std::max(0, r.left), std::max(0, r.top), std::min(r.right, width), std::min(r.bottom, height)};
  if (c.right <= c.left || c.bottom <= c.top) return {};
  return c;
}

std::vector<IntRect> ClipAll(const std::vector<IntRect>& rects, int width, int height) {
  std::vector<IntRect> out;
  for (const IntRect& r : rects) {
    IntRect c = Clip(r, width, height);
    if (c.Width() > 0) out.push_back(c);
  }
  return out;
}

// Places an 8-bit channel value under a visual's channel mask.
unsigned long Channel(unsigned value, unsigned long mask) {
  if (!mask) return 0;
  int shift = std::countr_zero(mask);
  int bits = std::popcount(mask);
  unsigned long v = bits >= 8 ? static_cast<unsigned long>(value) << (bits - 8) : value >> (8 - bits);
  return (v << shift) & mask;
}

bool ImageHasArgbLayout(XDisplay* dpy, Visual* visual, int depth) {
  if (visual->red_mask != 0xFF0000 || visual->green_mask != 0xFF00 || visual->blue_mask != 0xFF) return false;
  XImage* probe = XCreateImage(dpy, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr, 1, 1, 32, 0);
  if (!probe) return false;
  bool ok = probe->bits_per_pixel == 32;
  XDestroyImage(probe);
  return ok;
}

}  // namespace

WindowImage::WindowImage(XDisplay* dpy, Window window, Visual* visual, int depth, SharedMemorySupport* shm)
    : dpy_(dpy), window_(window), visual_(visual), depth_(depth), shm_(shm) {
  XGCValues values{};
  values.graphics_exposures = False;
  gc_ = XCreateGC(dpy_, window_, GCGraphicsExposures, &values);
  direct_ = ImageHasArgbLayout(dpy_, visual_, depth_);
  sameOrder_ = ImageByteOrder(dpy_) == kHostByteOrder;
}

WindowImage::~WindowImage() {
  ReleaseSegment();
  XFreeGC(dpy_, gc_);
}

void WindowImage::Put(const std::uint32_t* pixels, int width, int height, int stride,
                      const std::vector<IntRect>& rects, int windowWidth, int windowHeight) {
  if (!pixels || width <= 0 || height <= 0 || stride < width) return;
  std::vector<IntRect> clipped = ClipAll(rects, std::min(width, windowWidth), std::min(height, windowHeight));
  if (clipped.empty()) return;
  if (!direct_) {
    PutConverted(pixels, stride, clipped);
  } else if (shm_->usable && shm_->preferred && sameOrder_ && PrepareSegment(width, height)) {
    PutShared(pixels, stride, clipped);
  } else {
    PutDirect(pixels, width, height, stride, clipped);
  }
}

void WindowImage::PutShared(const std::uint32_t* pixels, int stride, const std::vector<IntRect>& rects) {
  auto* base = reinterpret_cast<std::uint32_t*>(shmImage_->data);
  size_t pitch = static_cast<size_t>(shmImage_->bytes_per_line) / 4;
  for (const IntRect& r : rects) {
    size_t bytes = static_cast<size_t>(r.Width()) * 4;
    for (int y = r.top; y < r.bottom; ++y)
      std::memcpy(base + y * pitch + r.left, pixels + static_cast<size_t>(y) * stride + r.left, bytes);
  }
  for (size_t i = 0; i < rects.size(); ++i) {
    const IntRect& r = rects[i];
    // Requests run in order, so the completion of the last put covers them all.
    bool last = i + 1 == rects.size();
    XShmPutImage(dpy_, window_, gc_, shmImage_, r.left, r.top, r.left, r.top, static_cast<unsigned>(r.Width()),
                 static_cast<unsigned>(r.Height()), last ? True : False);
  }
  pending_ = true;
}

void WindowImage::PutDirect(const std::uint32_t* pixels, int width, int height, int stride,
                            const std::vector<IntRect>& rects) {
  // The image borrows the caller's pixels: XPutImage copies what it sends
  // before it returns, so nothing outlives this call.
  XImage* image = XCreateImage(dpy_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0,
                               reinterpret_cast<char*>(const_cast<std::uint32_t*>(pixels)),
                               static_cast<unsigned>(width), static_cast<unsigned>(height), 32, stride * 4);
  if (!image) return;
  image->byte_order = kHostByteOrder;
  for (const IntRect& r : rects)
    XPutImage(dpy_, window_, gc_, image, r.left, r.top, r.left, r.top, static_cast<unsigned>(r.Width()),
              static_cast<unsigned>(r.Height()));
  image->data = nullptr;
  XDestroyImage(image);
}

void WindowImage::PutConverted(const std::uint32_t* pixels, int stride, const std::vector<IntRect>& rects) {
  unsigned long rgb = visual_->red_mask | visual_->green_mask | visual_->blue_mask;
  unsigned long all = depth_ >= 32 ? 0xFFFFFFFFul : (1ul << depth_) - 1;
  unsigned long alphaMask = all & ~rgb;
  for (const IntRect& r : rects) {
    XImage* image = XCreateImage(dpy_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0, nullptr,
                                 static_cast<unsigned>(r.Width()), static_cast<unsigned>(r.Height()), 32, 0);
    if (!image) return;
    image->data = static_cast<char*>(std::malloc(static_cast<size_t>(image->bytes_per_line) * r.Height()));
    if (!image->data) {
      XDestroyImage(image);
      return;
    }
    for (int y = 0; y < r.Height(); ++y) {
      const std::uint32_t* row = pixels + static_cast<size_t>(r.top + y) * stride + r.left;
      for (int x = 0; x < r.Width(); ++x) {
        std::uint32_t p = row[x];
        unsigned long v = Channel((p >> 16) & 0xFF, visual_->red_mask) | Channel((p >> 8) & 0xFF, visual_->green_mask) |
                          Channel(p & 0xFF, visual_->blue_mask) | Channel(p >> 24, alphaMask);
        XPutPixel(image, x, y, v);
      }
    }
    XPutImage(dpy_, window_, gc_, image, 0, 0, r.left, r.top, static_cast<unsigned>(r.Width()),
              static_cast<unsigned>(r.Height()));
    XDestroyImage(image);  // frees the pixel buffer too
  }
}

bool WindowImage::PrepareSegment(int width, int height) {
  WaitUntilSegmentFree();
  if (shmImage_ && shmImage_->width == width && shmImage_->height == height) return true;
  size_t needed = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
  if (shmImage_ && needed <= segmentBytes_) {
    // The segment is large enough; only the image header changes shape.
    XImage* reshaped = XShmCreateImage(dpy_, visual_, static_cast<unsigned>(depth_), ZPixmap, nullptr, &segment_,
                                       static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (reshaped && static_cast<size_t>(reshaped->bytes_per_line) * static_cast<size_t>(height) <= segmentBytes_) {
      reshaped->data = segment_.shmaddr;
      shmImage_->data = nullptr;
      XDestroyImage(shmImage_);
      shmImage_ = reshaped;
      return true;
    }
    if (reshaped) XDestroyImage(reshaped);
  }
  ReleaseSegment();

  shmImage_ = XShmCreateImage(dpy_, visual_, static_cast<unsigned>(depth_), ZPixmap, nullptr, &segment_,
                              static_cast<unsigned>(width), static_cast<unsigned>(height));
  if (!shmImage_) return false;
  size_t bytes = static_cast<size_t>(shmImage_->bytes_per_line) * static_cast<size_t>(height);
  segment_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (segment_.shmid < 0) {
    XDestroyImage(shmImage_);
    shmImage_ = nullptr;
    return false;
  }
  segment_.shmaddr = static_cast<char*>(shmat(segment_.shmid, nullptr, 0));
  segment_.readOnly = True;
  bool attached = false;
  if (segment_.shmaddr != reinterpret_cast<char*>(-1)) {
    ErrorTrap trap(dpy_);
    XShmAttach(dpy_, &segment_);
    attached = !trap.Failed();
  }
  // Marked for removal at once: it goes away when both sides detach, even
  // if this process dies.
  shmctl(segment_.shmid, IPC_RMID, nullptr);
  if (!attached) {
    // A server on another host, or one that may not see our memory.
    shm_->usable = false;
    if (segment_.shmaddr != reinterpret_cast<char*>(-1)) shmdt(segment_.shmaddr);
    XDestroyImage(shmImage_);
    shmImage_ = nullptr;
    segment_ = {};
    return false;
  }
  shmImage_->data = segment_.shmaddr;
  segmentBytes_ = bytes;
  return true;
}

void WindowImage::WaitUntilSegmentFree() {
  if (!pending_) return;
  struct Match {
    static Bool Is(XDisplay*, XEvent* e, XPointer arg) {
      auto* self = reinterpret_cast<WindowImage*>(arg);
      return e->type == self->shm_->completionType &&
             reinterpret_cast<XShmCompletionEvent*>(e)->drawable == self->window_;
    }
  };
  XEvent ev;
  // The completion may already have been read with other events; otherwise
  // a round trip guarantees the server has finished with the last put, and
  // its completion event, then queued, is taken out so nobody waits for it.
  if (!XCheckIfEvent(dpy_, &ev, Match::Is, reinterpret_cast<XPointer>(this))) {
    XSync(dpy_, False);
    while (XCheckIfEvent(dpy_, &ev, Match::Is, reinterpret_cast<XPointer>(this))) {
    }
  }
  pending_ = false;
}

void WindowImage::ReleaseSegment() {
  if (!shmImage_) return;
  WaitUntilSegmentFree();
  XShmDetach(dpy_, &segment_);
  XSync(dpy_, False);
  shmdt(segment_.shmaddr);
  shmImage_->data = nullptr;
  XDestroyImage(shmImage_);
  shmImage_ = nullptr;
  segment_ = {};
  segmentBytes_ = 0;
}

}  // namespace platform::x11

#pragma once
// Copies rectangles of a window's $AARRGGBB surface to the X server. The
// words go across as they are when the window's visual lays its pixels out
// that way (the usual depth-24 and depth-32 TrueColor visuals); other
// visuals get each pixel converted. A shared-memory segment spares the trip
// through the socket when the server can attach it.
#include "platform/x11/XlibHeaders.h"

#include <cstdint>
#include <vector>

#include "platform/Display.h"

namespace platform::x11 {

// Display-wide state of the shared-memory path.
struct SharedMemorySupport {
  bool usable = false;     // the server has the extension and can attach our segments
  bool preferred = true;   // callers may switch it off (the benchmark compares both paths)
  int completionType = 0;  // event type of XShmCompletionEvent
};

class WindowImage {
 public:
  WindowImage(XDisplay* dpy, Window window, Visual* visual, int depth, SharedMemorySupport* shm);
  ~WindowImage();
  WindowImage(const WindowImage&) = delete;
  WindowImage& operator=(const WindowImage&) = delete;

  // Shows the given rectangles, clipped to the surface and to the window.
  void Put(const std::uint32_t* pixels, int width, int height, int stride, const std::vector<IntRect>& rects,
           int windowWidth, int windowHeight);
  // The server has finished reading the segment.
  void CompletionArrived() { pending_ = false; }
  bool UsesSharedMemory() const { return shmImage_ != nullptr; }

 private:
  void PutShared(const std::uint32_t* pixels, int stride, const std::vector<IntRect>& rects);
  void PutDirect(const std::uint32_t* pixels, int width, int height, int stride, const std::vector<IntRect>& rects);
  void PutConverted(const std::uint32_t* pixels, int stride, const std::vector<IntRect>& rects);
  bool PrepareSegment(int width, int height);
  void WaitUntilSegmentFree();
  void ReleaseSegment();

  XDisplay* dpy_;
  Window window_;
  Visual* visual_;
  int depth_;
  SharedMemorySupport* shm_;
  GC gc_;
  bool direct_ = false;      // the visual takes $AARRGGBB words unchanged
  bool sameOrder_ = false;   // the server reads words in this machine's byte order

  XShmSegmentInfo segment_{};
  XImage* shmImage_ = nullptr;
  std::size_t segmentBytes_ = 0;
  bool pending_ = false;  // a shared put may still be reading the segment
};

}  // namespace platform::x11

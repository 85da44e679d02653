// The device context of the paint in progress, for the memory image to present into from
// inside WM_PAINT. Per thread: a paint on the dialog thread is no target for another thread.
#pragma once

#include <windows.h>

namespace qv {

// nullptr outside a paint on this thread.
HDC CurrentPaintDC();

// Makes `dc` this thread's paint target for its lifetime.
class PaintScope {
  public:
    explicit PaintScope(HDC dc);
    ~PaintScope();
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;

  private:
    HDC previous_;
};

} // namespace qv

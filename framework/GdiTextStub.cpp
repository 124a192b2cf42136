// FIXME: interim font object until text drawing lands.
#include "framework/GdiInternal.h"

HFONT CreateFontIndirect(const LOGFONT& lf) {
  auto* f = new FontObject;
  f->lf = lf;
  return f;
}

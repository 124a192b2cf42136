#pragma once
// Gdi.h keeps the object types behind the typed handles incomplete, so a
// typed handle is passed as the generic object handle it is (each object
// derives from the generic one, at offset 0).
// FIXME: drop once Gdi.h converts typed handles itself.
#include "framework/Gdi.h"

template <class T>
HGDIOBJ AsGdiObject(T* handle) {
  return reinterpret_cast<HGDIOBJ>(handle);
}

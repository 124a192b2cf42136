#pragma once
// Exception classes of the graphics library.
#include "core/SysUtils.h"

QUELBO_DECLARE_EXCEPTION(EBitmapException, Exception);

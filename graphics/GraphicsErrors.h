#pragma once
// Exception classes of the graphics library.
#include "framework/SysUtils.h"

QUELBO_DECLARE_EXCEPTION(EBitmapException, Exception);

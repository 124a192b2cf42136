#pragma once
// Exception classes of the graphics library.
#include "framework/SysUtils.h"

QUELBO_DECLARE_EXCEPTION(EBitmapException, Exception);
// A broken usage contract, such as an unpaired EndUpdate.
QUELBO_DECLARE_EXCEPTION(EAssertionFailed, Exception);

// VARIANT arguments for an Invoke a test makes; whoever takes them clears them.
#pragma once

#include <windows.h>
#include <oaidl.h>

VARIANT Text(const wchar_t* text);  // a BSTR the VARIANT owns
VARIANT Flag(bool value);
VARIANT I2(short value);
VARIANT I4(LONG value);
VARIANT RefTo(VARIANT* inner);  // VT_BYREF|VT_VARIANT

// <windows.h> for the toolkit and everything built on it. The platform's headers define
// DrawText, TextOut, MessageBox and the colour-channel helpers as macros, which would rename the
// toolkit's own members of those names; they are undefined here, and Win32 calls use the
// explicit "A" functions (DrawTextA, TextOutA, MessageBoxA).
#pragma once

#include <windows.h>

#undef DrawText
#undef TextOut
#undef MessageBox
#undef GetRValue
#undef GetGValue
#undef GetBValue

// The form resizer with toolkit controls (the adapter lives in EasysizeWin32.cpp).
#pragma once

#include "toolkit/StdCtrls.h"
#include "widgets/Easysize.h"

#pragma once

// <windows.h> and the common controls for the window toolkit. The files layer's header takes
// back the macros that would rename the program's own functions.
#include "files/win32/WindowsApi.h"
// After <windows.h>:
#include <commctrl.h>

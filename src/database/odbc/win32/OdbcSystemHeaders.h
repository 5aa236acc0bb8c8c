#pragma once

// The ODBC C headers of Windows, which build on the types of <windows.h>: that one first.
// clang-format off
#include "files/win32/WindowsApi.h"
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>
// clang-format on

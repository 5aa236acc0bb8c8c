#pragma once

// The ODBC C headers of Windows, which build on the types of <windows.h>: that comes first.
#include "files/win32/WindowsApi.h"

// clang-format off
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>
// clang-format on

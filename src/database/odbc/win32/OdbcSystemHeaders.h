#pragma once

// The ODBC C headers of Windows, which build on the types of <windows.h>.
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include "files/win32/WindowsApi.h"

#pragma once

// The ODBC C headers of unixODBC.
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

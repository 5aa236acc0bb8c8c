// Data access on Windows: the system's ODBC and its "SQL Server" driver need nothing set up.

#include "database/odbc/DataAccess.h"

namespace synvora {

void InitializeDataAccess() {}

}  // namespace synvora

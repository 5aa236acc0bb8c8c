#include "database/odbc/DataAccess.h"

#include <clocale>
#include <cstdlib>

namespace synvora {

void InitializeDataAccess() {
    std::setlocale(LC_ALL, "");
    // overwrite = 0: an administrator's own setting wins.
    ::setenv("TDSVER", "7.4", 0);
    ::setenv("TDSPORT", "1433", 0);
}

}  // namespace synvora

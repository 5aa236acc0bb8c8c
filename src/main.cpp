#include <iostream>

#include "database/odbc/DataAccess.h"

int main() {
    synvora::InitializeDataAccess();
    std::cout
        << "Synvora 2.5 Migration Wizard: the services are built; the wizard window is not there yet.\n";
    return 0;
}

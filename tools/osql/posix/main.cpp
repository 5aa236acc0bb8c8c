#include <string>
#include <vector>

#include "Client.h"
#include "database/odbc/DataAccess.h"

int main(int argc, char** argv) {
    synvora::InitializeDataAccess();
    return synvora::osql::RunClient(std::vector<std::string>(argv + 1, argv + argc));
}

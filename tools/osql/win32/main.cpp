// The client's entry on Windows: the arguments as the C runtime divides the wide command line,
// in UTF-8 (the narrow ones would be in the ANSI code page, losing what it cannot hold).

#include <string>
#include <vector>

#include "Client.h"
#include "database/odbc/DataAccess.h"
#include "files/win32/WideText.h"

int wmain(int argc, wchar_t** argv) {
    synvora::InitializeDataAccess();
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(synvora::WideToUtf8(argv[i]));
    }
    return synvora::osql::RunClient(args);
}

#pragma once

#include <string>

namespace synvora {

/// A login on a server. "DOMAIN\user" names a domain account.
struct NetworkCredentials {
    std::string user;
    std::string password;
};

}  // namespace synvora

// The old server of the remote registry tests on Linux: the Samba test server.

#include "RegistryMachine.h"

#include <gtest/gtest.h>

#include "network/NetworkDrives.h"
#include "support/Loopback.h"
#include "support/SambaFixture.h"

namespace synvora::test {
namespace {

constexpr const char* kTestKeys = "SOFTWARE\\Tressel";

SambaServer& Server() {
    return SharedSambaServer();
}

}  // namespace

class RegistryMachine::Impl {};

RegistryMachine::RegistryMachine() {
    Server().DeleteRegistryKey(kTestKeys);
}

RegistryMachine::~RegistryMachine() {
    Server().DeleteRegistryKey(kTestKeys);
}

std::string RegistryMachine::Name() const {
    return "\\\\" + Server().ServerName();
}

void RegistryMachine::SetValue(const std::string& key, const std::string& name, const std::string& text) {
    Server().SetRegistryValue(key, name, text);
}

void RegistryMachine::Connect() {
    std::string drive;
    ASSERT_EQ(MapNetworkDrive(Server().SharePath(), Server().Admin().user, Server().Admin().password, drive),
              0);
}

std::string RegistryMachine::Unreachable() {
    return "\\\\127.0.0.1:" + std::to_string(FreeLoopbackPort());
}

}  // namespace synvora::test

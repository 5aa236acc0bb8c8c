// The remote readers through the system's remote registry (SystemRemoteRegistry): on Linux Samba's
// `net` against the Samba test server, on Windows RegConnectRegistryW.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "RegistryMachine.h"
#include "network/NetworkDrives.h"
#include "webmigration/Registry.h"

namespace synvora::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr const char* kKey = "SOFTWARE\\Tressel\\Tressel Omniline";

/// Passes every call on to the system's remote registry, and keeps the handles that are open.
class HandleCountingCalls final : public RemoteRegistryCalls {
public:
    explicit HandleCountingCalls(std::shared_ptr<RemoteRegistryCalls> calls) : m_calls(std::move(calls)) {}

    std::int32_t ConnectRegistry(std::string_view machine, RegistryHandle root,
                                 RegistryHandle& result) override {
        return Opened(m_calls->ConnectRegistry(machine, root, result), result);
    }
    std::int32_t OpenKey(RegistryHandle key, std::string_view subKey, std::uint32_t options,
                         std::uint32_t access, RegistryHandle& result) override {
        return Opened(m_calls->OpenKey(key, subKey, options, access, result), result);
    }
    std::int32_t QueryValue(RegistryHandle key, std::string_view name, std::uint32_t& type, char* data,
                            std::uint32_t& size) override {
        return m_calls->QueryValue(key, name, type, data, size);
    }
    std::int32_t CloseKey(RegistryHandle key) override {
        const std::int32_t status = m_calls->CloseKey(key);
        if (status == kRegistrySuccess) {
            open.erase(key);
        }
        return status;
    }

    std::set<RegistryHandle> open;

private:
    std::int32_t Opened(std::int32_t status, RegistryHandle handle) {
        if (status == kRegistrySuccess) {
            open.insert(handle);
        }
        return status;
    }

    std::shared_ptr<RemoteRegistryCalls> m_calls;
};

/// The remote readers with the messages they show collected.
class RemoteRegistryTest : public ::testing::Test {
protected:
    RemoteRegistryTest()
        : m_calls(SystemRemoteRegistry()),
          m_counted(std::make_shared<HandleCountingCalls>(m_calls)),
          m_registry(m_counted, [this](const std::string& prompt) { m_messages.push_back(prompt); }) {}
    void TearDown() override { ReleaseAllNetworkDrives(); }

    std::string Read(const std::string& key, const std::string& valueName) {
        return m_registry.GetRemoteRegistryValue(m_machine.Name(), key, valueName);
    }

    RegistryMachine m_machine;
    std::shared_ptr<RemoteRegistryCalls> m_calls;
    std::shared_ptr<HandleCountingCalls> m_counted;
    std::vector<std::string> m_messages;
    RemoteRegistry m_registry;
};

// A read gives the whole 255-character buffer: the value, its NUL, then the blanks.
std::string Buffer(const std::string& value) {
    std::string buffer = value + '\0';
    return buffer + std::string(255 - buffer.size(), ' ');
}

TEST_F(RemoteRegistryTest, ValuesComeBackInTheBufferAndWhatCannotBeReadIsReported) {
    m_machine.SetValue(kKey, "InstallDir", "E:\\Program Files\\Tressel");
    m_machine.SetValue(kKey, "fits", std::string(254, 'x'));
    m_machine.SetValue(kKey, "toolong", std::string(255, 'x'));
    m_machine.SetValue(kKey, "empty", "");
    m_machine.SetValue(kKey, "-d", "D:\\M\xC3\xBCller \xE2\x82\xAC");
    m_machine.Connect();

    EXPECT_EQ(Read(kKey, "InstallDir"), Buffer("E:\\Program Files\\Tressel"));
    EXPECT_EQ(Read(kKey, "fits"), std::string(254, 'x') + '\0') << "254 characters and the NUL fill it";
    EXPECT_EQ(Read(kKey, "empty"), Buffer("")) << "an empty value is read, not missing";
    // Each of ü and € is one character and comes back as UTF-8; a name that looks like an option
    // is a name.
    EXPECT_EQ(Read(kKey, "-d"),
              "D:\\M\xC3\xBCller \xE2\x82\xAC" + std::string(1, '\0') + std::string(243, ' '));
    EXPECT_THAT(m_messages, IsEmpty());

    EXPECT_EQ(Read(kKey, "toolong"), "");
    EXPECT_EQ(Read(kKey, "path"), "");
    EXPECT_EQ(Read(kKey + std::string("\\PelluxServer\\1"), "path"), "");
    EXPECT_THAT(m_messages,
                ElementsAre("Cannot query value 'toolong'.", "Cannot query value 'path'.",
                            "Cannot open key 'SOFTWARE\\Tressel\\Tressel Omniline\\PelluxServer\\1'."));

    // Of all the keys these reads opened, only the machine's root stays open, for the next read.
    EXPECT_EQ(m_counted->open.size(), 1u);

    // A closed handle is gone: it reads nothing and cannot be closed twice.
    RegistryHandle root = 0;
    RegistryHandle key = 0;
    ASSERT_EQ(m_calls->ConnectRegistry(ToRegistryText(m_machine.Name()), kHKeyLocalMachine, root),
              kRegistrySuccess);
    ASSERT_EQ(m_calls->OpenKey(root, ToRegistryText(kKey), 0, kKeyQueryValue, key), kRegistrySuccess);
    EXPECT_EQ(m_calls->CloseKey(key), kRegistrySuccess);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    EXPECT_EQ(m_calls->QueryValue(key, ToRegistryText("InstallDir"), type, nullptr, size),
              kRegistryInvalidHandle);
    EXPECT_EQ(m_calls->CloseKey(key), kRegistryInvalidHandle);
    EXPECT_EQ(m_calls->CloseKey(root), kRegistrySuccess);
}

TEST_F(RemoteRegistryTest, MachinesThatCannotBeReachedGiveErrorAndOnlyInstallDirAsksTheUser) {
    const std::string nobody = RegistryMachine::Unreachable();
    EXPECT_EQ(m_registry.GetRemoteRegistryValue(nobody, kKey, "path"), "Error");
    EXPECT_EQ(m_registry.GetRemoteRegistryValue(nobody, kKey, "installdir"), "Error");
    EXPECT_THAT(m_messages, IsEmpty());
    EXPECT_EQ(m_registry.GetRemoteRegistryValue(nobody, kKey, "InstallDir"), "Error");
    EXPECT_THAT(m_messages, ElementsAre("Please enter the value of the following registry key "
                                        "'SOFTWARE\\Tressel\\Tressel Omniline\\InstallDir' on the machine '" +
                                        nobody + "'."));
}

}  // namespace
}  // namespace synvora::test

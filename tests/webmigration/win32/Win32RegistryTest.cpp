// What only the Windows registry has: the wide calls keep every character, and the program's
// handles stand for keys of the system that it owns.

#include <gtest/gtest.h>

#include "support/TestRegistry.h"
#include "webmigration/Registry.h"

namespace synvora {
namespace {

constexpr const char* kFolderKey = "SOFTWARE\\Corvane\\Velmoria\\Portivo\\PelluxServer\\1";

TEST(Win32RegistryTest, EveryCharacterSurvivesTheWideCalls) {
    test::TestRegistry registry;
    // Cyrillic and a character beyond 16 bits: no ANSI code page of a Western system holds them.
    const std::string folder = "D:\\\xD0\x96urnal \xF0\x9F\x93\x81";
    registry.SetString(kFolderKey, "path", folder);
    EXPECT_EQ(GetLocalInstallFolder(), folder);
    registry.SetString(kFolderKey, "\xD0\x96", "named");
    EXPECT_EQ(GetRegistryValue(kHKeyLocalMachine, kFolderKey, "\xD0\xB6", "default"), "named")
        << "names compare without letter case beyond ASCII too";
}

TEST(Win32RegistryTest, HandlesAreTheProgramsOwn) {
    test::TestRegistry registry;
    registry.CreateKey(kFolderKey);
    RegistryCalls& calls = LocalRegistry();
    RegistryHandle first = 0;
    RegistryHandle second = 0;
    ASSERT_EQ(calls.OpenKey(kHKeyLocalMachine, ToRegistryText(kFolderKey), 0, kKeyQueryValue, first),
              kRegistrySuccess);
    ASSERT_EQ(calls.OpenKey(first, ToRegistryText(""), 0, kKeyQueryValue, second), kRegistrySuccess);
    EXPECT_NE(first, second);
    EXPECT_LT(first, 0x80000000u) << "below the predefined roots";
    EXPECT_EQ(calls.CloseKey(first), kRegistrySuccess);
    RegistryHandle below = 0;
    EXPECT_EQ(calls.OpenKey(first, ToRegistryText(""), 0, kKeyQueryValue, below), kRegistryInvalidHandle);
    EXPECT_EQ(calls.CloseKey(first), kRegistryInvalidHandle);
    EXPECT_EQ(calls.CloseKey(second), kRegistrySuccess);
    EXPECT_EQ(calls.CloseKey(kHKeyLocalMachine), kRegistrySuccess) << "a root is never closed";
}

}  // namespace
}  // namespace synvora

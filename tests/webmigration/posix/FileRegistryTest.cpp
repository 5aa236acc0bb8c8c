#include <gtest/gtest.h>
#include <strings.h>
#include <unistd.h>

#include <string>

#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"
#include "webmigration/Registry.h"
#include "webmigration/posix/FileRegistry.h"
#include "webmigration/posix/RegFileText.h"

namespace synvora {
namespace {

using test::RegFile5;
using test::TempDir;
using test::WriteBytes;
using namespace std::string_literals;

constexpr std::uint32_t kKeyRead = 0x20019;
constexpr std::uint32_t kKeySetValue = 0x0002;
constexpr const char* kComputerNameKey = "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName";

class FileRegistryTest : public ::testing::Test {
protected:
    FileRegistryTest() : m_file(m_dir / "HKLM.reg"), m_registry([this] { return m_file; }) {}

    std::int32_t Open(RegistryHandle parent, std::string_view path, RegistryHandle& handle) {
        return m_registry.OpenKey(parent, path, 0, kKeyQueryValue, handle);
    }

    // Reads a whole value through a handle: the status, then the data when it was read.
    std::string Read(RegistryHandle handle, std::string_view name) {
        std::uint32_t type = kRegSz;
        std::uint32_t size = 0;
        std::int32_t status = m_registry.QueryValue(handle, name, type, nullptr, size);
        if (status != kRegistrySuccess) {
            return "status " + std::to_string(status);
        }
        std::string data(size, '\x7f');
        status = m_registry.QueryValue(handle, name, type, data.data(), size);
        return status == kRegistrySuccess ? data.substr(0, size) : "status " + std::to_string(status);
    }

    TempDir m_dir;
    std::string m_file;
    FileRegistry m_registry;
};

TEST_F(FileRegistryTest, QueryCopiesWhatFitsAndElseAsksForMore) {
    WriteBytes(m_file, RegFile5("[HKEY_LOCAL_MACHINE\\K]\r\n\"v\"=\"abc\"\r\n\"n\"=dword:00000007\r\n"));
    RegistryHandle key = 0;
    ASSERT_EQ(Open(kHKeyLocalMachine, "K", key), kRegistrySuccess);

    char buffer[8] = "-------";
    std::uint32_t type = kRegSz;
    std::uint32_t size = 4;
    EXPECT_EQ(m_registry.QueryValue(key, "v", type, buffer, size), kRegistrySuccess);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(std::string(buffer, 8), "abc\0---\0"s);

    std::string small = "xyz";
    size = 3;
    EXPECT_EQ(m_registry.QueryValue(key, "v", type, small.data(), size), kRegistryMoreData);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(small, "xyz");

    // The type preset by the caller is overwritten with the stored one.
    size = sizeof buffer;
    EXPECT_EQ(m_registry.QueryValue(key, "N", type, buffer, size), kRegistrySuccess);
    EXPECT_EQ(type, kRegDword);
    EXPECT_EQ(size, 4u);

    size = sizeof buffer;
    EXPECT_EQ(m_registry.QueryValue(key, "missing", type, buffer, size), kRegistryNotFound);
    EXPECT_EQ(m_registry.CloseKey(key), kRegistrySuccess);
}

TEST_F(FileRegistryTest, HandlesOpenReadOnlyAndCloseOnce) {
    WriteBytes(m_file, RegFile5("[HKEY_LOCAL_MACHINE\\A\\B]\r\n\"v\"=\"b\"\r\n"));
    RegistryHandle a = 0;
    RegistryHandle b = 0;
    RegistryHandle again = 0;
    ASSERT_EQ(Open(kHKeyLocalMachine, "A", a), kRegistrySuccess);
    ASSERT_EQ(Open(a, "b", b), kRegistrySuccess);
    ASSERT_EQ(Open(b, "", again), kRegistrySuccess);
    EXPECT_NE(a, b);
    EXPECT_NE(b, again);
    EXPECT_EQ(Read(again, "v"), "b\0"s);

    RegistryHandle unused = 0;
    EXPECT_EQ(Open(a, "Missing", unused), kRegistryNotFound);
    EXPECT_EQ(Open(kHKeyLocalMachine, "A\\", unused), kRegistryNotFound);
    EXPECT_EQ(Open(kHKeyLocalMachine, "\\A", unused), kRegistryNotFound);
    EXPECT_EQ(Open(0x80000001, "A", unused), kRegistryInvalidHandle);
    EXPECT_EQ(m_registry.OpenKey(kHKeyLocalMachine, "A", 0, kKeySetValue, unused), kRegistryAccessDenied);
    EXPECT_EQ(m_registry.OpenKey(kHKeyLocalMachine, "A", 0, kKeyRead, unused), kRegistrySuccess);
    EXPECT_EQ(m_registry.CloseKey(unused), kRegistrySuccess);
    // Names end at a NUL, as the C strings of the Windows calls do.
    EXPECT_EQ(Open(kHKeyLocalMachine, "A\0junk"s, unused), kRegistrySuccess);
    EXPECT_EQ(m_registry.CloseKey(unused), kRegistrySuccess);

    EXPECT_EQ(m_registry.CloseKey(b), kRegistrySuccess);
    EXPECT_EQ(m_registry.CloseKey(b), kRegistryInvalidHandle);
    EXPECT_EQ(Read(b, "v"), "status 6");
    EXPECT_EQ(Open(b, "", unused), kRegistryInvalidHandle);
    EXPECT_EQ(Read(again, "v"), "b\0"s);
    EXPECT_EQ(m_registry.CloseKey(again), kRegistrySuccess);
    EXPECT_EQ(m_registry.CloseKey(a), kRegistrySuccess);
    EXPECT_EQ(m_registry.CloseKey(kHKeyLocalMachine), kRegistrySuccess);
}

TEST_F(FileRegistryTest, EachOpenReadsTheFileAndAHandleKeepsWhatItSaw) {
    WriteBytes(m_file, RegFile5("[HKEY_LOCAL_MACHINE\\K]\r\n\"v\"=\"first\"\r\n"));
    RegistryHandle before = 0;
    ASSERT_EQ(Open(kHKeyLocalMachine, "K", before), kRegistrySuccess);

    WriteBytes(m_file,
               RegFile5("[HKEY_LOCAL_MACHINE\\K]\r\n\"v\"=\"second\"\r\n[HKEY_LOCAL_MACHINE\\New]\r\n"));
    RegistryHandle after = 0;
    ASSERT_EQ(Open(kHKeyLocalMachine, "K", after), kRegistrySuccess);
    EXPECT_EQ(Read(before, "v"), "first\0"s);
    EXPECT_EQ(Read(after, "v"), "second\0"s);
    RegistryHandle added = 0;
    EXPECT_EQ(Open(kHKeyLocalMachine, "New", added), kRegistrySuccess);

    m_file = m_dir / "other.reg";
    RegistryHandle gone = 0;
    EXPECT_EQ(Open(kHKeyLocalMachine, "K", gone), kRegistryNotFound);
    for (const RegistryHandle handle : {before, after, added}) {
        EXPECT_EQ(m_registry.CloseKey(handle), kRegistrySuccess);
    }
}

TEST_F(FileRegistryTest, TheComputerNameComesFromTheHostUnlessTheFileSaysOtherwise) {
    const std::string host = HostComputerName();
    ASSERT_FALSE(host.empty());
    EXPECT_EQ(host.find('.'), std::string::npos);
    char raw[256] = {};
    ASSERT_EQ(::gethostname(raw, sizeof raw - 1), 0);
    EXPECT_EQ(strncasecmp(raw, host.c_str(), host.size()), 0);
    for (const char c : host) {
        EXPECT_FALSE(c >= 'a' && c <= 'z') << host;
    }

    // No file at all: a machine without the product, but with a name.
    RegistryHandle key = 0;
    ASSERT_EQ(Open(kHKeyLocalMachine, kComputerNameKey, key), kRegistrySuccess);
    EXPECT_EQ(Read(key, "computername"), host + '\0');
    EXPECT_EQ(m_registry.CloseKey(key), kRegistrySuccess);
    EXPECT_EQ(Open(kHKeyLocalMachine, "SOFTWARE", key), kRegistryNotFound);

    WriteBytes(m_file, RegFile5("[HKEY_LOCAL_MACHINE\\" + std::string(kComputerNameKey) +
                                "]\r\n\"ComputerName\"=\"PELLUX01\"\r\n"));
    ASSERT_EQ(Open(kHKeyLocalMachine, kComputerNameKey, key), kRegistrySuccess);
    EXPECT_EQ(Read(key, "ComputerName"), "PELLUX01\0"s);
    EXPECT_EQ(m_registry.CloseKey(key), kRegistrySuccess);

    WriteBytes(m_file, RegFile5("[HKEY_LOCAL_MACHINE\\" + std::string(kComputerNameKey) +
                                "]\r\n\"ComputerName\"=-\r\n"));
    ASSERT_EQ(Open(kHKeyLocalMachine, kComputerNameKey, key), kRegistrySuccess);
    EXPECT_EQ(Read(key, "ComputerName"), "status 2");
    EXPECT_EQ(m_registry.CloseKey(key), kRegistrySuccess);
}

TEST_F(FileRegistryTest, UnreadableOrHugeFiles) {
    // A folder where the file should be reads as no file.
    m_file = m_dir.Path();
    RegistryHandle key = 0;
    EXPECT_EQ(Open(kHKeyLocalMachine, "SYSTEM", key), kRegistrySuccess);
    EXPECT_EQ(m_registry.CloseKey(key), kRegistrySuccess);

    // Past the read limit the file is cut: the section at its end is never seen.
    m_file = m_dir / "huge.reg";
    std::string content = RegFile5("[HKEY_LOCAL_MACHINE\\Early]\r\n");
    content.append(FileRegistry::kMaxFileBytes, ';');
    content += "\r\n[HKEY_LOCAL_MACHINE\\Late]\r\n";
    WriteBytes(m_file, content);
    EXPECT_EQ(Open(kHKeyLocalMachine, "Early", key), kRegistrySuccess);
    EXPECT_EQ(m_registry.CloseKey(key), kRegistrySuccess);
    EXPECT_EQ(Open(kHKeyLocalMachine, "Late", key), kRegistryNotFound);
}

TEST(LocalRegistryFilePathTest, TheEnvironmentNamesTheFile) {
    test::ScopedEnvironmentVariable elsewhere("SYNVORA_REGISTRY", "/tmp/elsewhere.reg");
    EXPECT_EQ(LocalRegistryFilePath(), "/tmp/elsewhere.reg");
    test::ScopedEnvironmentVariable empty("SYNVORA_REGISTRY", "");
    EXPECT_EQ(LocalRegistryFilePath(), "/etc/synvora/HKLM.reg");
}

}  // namespace
}  // namespace synvora

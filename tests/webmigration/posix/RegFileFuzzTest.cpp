// Hostile and damaged registry files: random bytes and random damage to a good file, with a fixed
// seed so that a failure repeats. Run under the address sanitizer these find reads past a line,
// a buffer or the file.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "files/Encoding.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"
#include "webmigration/Registry.h"
#include "webmigration/posix/RegFileImport.h"
#include "webmigration/posix/RegFileText.h"
#include "webmigration/posix/RegistryTree.h"

namespace synvora {
namespace {

using test::RegFile5;
using test::ToUtf16LeWithBom;
using namespace std::string_literals;

constexpr int kIterations = 2000;

const std::string kGoodBody =
    "; the new web server\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Velmoria\\Portivo]\r\n"
    "@=\"\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Velmoria\\Portivo\\PelluxServer\\1]\r\n"
    "\"path\"=\"C:\\\\Program Files\\\\Pellux \\\"2.5\\\"\"\r\n"
    "\"version\"=dword:00000205\r\n"
    "\"list\"=hex(7):61,00,00,00,62,00,00,00,\\\r\n"
    "  00,00\r\n"
    "\"expand\"=hex(2):25,00,50,00,25,00,00,00\r\n"
    "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Old]\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName]\r\n"
    "\"ComputerName\"=\"WEB01\"\r\n";

std::string RandomBytes(std::mt19937& random, std::size_t count) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(count, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(byte(random));
    }
    return bytes;
}

// Random bytes that favour the characters the format is made of, so that damaged sections and
// values are formed, not only noise.
std::string RandomFormatText(std::mt19937& random, std::size_t count) {
    static const std::string alphabet =
        "[]-\\\"@=:,;()hexdwor0123456789abcdefHKEY_LOCAL_MACHINE \t\r\n\xC3\xA9";
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string text(count, ' ');
    for (char& c : text) {
        c = alphabet[pick(random)];
    }
    return text;
}

std::string Damage(std::mt19937& random, std::string bytes) {
    std::uniform_int_distribution<int> kind(0, 4);
    const int rounds = std::uniform_int_distribution<int>(1, 6)(random);
    for (int round = 0; round < rounds && !bytes.empty(); ++round) {
        const std::size_t at = std::uniform_int_distribution<std::size_t>(0, bytes.size() - 1)(random);
        switch (kind(random)) {
            case 0:
                bytes[at] = static_cast<char>(random());
                break;
            case 1:
                bytes.resize(at);
                break;
            case 2:
                bytes.insert(at, RandomFormatText(random, 1 + random() % 40));
                break;
            case 3:
                bytes.erase(at, 1 + random() % 20);
                break;
            default:
                bytes.insert(at, bytes.substr(at / 2, 1 + random() % 60));
                break;
        }
    }
    return bytes;
}

// What the local readers may answer at all: the default, or a text of at most 1024 code page
// characters with no NUL in it.
void ExpectSaneAnswer(const std::string& answer) {
    if (answer == "NotFound") {
        return;
    }
    const std::string ansi = Utf8ToAnsi(answer);
    EXPECT_LE(ansi.size(), 1024u);
    EXPECT_EQ(ansi.find('\0'), std::string::npos);
}

TEST(RegFileFuzzTest, GarbageLinesLeaveTheReadableSectionsIntact) {
    std::mt19937 random(20250101);
    for (int i = 0; i < kIterations; ++i) {
        const std::size_t length = std::uniform_int_distribution<std::size_t>(0, 600)(random);
        const std::string garbage =
            i % 2 == 0 ? RandomBytes(random, length) : RandomFormatText(random, length);
        RegistryTree tree;
        ASSERT_TRUE(ImportRegFile(RegFile5(garbage + "\r\n" + kGoodBody + garbage), tree))
            << "iteration " << i;
        const RegistryTree::Key* folder = tree.Find("SOFTWARE\\Corvane\\Velmoria\\Portivo\\PelluxServer\\1");
        ASSERT_NE(folder, nullptr) << "iteration " << i;
        ASSERT_NE(folder->FindValue("path"), nullptr) << "iteration " << i;
        EXPECT_EQ(folder->FindValue("path")->data, "C:\\Program Files\\Pellux \"2.5\"\0"s)
            << "iteration " << i;
        EXPECT_EQ(folder->FindValue("version")->data, "\x05\x02\0\0"s) << "iteration " << i;
        EXPECT_EQ(folder->FindValue("list")->data, "a\0b\0\0"s) << "iteration " << i;
    }
}

TEST(RegFileFuzzTest, DamagedFilesNeverBreakTheReaders) {
    test::TempDir dir;
    const std::string file = dir / "HKLM.reg";
    test::ScopedEnvironmentVariable variable("SYNVORA_REGISTRY", file);
    const std::string good = RegFile5(kGoodBody);
    const std::string goodWide = ToUtf16LeWithBom(good);
    std::mt19937 random(4242);
    int installed = 0;
    for (int i = 0; i < kIterations; ++i) {
        std::string bytes;
        switch (i % 4) {
            case 0:
                bytes = Damage(random, good);
                break;
            case 1:
                bytes = Damage(random, goodWide);
                break;
            case 2:
                bytes = RandomBytes(random, random() % 3000);
                break;
            default:
                bytes = (i % 8 == 3 ? "\xFF\xFE"s : ""s) + RandomBytes(random, random() % 3000);
                break;
        }
        test::WriteBytes(file, bytes);
        installed += IsWebServerInstalled() ? 1 : 0;
        ExpectSaneAnswer(GetLocalInstallFolder());
        ExpectSaneAnswer(GetLocalComputerName());
        if (HasFailure()) {
            FAIL() << "iteration " << i;
        }
    }
    // Most damage leaves the product's key readable: the damage hits where it lands only.
    EXPECT_GT(installed, kIterations / 4);
}

}  // namespace
}  // namespace synvora

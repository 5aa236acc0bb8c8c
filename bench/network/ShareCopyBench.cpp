// CopyFolder from a connected share to the local disk, against smbclient's recursive "mget" of the
// same tree: 400 small files (4 KiB, as most web content is) and 4 larger ones (8 MiB), served by
// the Samba test server on loopback. The destination is removed before each timed copy.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "files/FileSystem.h"
#include "network/NetworkDrives.h"
#include "support/ChildProcess.h"
#include "support/FileTree.h"
#include "support/SambaFixture.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using synvora::test::SharedSambaServer;

constexpr int kSmallFiles = 400;
constexpr std::size_t kSmallSize = 4 << 10;
constexpr int kLargeFiles = 4;
constexpr std::size_t kLargeSize = 8 << 20;

std::string Bytes(std::size_t size, std::uint64_t seed) {
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        byte = static_cast<char>(seed >> 56);
    }
    return bytes;
}

/// The server with the tree on its share, and this machine's destination folder.
struct Setting {
    synvora::test::TempDir local{"synvora-share-bench"};
    std::string drive;
    std::int64_t bytes = 0;

    Setting() {
        SharedSambaServer().Start();
        synvora::test::FileTree tree;
        for (int i = 0; i < kSmallFiles; ++i) {
            tree["images/folder " + std::to_string(i % 8) + "/image " + std::to_string(i) + ".gif"] =
                Bytes(kSmallSize, static_cast<std::uint64_t>(i));
        }
        for (int i = 0; i < kLargeFiles; ++i) {
            tree["attachments/file " + std::to_string(i) + ".pdf"] = Bytes(kLargeSize, 1000U + i);
        }
        for (const auto& [path, content] : tree) {
            bytes += static_cast<std::int64_t>(content.size());
        }
        synvora::test::WriteTree(SharedSambaServer().ShareFolder() + "/Synvora", tree);
        const auto login = SharedSambaServer().Admin();
        if (synvora::MapNetworkDrive(SharedSambaServer().SharePath(), login.user, login.password, drive) !=
            0) {
            throw std::runtime_error("the share could not be connected");
        }
    }
    ~Setting() {
        synvora::ReleaseAllNetworkDrives();
        SharedSambaServer().Stop();
    }
    static Setting& Get() {
        static Setting setting;
        return setting;
    }
};

void Report(benchmark::State& state, const Setting& setting) {
    state.SetItemsProcessed(state.iterations() * (kSmallFiles + kLargeFiles));
    state.SetBytesProcessed(state.iterations() * setting.bytes);
}

void BM_CopyFolderFromShare(benchmark::State& state) {
    Setting& setting = Setting::Get();
    const std::string destination = setting.local / "copy";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(destination);
        state.ResumeTiming();
        synvora::TheFileSystem().CopyFolder(setting.drive + "/Synvora", destination, true);
    }
    Report(state, setting);
}

void BM_SmbclientMget(benchmark::State& state) {
    Setting& setting = Setting::Get();
    const std::string destination = setting.local / "mget";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(destination);
        fs::create_directory(destination);
        state.ResumeTiming();
        const auto login = SharedSambaServer().Admin();
        const int exitCode = synvora::test::RunProcess(
            {"smbclient", "--configfile=" + SharedSambaServer().ConfigPath(), "//127.0.0.1/D$", "-p",
             std::to_string(SharedSambaServer().Port()), "-U", login.user, "-c",
             "lcd " + destination + "; cd Synvora; prompt off; recurse on; mget *"},
            {-1, "", {"PASSWD=" + login.password}, false});
        if (exitCode != 0) {
            state.SkipWithError("smbclient failed");
            break;
        }
    }
    Report(state, setting);
}

BENCHMARK(BM_CopyFolderFromShare)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_SmbclientMget)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}  // namespace

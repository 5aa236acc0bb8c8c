// A content folder copied from a share of the Samba test server (loopback) to the local disk, as
// the web job copies it: about 2000 files in nested folders (16 to 64 KiB) and six files of 30 MiB,
// about 250 MiB in all. Each round times, one after the other and in turns, the program's copy,
// smbclient's recursive "mget" of the same folder from the same server, and "cp -r" of the share's
// own folder on this machine (what the disk alone allows), each into a folder of its own that is
// removed only at the end (removing and creating thousands of files in turn would time the file
// system's inode reuse instead). Also timed: a second copy onto a complete destination (files
// already there are kept), and the listing pass that gives a watched copy its totals.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "files/CopyPlan.h"
#include "files/FileSystem.h"
#include "network/NetworkDrives.h"
#include "support/ChildProcess.h"
#include "support/SambaFixture.h"
#include "support/TempDir.h"
#include "support/WebContent.h"

namespace {

namespace fs = std::filesystem;
using synvora::test::SharedSambaServer;

constexpr int kSmallFiles = 2000;
constexpr int kLargeFiles = 6;
constexpr std::size_t kLargeSize = std::size_t{30} << 20;
const std::string kFolder = "Synvora/images";

/// Counts the reports as the finish page would receive them, without a window.
class CountingMonitor final : public synvora::CopyMonitor {
public:
    bool Continue(const synvora::CopyProgress& progress) override {
        ++m_reports;
        m_last = progress;
        return true;
    }
    std::int64_t m_reports = 0;
    synvora::CopyProgress m_last;
};

/// The server with the folder on its share, and this machine's destination folder.
struct Setting {
    synvora::test::TempDir local{"synvora-share-bench"};
    std::string drive;
    std::int64_t files = 0;
    std::int64_t bytes = 0;

    Setting() {
        SharedSambaServer().Start();
        synvora::test::ContentFolder folder;
        for (int i = 0; i < kSmallFiles; ++i) {
            const std::size_t size = (16u << 10) + static_cast<std::size_t>(i % 4) * (16u << 10);
            folder.files["group " + std::to_string(i / 200) + "/set " + std::to_string(i / 20 % 10) +
                         "/image " + std::to_string(i) + ".gif"] =
                synvora::test::RandomBytes(size, static_cast<std::uint64_t>(i));
        }
        for (int i = 0; i < kLargeFiles; ++i) {
            folder.files["video/film " + std::to_string(i) + ".mp4"] =
                synvora::test::RandomBytes(kLargeSize, 1000U + static_cast<std::uint64_t>(i));
        }
        for (const auto& [path, content] : folder.files) {
            files += 1;
            bytes += static_cast<std::int64_t>(content.size());
        }
        synvora::test::WriteTree(SharedSambaServer().ShareFolder() + "/" + kFolder, folder.files);
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
    std::string Source() const { return drive + "/" + kFolder; }
};

void Report(benchmark::State& state, const Setting& setting) {
    state.SetItemsProcessed(state.iterations() * setting.files);
    state.SetBytesProcessed(state.iterations() * setting.bytes);
}

/// The web job's copy: watched, overwriting, keeping complete files.
void WatchedCopy(const Setting& setting, const std::string& destination) {
    CountingMonitor monitor;
    synvora::FolderCopyOptions options;
    options.overwrite = true;
    options.skipUnchanged = true;
    options.monitor = &monitor;
    synvora::TheFileSystem().CopyFolder(setting.Source(), destination, options);
    if (monitor.m_last.done.files != static_cast<std::uint64_t>(setting.files)) {
        throw std::runtime_error("the copy did not count every file");
    }
}

std::int64_t FilesIn(const std::string& folder) {
    std::int64_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        files += entry.is_regular_file() ? 1 : 0;
    }
    return files;
}

double SecondsOf(const std::function<void()>& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Smbclient(const std::string& destination) {
    fs::create_directory(destination);
    const auto login = SharedSambaServer().Admin();
    const int exitCode = synvora::test::RunProcess(
        {"smbclient", "--configfile=" + SharedSambaServer().ConfigPath(), "//127.0.0.1/D$", "-p",
         std::to_string(SharedSambaServer().Port()), "-U", login.user, "-c",
         "lcd \"" + destination + "\"; cd \"" + kFolder + "\"; prompt off; recurse on; mget *"},
        {-1, "", {"PASSWD=" + login.password}, false});
    if (exitCode != 0) {
        throw std::runtime_error("smbclient failed");
    }
}

void Cp(const std::string& destination) {
    if (synvora::test::RunProcess(
            {"cp", "-r", SharedSambaServer().ShareFolder() + "/" + kFolder, destination},
            {-1, "", {}, false}) != 0) {
        throw std::runtime_error("cp failed");
    }
}

/// The time is the program's copy; smbclient's and cp's of the same rounds are counters beside it.
void BM_FirstCopyFromShare(benchmark::State& state) {
    Setting& setting = Setting::Get();
    std::vector<std::pair<std::string, std::function<void(const std::string&)>>> tools = {
        {"program", [&setting](const std::string& to) { WatchedCopy(setting, to); }},
        {"smbclient", Smbclient},
        {"cp", Cp},
    };
    std::map<std::string, double> seconds;
    int round = 0;
    for (auto _ : state) {
        for (std::size_t turn = 0; turn < tools.size(); ++turn) {
            const auto& [name, copy] = tools[(turn + static_cast<std::size_t>(round)) % tools.size()];
            const std::string destination = setting.local / (name + "-" + std::to_string(round));
            const double taken = SecondsOf([&] { copy(destination); });
            // smbclient ends with 0 also after a failing "lcd", having copied into the current
            // folder instead: each tool's work is counted where it belongs.
            if (FilesIn(destination) != setting.files) {
                throw std::runtime_error(name + " did not copy every file");
            }
            seconds[name] += taken;
            if (name == "program") {
                state.SetIterationTime(taken);
            }
        }
        ++round;
    }
    for (const auto& [name, total] : seconds) {
        state.counters[name + "_ms"] = benchmark::Counter(total * 1000.0 / round);
    }
    Report(state, setting);
}

void BM_SecondCopyFromShareOntoACompleteDestination(benchmark::State& state) {
    Setting& setting = Setting::Get();
    const std::string destination = setting.local / "complete";
    WatchedCopy(setting, destination);
    for (auto _ : state) {
        WatchedCopy(setting, destination);
    }
    Report(state, setting);
}

void BM_ListingPassOnShare(benchmark::State& state) {
    Setting& setting = Setting::Get();
    for (auto _ : state) {
        const auto folder = synvora::TheFileSystem().Inspect(setting.Source());
        const synvora::CopyPlan plan =
            synvora::PlanFolderCopy(synvora::TheFileSystem(), setting.Source(),
                                    folder ? folder->identity : synvora::FolderIdentity{});
        benchmark::DoNotOptimize(plan.totals.bytes);
    }
    state.SetItemsProcessed(state.iterations() * setting.files);
}

BENCHMARK(BM_FirstCopyFromShare)->Unit(benchmark::kMillisecond)->Iterations(6)->UseManualTime();
BENCHMARK(BM_SecondCopyFromShareOntoACompleteDestination)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();
BENCHMARK(BM_ListingPassOnShare)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace

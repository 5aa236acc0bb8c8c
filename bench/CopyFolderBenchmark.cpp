// CopyFolder of a local tree of 2000 files (about 200 MB) against "cp -r" of the same tree.
// Both copy the same warm source into a fresh destination on the same disk; the previous copy
// is removed and the disk flushed before each timed copy, so neither pays for the other's
// write-back.

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "files/FileFunctions.h"
#include "files/MigrationError.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kFileCount = 2000;
const char* const kFolders[] = {"images",           "images/buttons", "XMLTemplate", "attachments/2023",
                                "attachments/2024", "ExcelTemplates", "ExcelTemp",   "XMLError"};

// Mostly small files with every tenth a larger one: about 200 MB in all.
std::size_t SizeOfFile(int index) {
    if (index % 10 == 0) {
        return (300 + static_cast<std::size_t>(index * 53 % 601)) << 10;
    }
    return (1 + static_cast<std::size_t>(index * 37 % 89)) << 10;
}

void WriteFile(const fs::path& path, std::size_t size, std::uint64_t seed) {
    std::vector<char> bytes(size);
    for (char& byte : bytes) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        byte = static_cast<char>(seed >> 56);
    }
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

/// The source tree, built once per run and removed at exit.
class BenchTree {
public:
    static BenchTree& Get() {
        static BenchTree tree;
        return tree;
    }
    BenchTree(const BenchTree&) = delete;
    BenchTree& operator=(const BenchTree&) = delete;
    ~BenchTree() {
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }

    fs::path Source() const { return m_root / "source"; }
    fs::path Destination() const { return m_root / "destination"; }
    std::uint64_t Bytes() const { return m_bytes; }

    // Removes the previous copy and flushes the disk, outside the timed part.
    void PrepareFreshDestination() const {
        fs::remove_all(Destination());
        ::sync();
    }

private:
    BenchTree() {
        std::string pattern = (fs::temp_directory_path() / "copyfolder-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary folder");
        }
        m_root = pattern;
        for (const char* folder : kFolders) {
            fs::create_directories(Source() / folder);
        }
        for (int i = 0; i < kFileCount; ++i) {
            const std::size_t size = SizeOfFile(i);
            const auto folder = kFolders[i % std::size(kFolders)];
            WriteFile(Source() / folder / ("file " + std::to_string(i) + ".bin"), size,
                      static_cast<std::uint64_t>(i));
            m_bytes += size;
        }
        ::sync();
    }

    fs::path m_root;
    std::uint64_t m_bytes = 0;
};

void RunCpRecursive(const fs::path& source, const fs::path& destination) {
    std::string from = source.string();
    std::string to = destination.string();
    char cp[] = "cp";
    char recursive[] = "-r";
    char* argv[] = {cp, recursive, from.data(), to.data(), nullptr};
    pid_t child = 0;
    if (::posix_spawnp(&child, "cp", nullptr, nullptr, argv, environ) != 0) {
        throw std::runtime_error("cannot start cp");
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            throw std::runtime_error("cannot wait for cp");
        }
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("cp failed");
    }
}

template <typename Copy>
void TimeCopies(benchmark::State& state, Copy&& copy) {
    const BenchTree& tree = BenchTree::Get();
    for (auto _ : state) {
        tree.PrepareFreshDestination();
        const auto start = std::chrono::steady_clock::now();
        try {
            copy(tree.Source(), tree.Destination());
        } catch (const std::exception& error) {
            state.SkipWithError(error.what());
            break;
        }
        const auto elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * tree.Bytes()));
    state.counters["files"] = kFileCount;
}

void BM_CopyFolder(benchmark::State& state) {
    TimeCopies(state, [](const fs::path& source, const fs::path& destination) {
        synvora::CopyFolder(source.string(), destination.string(), true);
    });
}

void BM_CpRecursive(benchmark::State& state) {
    TimeCopies(state, RunCpRecursive);
}

// Both copies in every iteration, taking turns at going first, so that a change in the load of
// the machine touches both alike. Reports CopyFolder's time and its ratio to "cp -r".
void BM_CopyFolderAgainstCp(benchmark::State& state) {
    const BenchTree& tree = BenchTree::Get();
    double ours = 0;
    double theirs = 0;
    bool oursFirst = true;
    const auto timed = [&](auto&& copy) {
        tree.PrepareFreshDestination();
        const auto start = std::chrono::steady_clock::now();
        copy();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    const auto copyFolder = [&] {
        synvora::CopyFolder(tree.Source().string(), tree.Destination().string(), true);
    };
    const auto cp = [&] { RunCpRecursive(tree.Source(), tree.Destination()); };
    for (auto _ : state) {
        try {
            const double first = oursFirst ? timed(copyFolder) : timed(cp);
            const double second = oursFirst ? timed(cp) : timed(copyFolder);
            const double oursNow = oursFirst ? first : second;
            ours += oursNow;
            theirs += oursFirst ? second : first;
            state.SetIterationTime(oursNow);
        } catch (const std::exception& error) {
            state.SkipWithError(error.what());
            break;
        }
        oursFirst = !oursFirst;
    }
    state.counters["cp_ms"] = benchmark::Counter(theirs * 1000 / static_cast<double>(state.iterations()));
    state.counters["ratio"] = theirs > 0 ? ours / theirs : 0;
}

}  // namespace

BENCHMARK(BM_CopyFolderAgainstCp)->Iterations(6)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CpRecursive)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyFolder)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

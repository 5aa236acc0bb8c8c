// The local readers read the registry file on every call; these measure what that costs for the
// small file the program expects, and how the import copes with large and hostile files.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "webmigration/Registry.h"
#include "webmigration/posix/RegFileImport.h"
#include "webmigration/posix/RegistryTree.h"

namespace {

const std::string kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";

std::string TypicalFile() {
    return kHeader +
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Velmoria\\Portivo]\r\n@=\"\"\r\n"
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Velmoria\\Portivo\\PelluxServer\\1]\r\n"
           "\"path\"=\"C:\\\\Program Files\\\\Corvane\\\\Pellux\"\r\n\"version\"=dword:00000205\r\n";
}

// An export of many keys with a few values each, as a whole software branch would give.
std::string LargeExport(int keys) {
    std::string text = kHeader;
    for (int i = 0; i < keys; ++i) {
        const std::string n = std::to_string(i);
        text +=
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor" + std::to_string(i % 50) + "\\Product\\Key" + n + "]\r\n";
        text += "\"Name\"=\"Value number " + n + "\"\r\n\"Count\"=dword:000000" +
                std::to_string(i % 90 + 10) + "\r\n";
        text +=
            "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n  "
            "16,17\r\n";
    }
    return text;
}

// Sections as deep and as long as the limits allow, one after the other.
std::string DeepSections(int sections) {
    std::string path = "[HKEY_LOCAL_MACHINE";
    for (std::size_t i = 0; i < synvora::RegistryTree::kMaxKeyDepth; ++i) {
        path += "\\" + std::string(200, static_cast<char>('a' + i % 26));
    }
    std::string text = kHeader;
    for (int i = 0; i < sections; ++i) {
        text += path + std::to_string(i) + "]\r\n";
    }
    return text;
}

void Import(benchmark::State& state, const std::string& text) {
    for (auto _ : state) {
        synvora::RegistryTree tree;
        benchmark::DoNotOptimize(synvora::ImportRegFile(text, tree));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}

void BM_ImportTypicalFile(benchmark::State& state) {
    Import(state, TypicalFile());
}
BENCHMARK(BM_ImportTypicalFile);

void BM_ImportLargeExport(benchmark::State& state) {
    Import(state, LargeExport(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_ImportLargeExport)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_ImportDeepSections(benchmark::State& state) {
    Import(state, DeepSections(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_ImportDeepSections)->Arg(8)->Arg(64)->Unit(benchmark::kMillisecond);

// One reader call from start to end: file read, import, open, query, close.
void BM_GetLocalInstallFolder(benchmark::State& state) {
    char pattern[] = "/tmp/synvora-bench-XXXXXX";
    const int fd = ::mkstemp(pattern);
    if (fd < 0) {
        state.SkipWithError("cannot create a temporary file");
        return;
    }
    ::close(fd);
    std::ofstream(pattern, std::ios::binary) << TypicalFile();
    ::setenv("SYNVORA_REGISTRY", pattern, 1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(synvora::GetLocalInstallFolder());
    }
    ::unsetenv("SYNVORA_REGISTRY");
    ::unlink(pattern);
}
BENCHMARK(BM_GetLocalInstallFolder)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

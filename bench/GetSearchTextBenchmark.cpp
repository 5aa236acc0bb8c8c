// GetSearchText on a full-size migration script, as the database job prepares it.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "database/ScriptText.h"
#include "files/MigrationError.h"

namespace {

constexpr std::array<const char*, 6> kPlaceholders = {"SourceServer",        "SourceUser",
                                                      "SourcePassword",      "SourceDatabase",
                                                      "DestinationDataBase", "DestinationUser"};
constexpr std::array<const char*, 6> kFieldValues = {"OLDSQL01",   "sa",        "pa55word",
                                                     "ESynvora24", "Synvora25", "sa"};

/// A script of `lines` CR LF-ended lines of about 67 bytes (about 200 KB for 3000 lines), with
/// each placeholder on every 50th line, in the code page's bytes.
std::string MakeScript(int lines) {
    std::string script;
    for (int i = 0; i < lines; ++i) {
        if (i % 50 == 0) {
            const char* placeholder = kPlaceholders[static_cast<std::size_t>(i / 50) % kPlaceholders.size()];
            script += "INSERT INTO [SourceDb].dbo.T SELECT * FROM [";
            script += placeholder;
            script += "].dbo.T -- caf\xE9\r\n";
        } else {
            script += "UPDATE dbo.CONTENT SET STATUS = 1 WHERE ID = " + std::to_string(100000 + i) +
                      " AND DELETED = 0\r\n";
        }
    }
    return script;
}

/// A temporary working folder, also the current directory while it lives (a failure would
/// write Migration.log there), removed at the end.
class BenchFolder {
public:
    BenchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "synvora-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary folder");
        }
        m_path = pattern;
        m_previous = std::filesystem::current_path();
        std::filesystem::current_path(m_path);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;
    ~BenchFolder() {
        std::error_code ignored;
        std::filesystem::current_path(m_previous, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    std::string File(const char* name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
    std::filesystem::path m_previous;
};

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The six calls of the script preparation in a row. Every rewrite adds one empty piece, so the
// largest script that survives six rewrites within the 3001-piece table has 2996 pieces: 2995
// lines ended by CR LF.
void BM_PrepareScriptSixPlaceholders(benchmark::State& state) {
    const BenchFolder folder;
    const std::string path = folder.File("PelluxDest.sql");
    const std::string script = MakeScript(2995);
    for (auto _ : state) {
        state.PauseTiming();
        WriteFile(path, script);
        state.ResumeTiming();
        try {
            for (std::size_t i = 0; i < kPlaceholders.size(); ++i) {
                synvora::GetSearchText(path, kPlaceholders[i], kFieldValues[i]);
            }
        } catch (const synvora::MigrationError& error) {
            state.SkipWithError(error.Description().c_str());
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(script.size() * kPlaceholders.size()));
    state.counters["script_bytes"] = static_cast<double>(script.size());
}
BENCHMARK(BM_PrepareScriptSixPlaceholders)->Unit(benchmark::kMillisecond);

// One call on a script that fills the table exactly: 3000 lines and a last one without CR LF.
void BM_GetSearchTextFullTable(benchmark::State& state) {
    const BenchFolder folder;
    const std::string path = folder.File("PelluxDest.sql");
    const std::string script = MakeScript(3000) + "-- end";
    for (auto _ : state) {
        state.PauseTiming();
        WriteFile(path, script);
        state.ResumeTiming();
        try {
            synvora::GetSearchText(path, "SourceServer", "OLDSQL01");
        } catch (const synvora::MigrationError& error) {
            state.SkipWithError(error.Description().c_str());
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(script.size()));
    state.counters["script_bytes"] = static_cast<double>(script.size());
}
BENCHMARK(BM_GetSearchTextFullTable)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

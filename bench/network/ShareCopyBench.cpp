// The web job's copy of a content folder from a share of the Samba test server (loopback) to the
// local disk, timed against smbclient's recursive "mget" with signing required and without it,
// directly and through a delaying proxy that gives each round trip 1 ms or 10 ms (a LAN, a WAN).
// Three kinds of content: 2,000 small files of 4 to 60 KiB in 111 folders (about 64 MB), three
// files of 40 MiB, and the second run over a complete destination (ours keeps the files of the
// same size and time; smbclient's nearest is "newer", which lists the tree and fetches nothing
// older than a given local file).
//
// Each copy, ours too, runs in a process of its own, timed from its start to its end (start-up,
// connection and login included), each into a folder of its own: ours is this program started
// again with --copy-child, which connects the share with MapNetworkDrive and copies with
// CopyFolder, as the web job does, and reports its peak memory (VmHWM: the process's own, not what
// it inherited from this one). The tools take turns; a kind of content at one latency is repeated
// up to --repeat times while its time budget lasts, and the table shows medians. One run prints
// the whole table in Markdown; the environment variable SYNVORA_SHARECOPY_BENCH may hold flags too.

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "files/CopyProgress.h"
#include "files/FileFunctions.h"
#include "files/MigrationError.h"
#include "network/NetworkDrives.h"
#include "support/ChildProcess.h"
#include "support/DelayingProxy.h"
#include "support/SambaFixture.h"
#include "support/TempDir.h"
#include "support/WebContent.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using synvora::test::DelayingProxy;
using synvora::test::ProxyTraffic;

constexpr int kSmallFiles = 2000;
constexpr std::size_t kSmallMin = std::size_t{4} << 10;
constexpr std::size_t kSmallMax = std::size_t{60} << 10;
constexpr int kLargeFiles = 3;
constexpr std::size_t kLargeSize = std::size_t{40} << 20;
const std::string kSmallFolder = "Synvora/attachments";
const std::string kLargeFolder = "Synvora/videos";
const std::string kChildFlag = "--copy-child";
const std::string kPasswordVariable = "SYNVORA_BENCH_PASSWORD";

const std::vector<std::string> kAllWorkloads = {"small", "large", "second"};
const std::vector<std::string> kAllTools = {"ours", "signed", "unsigned", "cp"};

struct Options {
    std::vector<int> roundTrips = {0, 1, 10};  // milliseconds
    std::vector<std::string> workloads = kAllWorkloads;
    std::vector<std::string> tools = kAllTools;
    int repeat = 3;
    double budget = 120;  // seconds for one kind of content at one latency
    int workers = 0;      // files our copy carries at once; 0: the program's default
};

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    std::stringstream stream(text);
    for (std::string item; std::getline(stream, item, ',');) {
        if (!item.empty()) {
            items.push_back(item);
        }
    }
    return items;
}

void Usage() {
    std::cerr << "sharecopy_bench [--rtt=0,1,10] [--workloads=small,large,second]\n"
                 "                [--tools=ours,signed,unsigned,cp] [--repeat=3] [--budget=120]\n"
                 "                [--workers=N]\n"
                 "  --rtt        round trips in milliseconds; 0 connects directly, others through the proxy\n"
                 "  --workloads  small: 2,000 files of 4-60 KiB; large: 3 x 40 MiB;\n"
                 "               second: the second run over a complete copy of the small files\n"
                 "  --tools      ours; smbclient mget with signing required (signed) or off (unsigned);\n"
                 "               cp -r of the share's own folder (no network, round trip 0 only)\n"
                 "  --repeat     runs of each tool at most, taking turns\n"
                 "  --budget     seconds after which no further turn of a kind of content starts\n"
                 "  --workers    files our copy carries at once (default: the program's own choice)\n"
                 "The environment variable SYNVORA_SHARECOPY_BENCH may hold the same flags.\n";
}

std::vector<std::string> Subset(const std::string& value, const std::vector<std::string>& known) {
    std::vector<std::string> chosen;
    for (const std::string& item : SplitList(value)) {
        if (std::find(known.begin(), known.end(), item) == known.end()) {
            throw std::invalid_argument("unknown choice: " + item);
        }
        chosen.push_back(item);
    }
    return chosen;
}

void ApplyFlag(Options& options, const std::string& flag) {
    const std::size_t equals = flag.find('=');
    const std::string name = flag.substr(0, equals);
    const std::string value = equals == std::string::npos ? "" : flag.substr(equals + 1);
    if (name == "--rtt") {
        options.roundTrips.clear();
        for (const std::string& item : SplitList(value)) {
            options.roundTrips.push_back(std::stoi(item));
        }
    } else if (name == "--workloads") {
        options.workloads = Subset(value, kAllWorkloads);
    } else if (name == "--tools") {
        options.tools = Subset(value, kAllTools);
    } else if (name == "--repeat") {
        options.repeat = std::max(1, std::stoi(value));
    } else if (name == "--budget") {
        options.budget = std::stod(value);
    } else if (name == "--workers") {
        options.workers = std::max(0, std::stoi(value));
    } else {
        throw std::invalid_argument("unknown flag: " + flag);
    }
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    std::vector<std::string> flags;
    if (const char* fromEnvironment = std::getenv("SYNVORA_SHARECOPY_BENCH")) {
        std::stringstream stream(fromEnvironment);
        for (std::string flag; stream >> flag;) {
            flags.push_back(flag);
        }
    }
    flags.insert(flags.end(), argv + 1, argv + argc);
    for (const std::string& flag : flags) {
        ApplyFlag(options, flag);
    }
    return options;
}

// --- the copy of the program, in a process of its own --------------------------------------------

/// Counts the reports as the finish page would receive them, without a window.
class CountingMonitor final : public synvora::CopyMonitor {
public:
    bool Continue(const synvora::CopyProgress& progress) override {
        m_last = progress;
        return true;
    }
    synvora::CopyProgress m_last;
};

long PeakResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

/// sharecopy_bench --copy-child <share> <user> <folder on the share> <destination> <workers>; the
/// password in SYNVORA_BENCH_PASSWORD. Prints "files=... bytes=... copy_seconds=... peak_kib=...".
int CopyChild(int argc, char** argv) {
    if (argc != 7) {
        std::cerr << "usage: " << kChildFlag << " <share> <user> <folder> <destination> <workers>\n";
        return 2;
    }
    const std::string share = argv[2];
    const std::string user = argv[3];
    const std::string folder = argv[4];
    const std::string destination = argv[5];
    const char* password = std::getenv(kPasswordVariable.c_str());
    // A failure's entry in Migration.log lands beside the destination.
    if (::chdir(fs::path(destination).parent_path().c_str()) != 0) {
        return 2;
    }
    try {
        const auto start = Clock::now();
        std::string drive;
        if (synvora::MapNetworkDrive(share, user, password != nullptr ? password : "", drive) != 0) {
            std::cerr << "the share could not be connected\n";
            return 1;
        }
        CountingMonitor monitor;
        synvora::FolderCopyOptions options;
        options.overwrite = true;
        options.skipUnchanged = true;
        options.monitor = &monitor;
        options.workers = std::stoi(argv[6]);
        synvora::CopyFolder(drive + "/" + folder, destination, options);
        synvora::ReleaseAllNetworkDrives();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        std::cout << "files=" << monitor.m_last.done.files << " bytes=" << monitor.m_last.done.bytes
                  << " copy_seconds=" << seconds << " peak_kib=" << PeakResidentKiB() << "\n";
        return 0;
    } catch (const synvora::MigrationError& error) {
        std::cerr << "copy failed: " << error.Number() << " " << error.Description() << "\n";
        return 1;
    }
}

// --- the setting: server, content, destinations --------------------------------------------------

std::int64_t FilesIn(const std::string& folder) {
    std::int64_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        files += entry.is_regular_file() ? 1 : 0;
    }
    return files;
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) {
        ++count;
    }
    return count;
}

struct Content {
    std::int64_t files = 0;
    std::int64_t bytes = 0;
};

/// Writes the small files below the share's folder: sizes drawn evenly from 4 to 60 KiB.
Content WriteSmallFiles(const std::string& root) {
    Content content;
    std::mt19937_64 sizes(20);
    std::uniform_int_distribution<std::size_t> size(kSmallMin, kSmallMax);
    for (int i = 0; i < kSmallFiles; ++i) {
        const fs::path path = fs::path(root) / ("group " + std::to_string(i / 200)) /
                              ("set " + std::to_string(i / 20 % 10)) /
                              ("image " + std::to_string(i) + ".gif");
        fs::create_directories(path.parent_path());
        const std::size_t bytes = size(sizes);
        synvora::test::WriteBytes(path, synvora::test::RandomBytes(bytes, static_cast<std::uint64_t>(i)));
        content.files += 1;
        content.bytes += static_cast<std::int64_t>(bytes);
    }
    return content;
}

Content WriteLargeFiles(const std::string& root) {
    Content content;
    fs::create_directories(root);
    for (int i = 0; i < kLargeFiles; ++i) {
        synvora::test::WriteBytes(
            fs::path(root) / ("film " + std::to_string(i) + ".mp4"),
            synvora::test::RandomBytes(kLargeSize, 1000U + static_cast<std::uint64_t>(i)));
        content.files += 1;
        content.bytes += static_cast<std::int64_t>(kLargeSize);
    }
    return content;
}

/// One timed copy.
struct Run {
    double seconds = 0;
    double cpuSeconds = 0;
    long peakKiB = -1;  // ours only
    std::uint64_t exchanges = 0;
    bool throughProxy = false;
};

double CpuSeconds(const rusage& usage) {
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class Bench {
public:
    explicit Bench(Options options) : m_options(std::move(options)) {}

    void Prepare();
    void RunAll();
    void PrintTable() const;

private:
    struct Cell {
        std::map<std::string, std::vector<Run>> runs;
    };

    void RunCell(int roundTrip, const std::string& workload);
    Run RunTool(const std::string& tool, const std::string& workload, int port,
                const std::string& destination);
    Run RunOurs(int port, const std::string& folder, const std::string& destination, bool second);
    Run RunSmbclient(bool sign, int port, const std::string& folder, const std::string& destination,
                     bool second);
    Run RunCp(const std::string& folder, const std::string& destination);
    std::string SmbclientDestination();
    std::string OursCompleteDestination();
    const Content& ContentOf(const std::string& workload) const {
        return workload == "large" ? m_large : m_small;
    }

    Options m_options;
    synvora::test::SambaServer m_server;
    std::unique_ptr<synvora::test::TempDir> m_work;
    std::unique_ptr<DelayingProxy> m_proxy;
    Content m_small;
    Content m_large;
    std::string m_self;
    std::string m_stamp;
    std::map<std::pair<std::string, int>, Cell> m_cells;  // by workload and round trip
    std::string m_loadBefore;
    std::string m_loadAfter;
    double m_totalSeconds = 0;
    int m_serial = 0;
};

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

void Bench::Prepare() {
    m_self = fs::read_symlink("/proc/self/exe");
    m_server.Start();
    m_work = std::make_unique<synvora::test::TempDir>("synvora-sharecopy-bench");
    std::cerr << "writing the content onto the share...\n";
    m_small = WriteSmallFiles(m_server.ShareFolder() + "/" + kSmallFolder);
    m_large = WriteLargeFiles(m_server.ShareFolder() + "/" + kLargeFolder);
    // Later than every source file: smbclient's "newer" then fetches none of them.
    m_stamp = *m_work / "stamp";
    ::sleep(1);
    synvora::test::WriteBytes(m_stamp, "");
    ::sync();
}

std::string Bench::OursCompleteDestination() {
    const std::string destination = *m_work / "complete-ours";
    if (!fs::exists(destination)) {
        RunOurs(m_server.Port(), kSmallFolder, destination, false);
    }
    return destination;
}

std::string Bench::SmbclientDestination() {
    const std::string destination = *m_work / "complete-smbclient";
    if (!fs::exists(destination)) {
        RunSmbclient(true, m_server.Port(), kSmallFolder, destination, false);
    }
    return destination;
}

Run Bench::RunOurs(int port, const std::string& folder, const std::string& destination, bool second) {
    const auto login = m_server.Admin();
    const std::string output = *m_work / "ours.out";
    const std::string share = "\\\\127.0.0.1:" + std::to_string(port) + "\\D$";
    rusage usage{};
    const auto start = Clock::now();
    synvora::test::ChildProcess child(
        {m_self, kChildFlag, share, login.user, folder, destination, std::to_string(m_options.workers)},
        {-1, output, {kPasswordVariable + "=" + login.password}, false});
    const int exitCode = child.Wait(&usage);
    Run run;
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const std::string report = synvora::test::ReadBytes(output);
    const Content& expected = folder == kLargeFolder ? m_large : m_small;
    if (exitCode != 0 || report.find("files=" + std::to_string(expected.files) + " ") == std::string::npos ||
        (!second && FilesIn(destination) != expected.files)) {
        throw std::runtime_error("our copy failed: " + report);
    }
    run.cpuSeconds = CpuSeconds(usage);
    const auto peak = report.find("peak_kib=");
    run.peakKiB = peak == std::string::npos ? -1 : std::stol(report.substr(peak + 9));
    return run;
}

Run Bench::RunSmbclient(bool sign, int port, const std::string& folder, const std::string& destination,
                        bool second) {
    fs::create_directories(destination);
    const auto login = m_server.Admin();
    const std::string output = *m_work / "smbclient.out";
    const std::string newer = second ? "newer \"" + m_stamp + "\"; " : "";
    rusage usage{};
    const auto start = Clock::now();
    synvora::test::ChildProcess child(
        {"smbclient", "--configfile=" + m_server.ConfigPath(), "//127.0.0.1/D$", "-p", std::to_string(port),
         "-U", login.user, std::string("--client-protection=") + (sign ? "sign" : "off"), "-c",
         "lcd \"" + destination + "\"; cd \"" + folder + "\"; prompt off; recurse on; " + newer + "mget *"},
        {-1, output, {"PASSWD=" + login.password}, false});
    const int exitCode = child.Wait(&usage);
    Run run;
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.cpuSeconds = CpuSeconds(usage);
    // smbclient ends with 0 also after a failing "lcd", having copied into the current folder
    // instead: what it fetched is counted where it belongs.
    const std::string said = synvora::test::ReadBytes(output);
    const std::int64_t expected = second ? 0 : ContentOf(folder == kLargeFolder ? "large" : "small").files;
    if (exitCode != 0 || static_cast<std::int64_t>(Count(said, "getting file ")) != expected ||
        (!second && FilesIn(destination) != expected)) {
        throw std::runtime_error("smbclient failed: " + said.substr(0, 2000));
    }
    return run;
}

Run Bench::RunCp(const std::string& folder, const std::string& destination) {
    rusage usage{};
    const auto start = Clock::now();
    synvora::test::ChildProcess child({"cp", "-r", m_server.ShareFolder() + "/" + folder, destination},
                                      {-1, "", {}, false});
    if (child.Wait(&usage) != 0) {
        throw std::runtime_error("cp failed");
    }
    Run run;
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.cpuSeconds = CpuSeconds(usage);
    return run;
}

Run Bench::RunTool(const std::string& tool, const std::string& workload, int port,
                   const std::string& destination) {
    const bool second = workload == "second";
    const std::string folder = workload == "large" ? kLargeFolder : kSmallFolder;
    if (tool == "ours") {
        return RunOurs(port, folder, second ? OursCompleteDestination() : destination, second);
    }
    if (tool == "cp") {
        return RunCp(folder, destination);
    }
    return RunSmbclient(tool == "signed", port, folder, second ? SmbclientDestination() : destination,
                        second);
}

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof(text), seconds < 10 ? "%.2f s" : "%.1f s", seconds);
    return text;
}

void Bench::RunCell(int roundTrip, const std::string& workload) {
    std::vector<std::string> tools;
    for (const std::string& tool : m_options.tools) {
        // cp reads the share's folder on this machine: no network, nothing to skip.
        if (tool != "cp" || (roundTrip == 0 && workload != "second")) {
            tools.push_back(tool);
        }
    }
    if (tools.empty()) {
        return;
    }
    if (workload == "second") {  // the complete destinations are made before the clock runs
        for (const std::string& tool : tools) {
            if (tool == "ours") {
                OursCompleteDestination();
            } else {
                SmbclientDestination();
            }
        }
    }
    const int port = m_proxy ? m_proxy->Port() : m_server.Port();
    Cell& cell = m_cells[{workload, roundTrip}];
    const auto start = Clock::now();
    std::vector<std::string> made;
    for (int turn = 0; turn < m_options.repeat; ++turn) {
        for (std::size_t i = 0; i < tools.size(); ++i) {
            const std::string& tool = tools[(i + static_cast<std::size_t>(turn)) % tools.size()];
            const std::string destination = *m_work / ("copy-" + std::to_string(++m_serial));
            made.push_back(destination);
            ::sync();  // the previous copy's writing is not charged to this one
            const ProxyTraffic before = m_proxy ? m_proxy->Traffic() : ProxyTraffic{};
            Run run = RunTool(tool, workload, port, destination);
            if (m_proxy) {
                run.throughProxy = true;
                run.exchanges = m_proxy->Traffic().exchanges - before.exchanges;
                if (m_proxy->Traffic().connections == before.connections) {
                    throw std::runtime_error(tool + " did not go through the proxy");
                }
            }
            std::cerr << "  " << workload << ", " << roundTrip << " ms, " << tool << ": "
                      << Seconds(run.seconds) << ", cpu " << Seconds(run.cpuSeconds)
                      << (run.throughProxy ? ", waited round trips " + std::to_string(run.exchanges) : "")
                      << (run.peakKiB > 0 ? ", peak " + std::to_string(run.peakKiB / 1024) + " MiB" : "")
                      << ", load " << LoadAverage() << "\n";
            cell.runs[tool].push_back(run);
        }
        if (std::chrono::duration<double>(Clock::now() - start).count() >= m_options.budget) {
            break;
        }
    }
    // Removed after the cell, outside the clock.
    for (const std::string& folder : made) {
        fs::remove_all(folder);
    }
}

void Bench::RunAll() {
    m_loadBefore = LoadAverage();
    const auto start = Clock::now();
    for (const int roundTrip : m_options.roundTrips) {
        m_proxy.reset();
        if (roundTrip > 0) {
            m_proxy =
                std::make_unique<DelayingProxy>(m_server.Port(), std::chrono::microseconds(roundTrip * 500));
        }
        for (const std::string& workload : m_options.workloads) {
            std::cerr << "round trip " << roundTrip << " ms, " << workload << "\n";
            RunCell(roundTrip, workload);
        }
    }
    m_proxy.reset();
    m_totalSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    m_loadAfter = LoadAverage();
}

template <typename Value>
double Median(std::vector<Value> values) {
    if (values.empty()) {
        return -1;
    }
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1
               ? static_cast<double>(values[middle])
               : (static_cast<double>(values[middle - 1]) + static_cast<double>(values[middle])) / 2;
}

template <typename Field>
std::vector<double> Each(const std::vector<Run>& runs, Field field) {
    std::vector<double> values;
    for (const Run& run : runs) {
        values.push_back(static_cast<double>(run.*field));
    }
    return values;
}

std::string WorkloadLabel(const std::string& workload) {
    if (workload == "small") {
        return "2,000 files of 4-60 KiB";
    }
    if (workload == "large") {
        return "3 files of 40 MiB";
    }
    return "second run, 2,000 files";
}

void Bench::PrintTable() const {
    const auto runsOf = [](const Cell& cell, const std::string& tool) -> const std::vector<Run>* {
        const auto found = cell.runs.find(tool);
        return found == cell.runs.end() ? nullptr : &found->second;
    };
    const auto median = [&](const Cell& cell, const std::string& tool, auto field) -> double {
        const auto* runs = runsOf(cell, tool);
        return runs != nullptr ? Median(Each(*runs, field)) : -1;
    };
    const auto time = [&](const Cell& cell, const std::string& tool) {
        const double seconds = median(cell, tool, &Run::seconds);
        return seconds < 0 ? std::string("–") : Seconds(seconds);
    };
    std::cout << "\n| content | round trip | ours | smbclient mget, signed | smbclient mget, unsigned "
                 "| signed ÷ ours | runs |\n|---|---|---|---|---|---|---|\n";
    for (const std::string& workload : kAllWorkloads) {
        for (const int roundTrip : m_options.roundTrips) {
            const auto found = m_cells.find({workload, roundTrip});
            if (found == m_cells.end()) {
                continue;
            }
            const Cell& cell = found->second;
            const double ours = median(cell, "ours", &Run::seconds);
            const double signedTime = median(cell, "signed", &Run::seconds);
            char ratio[32] = "–";
            if (ours > 0 && signedTime > 0) {
                std::snprintf(ratio, sizeof(ratio), "%.2f", signedTime / ours);
            }
            std::size_t runs = 0;
            for (const auto& [tool, list] : cell.runs) {
                runs = std::max(runs, list.size());
            }
            std::cout << "| " << WorkloadLabel(workload) << " | " << roundTrip << " ms | "
                      << time(cell, "ours") << " | " << time(cell, "signed") << " | "
                      << time(cell, "unsigned") << " | " << ratio << " | " << runs << " |\n";
        }
    }

    std::cout << "\n| content | round trip | waited round trips per file: ours / signed / unsigned "
                 "| CPU: ours / signed / unsigned | ours' peak memory |\n|---|---|---|---|---|\n";
    for (const std::string& workload : kAllWorkloads) {
        const double files = static_cast<double>(ContentOf(workload).files);
        for (const int roundTrip : m_options.roundTrips) {
            const auto found = m_cells.find({workload, roundTrip});
            if (found == m_cells.end()) {
                continue;
            }
            const Cell& cell = found->second;
            std::string exchanges;
            std::string cpu;
            for (const char* tool : {"ours", "signed", "unsigned"}) {
                const double waited = median(cell, tool, &Run::exchanges);
                const double seconds = median(cell, tool, &Run::cpuSeconds);
                char text[32] = "–";
                if (roundTrip > 0 && waited >= 0) {
                    std::snprintf(text, sizeof(text), "%.2f", waited / files);
                }
                exchanges += (exchanges.empty() ? "" : " / ") + std::string(text);
                cpu += (cpu.empty() ? "" : " / ") + (seconds < 0 ? std::string("–") : Seconds(seconds));
            }
            const auto* ours = runsOf(cell, "ours");
            std::string peak = "–";
            if (ours != nullptr) {
                long most = 0;
                for (const Run& run : *ours) {
                    most = std::max(most, run.peakKiB);
                }
                peak = std::to_string((most + 512) / 1024) + " MiB";
            }
            std::cout << "| " << WorkloadLabel(workload) << " | " << roundTrip << " ms | " << exchanges
                      << " | " << cpu << " | " << peak << " |\n";
        }
    }

    std::cout << "\nMedians of the runs, each from the start of the process to its end (connection and "
                 "login included). Round trip 0: no proxy.\n";
    for (const char* workload : {"small", "large"}) {
        const auto found = m_cells.find({workload, 0});
        if (found != m_cells.end() && found->second.runs.count("cp") != 0) {
            std::cout << "cp -r of the share's own folder (the disk alone), " << WorkloadLabel(workload)
                      << ": " << Seconds(median(found->second, "cp", &Run::seconds)) << ".\n";
        }
    }
    std::cout << "Second run: ours keeps the destination's complete files; smbclient's \"newer\" lists the "
                 "tree and fetches nothing (no per-file comparison).\n"
              << "Content: " << m_small.files << " small files, " << m_small.bytes << " bytes; "
              << m_large.files << " large files, " << m_large.bytes << " bytes.\n"
              << "Load average (1, 5, 15 min) before: " << m_loadBefore << "; after: " << m_loadAfter << "; "
              << ::sysconf(_SC_NPROCESSORS_ONLN) << " cores; " << static_cast<int>(m_totalSeconds)
              << " s in all.\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && argv[1] == kChildFlag) {
        return CopyChild(argc, argv);
    }
    if (argc > 1 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        Usage();
        return 0;
    }
    try {
        Options options = ParseOptions(argc, argv);
        Bench bench(std::move(options));
        bench.Prepare();
        bench.RunAll();
        bench.PrintTable();
        return 0;
    } catch (const std::invalid_argument& failure) {
        std::cerr << failure.what() << "\n";
        Usage();
        return 2;
    } catch (const std::exception& failure) {
        std::cerr << "sharecopy_bench: " << failure.what() << "\n";
        return 1;
    }
}

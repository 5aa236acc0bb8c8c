// A small program for the command launch tests. It records what it was started with into the
// file named by SYNVORA_PROBE_REPORT, as NUL-terminated "key=value" records: the facts of its
// start (StartFacts), the value of the variable named by SYNVORA_PROBE_SHOW ("shown"), and each
// argument in order. It then ends as SYNVORA_PROBE_EXIT (exit code) or SYNVORA_PROBE_SIGNAL
// (signal number) asks, or, with SYNVORA_PROBE_HANG, never ends by itself ("ignore-term": nor when
// asked to), or, with SYNVORA_PROBE_WAIT_FOR naming a file, ends only once that file exists, so
// that a test can hold it running for as long as it needs to.
#include "LaunchProbe.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "support/TempDir.h"

namespace synvora::probe {
namespace {

using std::chrono_literals::operator""ms;

void Record(std::ofstream& out, const std::string& key, const std::string& value) {
    out << key << '=' << value << '\0';
}

}  // namespace

int RunProbe(const std::vector<std::string>& args) {
    const auto hang = test::EnvironmentValue("SYNVORA_PROBE_HANG");
    if (hang == "ignore-term") {
        IgnoreEndRequests();
    }
    const auto facts = StartFacts();
    std::fputs("probe output that nobody should see\n", stdout);
    std::fputs("probe errors that nobody should see\n", stderr);

    if (const auto report = test::EnvironmentValue("SYNVORA_PROBE_REPORT")) {
        // Written aside and renamed into place: whoever sees the report sees all of it.
        const std::string written = *report + ".part";
        {
            std::ofstream out(test::FsPath(written), std::ios::binary | std::ios::trunc);
            for (const auto& [key, value] : facts) {
                Record(out, key, value);
            }
            if (const auto shown = test::EnvironmentValue("SYNVORA_PROBE_SHOW")) {
                Record(out, "shown", test::EnvironmentValue(*shown).value_or("unset"));
            }
            for (const std::string& arg : args) {
                Record(out, "arg", arg);
            }
        }
        std::filesystem::rename(test::FsPath(written), test::FsPath(*report));
    }
    if (const auto awaited = test::EnvironmentValue("SYNVORA_PROBE_WAIT_FOR")) {
        while (!std::filesystem::exists(test::FsPath(*awaited))) {
            std::this_thread::sleep_for(10ms);
        }
    }
    while (hang) {
        std::this_thread::sleep_for(1000ms);
    }
    if (const auto signal = test::EnvironmentValue("SYNVORA_PROBE_SIGNAL")) {
        EndBySignal(std::atoi(signal->c_str()));
    }
    return std::atoi(test::EnvironmentValue("SYNVORA_PROBE_EXIT").value_or("0").c_str());
}

}  // namespace synvora::probe

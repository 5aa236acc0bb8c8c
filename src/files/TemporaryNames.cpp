#include "TemporaryNames.h"

#include <atomic>
#include <charconv>
#include <random>

namespace synvora {
namespace {

constexpr std::string_view kPrefix = ".synvora-";
constexpr std::string_view kSuffix = ".tmp";

// Takes a run of digits and the separator after it off the front of the text.
bool TakeNumber(std::string_view& text, char separator, unsigned long long& number) {
    const auto end = text.find(separator);
    if (end == 0 || end == std::string_view::npos) {
        return false;
    }
    const char* first = text.data();
    const auto [rest, error] = std::from_chars(first, first + end, number);
    if (error != std::errc() || rest != first + end) {
        return false;
    }
    text.remove_prefix(end + 1);
    return true;
}

}  // namespace

std::string NextTemporaryName() {
    // Computed once: a folder copy asks for thousands of names. A forked child repeating a name
    // only meets O_EXCL and takes the next one.
    static const std::string prefix = std::string(kPrefix) + std::to_string(CurrentProcessId()) + "-" +
                                      std::to_string(std::random_device{}() % 1000000007U) + "-";
    static std::atomic<unsigned long long> counter{0};
    return prefix + std::to_string(counter++) + std::string(kSuffix);
}

bool IsLeftoverTemporaryName(std::string_view name) {
    if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) {
        return false;
    }
    name.remove_prefix(kPrefix.size());
    name.remove_suffix(kSuffix.size());
    std::string text(name);
    text += '.';  // the counter's end, for TakeNumber
    std::string_view rest = text;
    unsigned long long pid = 0;
    unsigned long long random = 0;
    unsigned long long counter = 0;
    return TakeNumber(rest, '-', pid) && TakeNumber(rest, '-', random) && TakeNumber(rest, '.', counter) &&
           rest.empty() && ProcessHasEnded(pid);
}

}  // namespace synvora

#include <benchmark/benchmark.h>

#include <string>

#include "database/odbc/Utf16.h"

namespace {

// Every value and every statement crosses the ODBC edge through these conversions.
std::string MixedText(std::size_t bytes) {
    const std::string piece = "D:\\E-Synvora\\Attachments\\Caf\u00E9 \u20AC ";
    std::string text;
    while (text.size() < bytes) {
        text += piece;
    }
    return text;
}

void BM_Utf8ToUtf16(benchmark::State& state) {
    const std::string text = MixedText(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(synvora::odbc::Utf8ToUtf16(text));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_Utf8ToUtf16)->Arg(64)->Arg(64 << 10);

void BM_Utf16ToUtf8(benchmark::State& state) {
    const std::u16string text =
        synvora::odbc::Utf8ToUtf16(MixedText(static_cast<std::size_t>(state.range(0))));
    for (auto _ : state) {
        benchmark::DoNotOptimize(synvora::odbc::Utf16ToUtf8(text));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size() * sizeof(char16_t)));
}
BENCHMARK(BM_Utf16ToUtf8)->Arg(64)->Arg(64 << 10);

}  // namespace

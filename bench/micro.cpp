// Micro-benchmarks of the parts the scan is made of: the pass over plain
// bytes, the classification of a byte, a push and a pop, and the whole scan
// over a memory stream.
#include "checker.hpp"
#include "programs.hpp"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

std::string sample_source(std::size_t size)
{
    const std::string line = "    total = table[index] + calc_total(table, index); /* running total */\n";
    std::string text;
    while (text.size() + line.size() <= size) {
        text += line;
    }
    return text;
}

// The bytes between brackets, passed over as the scan does: in bulk where
// the build has the skip, a call per byte where it does not; with the lines
// counted as parencheck-where counts them, or not.
template <typename Places> void skip_plain_text(benchmark::State &state)
{
    std::string text;
    while (text.size() < (1U << 20)) {
        text += "The river ran slowly under the winter light,\nnorth of the houses. ";
    }
    for (auto _ : state) {
        std::FILE *in = fmemopen(text.data(), text.size(), "r");
        bracket_search search;
        Places places;
        benchmark::DoNotOptimize(next_bracket(in, search, places));
        std::fclose(in);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
    state.SetLabel(PARENCHECK_BULK_SKIP != 0 ? "bulk skip" : "a call per byte");
}
BENCHMARK(skip_plain_text<no_places>);
BENCHMARK(skip_plain_text<byte_places>);

void classify(benchmark::State &state)
{
    const std::string text = sample_source(1 << 16);
    for (auto _ : state) {
        int brackets = 0;
        for (const char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            brackets += is_opening(byte) + is_closing(byte) + (bracket_kind(byte) == KIND_SQUARE ? 1 : 0);
        }
        benchmark::DoNotOptimize(brackets);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(classify);

void push_then_pop(benchmark::State &state)
{
    const auto depth = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        bracket_stack s = stack_new();
        for (std::size_t i = 0; i < depth; ++i) {
            s = stack_push(static_cast<std::int32_t>(i % 3), s);
        }
        for (std::size_t i = 0; i < depth; ++i) {
            benchmark::DoNotOptimize(stack_top(s));
            s = stack_pop(s);
        }
        benchmark::DoNotOptimize(s);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(depth));
}
BENCHMARK(push_then_pop)->Arg(1)->Arg(64)->Arg(1 << 20);

void scan_memory(benchmark::State &state)
{
    std::string text = sample_source(1 << 20);
    for (auto _ : state) {
        std::FILE *in = fmemopen(text.data(), text.size(), "r");
        const scan_result result = scan<parencheck>(in);
        benchmark::DoNotOptimize(result.status);
        stack_free(result.open);
        std::fclose(in);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(scan_memory);

} // namespace

BENCHMARK_MAIN();

// The program at scale, as a process: nesting a hundred million deep, and a
// text larger than 4 GiB. Slow, so labelled "stress" and run apart.
#include "child_process.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

constexpr const char *parencheck = PARENCHECK_BIN_DIR "/parencheck";
constexpr const char *parencheck_where = PARENCHECK_BIN_DIR "/parencheck-where";
constexpr auto generous = std::chrono::minutes(5);

TEST(Stress, AHundredMillionNestedBrackets)
{
    constexpr std::size_t depth = 100'000'000;
    std::string text(depth, '(');
    text.append(depth, ')');

    const child_outcome good = run_child(parencheck, {.input = text, .time_limit = generous});
    EXPECT_EQ(good.out, "Bon parenthesage\n");
    EXPECT_EQ(good.exit_status, 0);
    const double bytes_per_bracket = static_cast<double>(good.max_rss_kib) * 1024.0 / depth;
    std::printf("peak memory: %ld KiB for %zu open brackets, %.1f bytes each\n", good.max_rss_kib, depth,
                bytes_per_bracket);
    RecordProperty("peak_bytes_per_open_bracket", std::to_string(bytes_per_bracket));

    text.pop_back();
    const child_outcome bad = run_child(parencheck, {.input = text, .time_limit = generous});
    EXPECT_EQ(bad.out, "Mauvais parenthesage\n");
    EXPECT_EQ(bad.exit_status, 0);
}

TEST(Stress, ATextLargerThanFourGibibytesIsReadToItsLastByte)
{
    // Balanced lines of C-like text, about 1 MiB of them, sent until more
    // than 2^32 bytes have gone. The last byte, an opening bracket left open,
    // decides the verdict, so a reader that lost count or stopped early
    // answers wrongly.
    const std::string line = "static int f(int a[], int n) { return g(a[n - 1], (n + 1) * 2); }\n";
    std::string block;
    while (block.size() < (1U << 20)) {
        block += line;
    }
    const std::uint64_t repeat = (std::uint64_t{1} << 32) / block.size() + 2;
    const child_outcome got =
        run_child(parencheck, {.input = block, .repeat = repeat, .tail = "(", .time_limit = generous});
    EXPECT_FALSE(got.timed_out);
    EXPECT_EQ(got.out, "Mauvais parenthesage\n");
    EXPECT_EQ(got.err, "");
    EXPECT_EQ(got.exit_status, 0);
}

// More than 2^32 newlines, then a line longer than 2^32 bytes: a count that
// wrapped at 32 bits would place the fault on a small line or column.
TEST(Stress, WhereCountsPastFourGibibytesOfLinesAndColumns)
{
    constexpr std::size_t block_size = 1U << 20;
    const std::uint64_t repeat = (std::uint64_t{1} << 32) / block_size + 1;
    const std::uint64_t beyond = repeat * block_size + 1;

    const child_outcome lines =
        run_child(parencheck_where,
                  {.input = std::string(block_size, '\n'), .repeat = repeat, .tail = "x)", .time_limit = generous});
    EXPECT_FALSE(lines.timed_out);
    EXPECT_EQ(lines.out, "Mauvais parenthesage\n");
    EXPECT_EQ(lines.err, "<stdin>:" + std::to_string(beyond) + ":2: ')' with nothing open\n");

    const child_outcome columns = run_child(
        parencheck_where,
        {.input = "(" + std::string(block_size - 1, ' '), .repeat = repeat, .tail = "]", .time_limit = generous});
    EXPECT_FALSE(columns.timed_out);
    EXPECT_EQ(columns.out, "Mauvais parenthesage\n");
    EXPECT_EQ(columns.err, "<stdin>:1:" + std::to_string(beyond) +
                               ": ']' does not close '(' opened at 1:" + std::to_string(beyond - block_size) + "\n");
}

} // namespace

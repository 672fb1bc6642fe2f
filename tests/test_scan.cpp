// The scan in-process: verdicts, how far it reads, and read errors.
#include "scan_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <sys/types.h>

namespace {

constexpr auto good = scan_status::good;
constexpr auto bad = scan_status::bad;
constexpr auto read_error = scan_status::read_error;

const program_under_test &plain = all_programs[0];

struct reading {
    std::string text;
    scan_status status;
    long taken;
};

TEST(Scan, VerdictAndHowMuchOfTheStreamItTakes)
{
    const reading cases[] = {
        {"", good, 0},
        {"no brackets at all\n", good, 19},
        {"()[]{}", good, 6},
        {"([{}])\n", good, 7},
        {"a(b[c]{d})e", good, 11},
        {std::string("(\xff)", 3), good, 3},
        {std::string("(\0)", 3), good, 3},
        {"(\xc3\xa9\r\n)", good, 6},
        {"(", bad, 1},
        {"(()", bad, 3},
        // A fault: the byte after it is taken unexamined, and nothing more.
        {")", bad, 1},
        {")x", bad, 2},
        {")xyz", bad, 2},
        {"(]", bad, 2},
        {"{)", bad, 2},
        {"([)]", bad, 4},
        {"())(", bad, 4},
        {"())(((((", bad, 4},
        {"())", bad, 3},
    };
    for (const reading &c : cases) {
        SCOPED_TRACE(testing::Message() << "input \"" << c.text << '"');
        const scanned got = scan_bytes(plain, c.text);
        EXPECT_EQ(got.status, c.status);
        EXPECT_EQ(got.taken, c.taken);
    }
}

TEST(Scan, DeepNestingIsBoundOnlyByMemory)
{
    constexpr std::size_t depth = 100'000;
    const std::string open(depth, '(');
    const std::string close(depth, ')');
    EXPECT_EQ(scan_bytes(plain, open + close).status, good);
    EXPECT_EQ(scan_bytes(plain, open + close + ")").status, bad);
    EXPECT_EQ(scan_bytes(plain, open + close.substr(1)).status, bad);
}

TEST(Scan, EachProgramDiffersAtItsOnePoint)
{
    struct row {
        std::string text;
        scan_status plain, nonempty, strict, terse;
        long strict_taken;
    };
    const row rows[] = {
        {"", good, bad, good, good, 0},    {"\n", good, good, bad, good, 1},     {"\xff", good, good, bad, good, 1},
        {"()", good, good, good, good, 2}, {"()\n", good, good, bad, good, 3},   {"()[]", good, good, good, good, 4},
        {"(a)", good, good, bad, good, 3}, {"(a)bcd", good, good, bad, good, 3}, {"(", bad, bad, bad, bad, 1},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(testing::Message() << "input \"" << r.text << '"');
        const scan_status want[] = {r.plain, r.nonempty, r.strict, r.terse};
        for (std::size_t i = 0; i < all_programs.size(); ++i) {
            EXPECT_EQ(scan_bytes(all_programs[i], r.text).status, want[i]) << all_programs[i].rules.name;
        }
        EXPECT_EQ(scan_bytes(all_programs[2], r.text).taken, r.strict_taken);
    }
}

// A stream that yields its bytes, then fails as a broken device does.
struct failing_source {
    std::string bytes;
    std::size_t at = 0;
};

ssize_t read_then_fail(void *cookie, char *buf, std::size_t size)
{
    auto *source = static_cast<failing_source *>(cookie);
    if (source->at == source->bytes.size()) {
        errno = EIO;
        return -1;
    }
    const std::size_t n = std::min(size, source->bytes.size() - source->at);
    std::copy_n(source->bytes.data() + source->at, n, buf);
    source->at += n;
    return static_cast<ssize_t>(n);
}

scan_result scan_failing(const program_under_test &p, const std::string &before_failure)
{
    failing_source source{before_failure};
    std::FILE *in = fopencookie(&source, "r", {read_then_fail, nullptr, nullptr, nullptr});
    if (in == nullptr) {
        std::abort();
    }
    scan_result result = p.scan(in);
    stack_free(result.open);
    result.open = nullptr;
    std::fclose(in);
    return result;
}

TEST(Scan, AReadErrorLeavesNoVerdictUnlessAFaultCameFirst)
{
    struct row {
        std::string before_failure;
        scan_status plain, nonempty, strict, terse;
    };
    const row rows[] = {
        // Nothing read at all: not even the empty input is known.
        {"", read_error, read_error, read_error, read_error},
        // So far so good, but the rest could still spoil it.
        {"()", read_error, read_error, read_error, read_error},
        {"((", read_error, read_error, read_error, read_error},
        // A fault settled the verdict; the failure was the value past it.
        {")", bad, bad, bad, bad},
        {"(]", bad, bad, bad, bad},
        {"(a", read_error, read_error, bad, read_error},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(testing::Message() << "bytes before the failure \"" << r.before_failure << '"');
        const scan_status want[] = {r.plain, r.nonempty, r.strict, r.terse};
        for (std::size_t i = 0; i < all_programs.size(); ++i) {
            const scan_result got = scan_failing(all_programs[i], r.before_failure);
            EXPECT_EQ(got.status, want[i]) << all_programs[i].rules.name;
            if (got.status == read_error) {
                EXPECT_EQ(got.error_number, EIO);
            }
        }
    }
}

} // namespace

// The scan in-process: verdicts, how far it reads, and read errors.
#include "scan_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace {

constexpr auto good = scan_status::good;
constexpr auto bad = scan_status::bad;
constexpr auto read_error = scan_status::read_error;

const program_under_test &plain = program_named("parencheck");

// One letter per program, in the order of all_programs: g for good, b for
// bad, e for a read error.
scan_status status_of(char letter)
{
    switch (letter) {
    case 'g':
        return good;
    case 'b':
        return bad;
    case 'e':
        return read_error;
    default:
        ADD_FAILURE() << "no status is written '" << letter << "'";
        return bad;
    }
}

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
        // parencheck, -nonempty, -strict, -terse
        std::string_view statuses;
        long strict_taken;
    };
    const row rows[] = {
        {"", "gbgg", 0},     {"\n", "ggbg", 1},  {"\xff", "ggbg", 1},   {"()", "gggg", 2}, {"()\n", "ggbg", 3},
        {"()[]", "gggg", 4}, {"(a)", "ggbg", 3}, {"(a)bcd", "ggbg", 3}, {"(", "bbbb", 1},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(testing::Message() << "input \"" << r.text << '"');
        ASSERT_EQ(r.statuses.size(), all_programs.size()) << "one letter per program";
        for (std::size_t i = 0; i < all_programs.size(); ++i) {
            EXPECT_EQ(scan_bytes(all_programs[i], r.text).status, status_of(r.statuses[i]))
                << all_programs[i].rules.name;
        }
        EXPECT_EQ(scan_bytes(program_named("parencheck-strict"), r.text).taken, r.strict_taken);
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
        // parencheck, -nonempty, -strict, -terse
        std::string_view statuses;
    };
    const row rows[] = {
        // Nothing read at all: not even the empty input is known.
        {"", "eeee"},
        // So far so good, but the rest could still spoil it.
        {"()", "eeee"},
        {"((", "eeee"},
        // A fault settled the verdict; the failure was the value past it.
        {")", "bbbb"},
        {"(]", "bbbb"},
        {"(a", "eebe"},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(testing::Message() << "bytes before the failure \"" << r.before_failure << '"');
        ASSERT_EQ(r.statuses.size(), all_programs.size()) << "one letter per program";
        for (std::size_t i = 0; i < all_programs.size(); ++i) {
            const scan_result got = scan_failing(all_programs[i], r.before_failure);
            EXPECT_EQ(got.status, status_of(r.statuses[i])) << all_programs[i].rules.name;
            if (got.status == read_error) {
                EXPECT_EQ(got.error_number, EIO);
            }
        }
    }
}

} // namespace

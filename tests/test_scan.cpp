// The scan in-process: verdicts, how far it reads, and read errors.
#include "oracle.hpp"
#include "scan_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <random>
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

// Mostly plain text whose brackets nest well, so that the scan reads far;
// then, for every other text, one bracket made wrong or left open.
std::string nested_text(std::mt19937 &random, std::size_t size, double bracket_share)
{
    constexpr std::string_view plain_bytes = "ab \n\t\xff\x7f\x5c\x5e\x7c;";
    constexpr std::string_view openers = "([{";
    constexpr std::string_view closers = ")]}";
    const auto pick = [&random](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    std::string text;
    std::string open;
    while (text.size() < size) {
        if (std::bernoulli_distribution(1.0 - bracket_share)(random)) {
            text += plain_bytes[pick(plain_bytes.size())];
        } else if (!open.empty() && pick(2) == 0) {
            text += closers[openers.find(open.back())];
            open.pop_back();
        } else {
            open += openers[pick(3)];
            text += open.back();
        }
    }
    if (pick(2) == 0) {
        while (!open.empty()) {
            text += closers[openers.find(open.back())];
            open.pop_back();
        }
    } else if (!text.empty()) {
        text[pick(text.size())] = closers[pick(3)];
    }
    return text;
}

// The bulk skip works in blocks of the stream's buffer, and the buffer is
// refilled part way through a text: neither may change the verdict or how
// much is taken, whatever the place of a bracket, of a fault or of the end
// relative to a block's edge or a refill.
TEST(Scan, NeitherBlocksNorRefillsChangeWhatIsDecidedOrTaken)
{
    // A fixed seed: a failure must come back on the next run to be mended.
    std::mt19937 random(20261211); // NOLINT(cert-msc32-c,cert-msc51-cpp)
    const std::size_t buffer_sizes[] = {0, 1, 63, 64, 65, 200};
    for (int round = 0; round < 300; ++round) {
        const std::size_t size = std::uniform_int_distribution<std::size_t>(0, 400)(random);
        const std::string text = nested_text(random, size, round % 3 == 0 ? 0.3 : 0.02);
        for (std::size_t i = 0; i < all_programs.size(); ++i) {
            const oracle_answer want = oracle(oracle_programs[i], text);
            for (const std::size_t buffer_size : buffer_sizes) {
                SCOPED_TRACE(testing::Message() << all_programs[i].rules.name << ", buffer " << buffer_size << ", "
                                                << text.size() << " bytes: \"" << text << '"');
                const scanned got = scan_bytes(all_programs[i], text, buffer_size);
                ASSERT_EQ(got.status, want.good ? good : bad);
                ASSERT_EQ(got.taken, static_cast<long>(want.taken));
                ASSERT_EQ(got.place, want.place);
            }
        }
    }
}

TEST(Scan, EachProgramDiffersAtItsOnePoint)
{
    struct row {
        std::string text;
        // parencheck, -nonempty, -strict, -terse, -where
        std::string_view statuses;
        long strict_taken;
    };
    const row rows[] = {
        {"", "gbggg", 0},     {"\n", "ggbgg", 1},  {"\xff", "ggbgg", 1},   {"()", "ggggg", 2}, {"()\n", "ggbgg", 3},
        {"()[]", "ggggg", 4}, {"(a)", "ggbgg", 3}, {"(a)bcd", "ggbgg", 3}, {"(", "bbbbb", 1},
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
        // parencheck, -nonempty, -strict, -terse, -where
        std::string_view statuses;
    };
    const row rows[] = {
        // Nothing read at all: not even the empty input is known.
        {"", "eeeee"},
        // So far so good, but the rest could still spoil it.
        {"()", "eeeee"},
        {"((", "eeeee"},
        // A fault settled the verdict; the failure was the value past it.
        {")", "bbbbb"},
        {"(]", "bbbbb"},
        {"(a", "eebee"},
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
